// The class factory of the desk band: makes band objects for the browser, alone or inside an
// aggregating outer object. Counting, the module lock and LockServer are every factory's
// (ModuleClassFactory).
#pragma once
#include "band/ModuleClassFactory.h"

class CBandClassFactory final : public ModuleClassFactory {
 public:
  // The module's object map entry: a new factory, handed out through `iid`.
  static HRESULT GetClassObject(REFIID iid, void** object) { return NewFactory<CBandClassFactory>(iid, object); }

  // A new band, handed out through `iid`. With an outer object only IID_IUnknown can be asked
  // for (the band's own IUnknown, which the outer object keeps), else CLASS_E_NOAGGREGATION. A
  // band whose construction raises CCustomException (its settings cannot be read) is not made:
  // E_OUTOFMEMORY, and nothing is shown. A band that does not offer `iid` is let go again:
  // E_NOINTERFACE.
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
};
