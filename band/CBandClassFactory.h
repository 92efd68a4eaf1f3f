// The class factory of the desk band: makes band objects for the browser, alone or inside an
// aggregating outer object.
//
// A factory holds a lock on the module while it lives, so the library stays loaded while anyone
// holds one; LockServer adds and takes away locks of the client's own.
#pragma once
#include "band/ComModule.h"
#include "platform/com/CountedObject.h"
#include "platform/com/Unknown.h"

class CBandClassFactory final : public IClassFactory, public CountedObject {
 public:
  // The module's object map entry: a new factory, handed out through `iid`.
  static HRESULT GetClassObject(REFIID iid, void** object);

  // IUnknown: IClassFactory.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }

  // A new band, handed out through `iid`. With an outer object only IID_IUnknown can be asked
  // for (the band's own IUnknown, which the outer object keeps), else CLASS_E_NOAGGREGATION. A
  // band whose construction raises CCustomException (its settings cannot be read) is not made:
  // E_OUTOFMEMORY, and nothing is shown. A band that does not offer `iid` is let go again:
  // E_NOINTERFACE.
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT LockServer(BOOL lock) override;

 private:
  ModuleLock lock_;
};
