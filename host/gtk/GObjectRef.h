// Ownership of GLib things for the desktop host's C++ code: one reference to a GObject (a widget,
// a pixbuf, a menu, a web view), one GLib event source (a timeout), and the plain GLib
// allocations (GError, g_malloc'd text), each dropped at the end.
#pragma once
// The window system's names first: GLib defines TRUE and FALSE as macros.
#include "platform/com/WinTypes.h"
#include <glib-object.h>
#include <glib.h>

#include <memory>
#include <utility>

template <class T>
class GObjectRef {
 public:
  GObjectRef() = default;
  // Takes over a full reference the caller holds (what a *_new call of a non-widget returns).
  static GObjectRef Adopt(T* object) { return GObjectRef(object); }
  // Takes a reference of its own, sinking a floating one (what a widget's *_new call returns).
  static GObjectRef Sink(T* object) {
    if (object) g_object_ref_sink(G_OBJECT(object));
    return GObjectRef(object);
  }
  // Takes a reference of its own to an object another owner holds (a signal's argument).
  static GObjectRef Share(T* object) {
    if (object) g_object_ref(G_OBJECT(object));
    return GObjectRef(object);
  }
  ~GObjectRef() { reset(); }
  GObjectRef(GObjectRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GObjectRef& operator=(GObjectRef&& other) noexcept {
    if (this != &other) {
      reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;

  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void reset() {
    if (object_) g_object_unref(G_OBJECT(std::exchange(object_, nullptr)));
  }

 private:
  explicit GObjectRef(T* object) : object_(object) {}
  T* object_ = nullptr;
};

// A GLib event source attached to the default main context, removed at the end.
class GSourceHandle {
 public:
  GSourceHandle() = default;
  explicit GSourceHandle(guint id) : id_(id) {}
  ~GSourceHandle() { reset(); }
  GSourceHandle(GSourceHandle&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  GSourceHandle& operator=(GSourceHandle&& other) noexcept {
    if (this != &other) {
      reset();
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  GSourceHandle(const GSourceHandle&) = delete;
  GSourceHandle& operator=(const GSourceHandle&) = delete;

  void reset() {
    if (id_) g_source_remove(std::exchange(id_, 0));
  }
  // Forgets a source that has ended by itself (its callback returned G_SOURCE_REMOVE).
  void release() { id_ = 0; }
  explicit operator bool() const { return id_ != 0; }

 private:
  guint id_ = 0;
};

struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GFree {
  void operator()(void* memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<char, GFree>;

struct GBytesUnref {
  void operator()(GBytes* bytes) const { g_bytes_unref(bytes); }
};
using GBytesPtr = std::unique_ptr<GBytes, GBytesUnref>;
