// A counted smart pointer for anything with AddRef and Release: component interfaces and the
// system's own reference-counted objects alike. It adds one reference while it holds the object.
#pragma once
#include <cstddef>
#include <utility>

#include "platform/com/Unknown.h"

template <class T>
class CComPtr {
 public:
  CComPtr() = default;
  CComPtr(std::nullptr_t) {}
  // Takes a new reference to `p` (which may be null).
  CComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  CComPtr(const CComPtr& other) : CComPtr(other.p_) {}
  CComPtr(CComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U>
  CComPtr(const CComPtr<U>& other) : CComPtr(other.get()) {}
  ~CComPtr() { reset(); }

  CComPtr& operator=(CComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Adopts a pointer that already carries the reference this holder owns (an out-parameter).
  void Attach(T* p) {
    reset();
    p_ = p;
  }
  // Gives up the reference without releasing it.
  T* Detach() { return std::exchange(p_, nullptr); }
  // For out-parameters: releases what is held and gives the slot to fill.
  T** operator&() {
    reset();
    return &p_;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const CComPtr& a, const CComPtr& b) { return a.p_ == b.p_; }
  friend bool operator==(const CComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

  // Asks the held object for another interface; null when it does not offer it.
  template <class U>
  CComPtr<U> QueryInterface(REFIID iid) const {
    CComPtr<U> result;
    if (p_) {
      void* raw = nullptr;
      if (SUCCEEDED(p_->QueryInterface(iid, &raw))) result.Attach(static_cast<U*>(raw));
    }
    return result;
  }

 private:
  T* p_ = nullptr;
};
