// The base interfaces of the component model: IUnknown, IClassFactory and IDispatch.
#pragma once
#include <vector>

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

struct Variant;

extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;
extern const IID IID_IDispatch;

// Every interface derives from IUnknown. An object's lifetime is its reference count: AddRef
// when a pointer is kept, Release when it is let go; the object deletes itself at zero.
struct IUnknown {
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
  // Creates an object and hands it out through `iid`; `outer` is the aggregating object or null.
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

// Arguments of a dispatch call, in the platform's order: the last argument comes first.
struct DISPPARAMS {
  std::vector<Variant>* rgvarg = nullptr;
  UINT cArgs() const;  // defined with Variant
};

constexpr WORD DISPATCH_METHOD = 1;
constexpr WORD DISPATCH_PROPERTYGET = 2;
constexpr WORD DISPATCH_PROPERTYPUT = 4;

// Late-bound calls: events are delivered to a sink as Invoke calls with their DISPID.
struct IDispatch : IUnknown {
  virtual HRESULT Invoke(DISPID dispId, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                         Variant* result) = 0;

 protected:
  ~IDispatch() = default;
};
