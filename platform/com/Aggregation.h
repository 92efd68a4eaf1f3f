// Aggregation: an object built inside an outer object, which hands out the inner object's
// interfaces as its own. The inner object's interfaces pass AddRef, Release and QueryInterface
// on to the outer object, so that the two are one object to every holder; the outer object
// alone holds the inner object's own IUnknown, which this wrapper provides and which decides
// the inner object's life.
//
// T is built with the outer object as its first argument and answers for its own interfaces
// through InternalQueryInterface(iid, object), which adds the reference through AddRef (the
// outer object's, while it is aggregated).
#pragma once
#include <utility>

#include "platform/com/CountedObject.h"
#include "platform/com/Unknown.h"

template <class T>
class AggregatedObject final : public IUnknown, public CountedObject {
 public:
  template <class... Args>
  explicit AggregatedObject(IUnknown* outer, Args&&... args) : object_(outer, std::forward<Args>(args)...) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown) {
      AddRef();
      *object = static_cast<IUnknown*>(this);
      return S_OK;
    }
    return object_.InternalQueryInterface(iid, object);
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }

  T& Object() { return object_; }

 private:
  T object_;
};
