// Reference counting for objects that are shared between holders and delete themselves when the
// last holder lets go. The count starts at 0; MakeCounted hands out the first holder.
#pragma once
#include <atomic>
#include <memory>
#include <utility>

#include "platform/com/ComPtr.h"

class CountedObject {
 public:
  ULONG AddRef() { return ++count_; }
  ULONG Release() {
    ULONG left = --count_;
    if (left == 0) delete this;  // the last holder ends the object
    return left;
  }

 protected:
  CountedObject() = default;
  virtual ~CountedObject() = default;
  CountedObject(const CountedObject&) = delete;
  CountedObject& operator=(const CountedObject&) = delete;

 private:
  std::atomic<ULONG> count_{0};
};

// Builds a counted object and returns its first holder.
template <class T, class... Args>
CComPtr<T> MakeCounted(Args&&... args) {
  auto owned = std::make_unique<T>(std::forward<Args>(args)...);
  CComPtr<T> holder(owned.get());
  owned.release();  // the holder's reference owns it now
  return holder;
}
