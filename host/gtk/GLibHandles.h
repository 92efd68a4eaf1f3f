// Move-only owners of the GLib and GObject handles the desktop host holds: one reference to a
// GObject (g_object_unref), and the plain GLib allocations (GError, g_malloc'd text).
#pragma once
#include "host/gtk/GtkHeaders.h"

#include <memory>
#include <utility>

template <class T>
class GObjectRef {
 public:
  GObjectRef() = default;
  // Takes over one reference the caller owns (a floating one is sunk first).
  static GObjectRef Adopt(T* object) {
    GObjectRef ref;
    if (object && g_object_is_floating(object)) g_object_ref_sink(object);
    ref.object_ = object;
    return ref;
  }
  // Takes a reference of its own.
  static GObjectRef Share(T* object) {
    if (object) g_object_ref(object);
    GObjectRef ref;
    ref.object_ = object;
    return ref;
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
    if (object_) g_object_unref(std::exchange(object_, nullptr));
  }

 private:
  T* object_ = nullptr;
};

struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GFree {
  void operator()(void* memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<char, GFree>;
