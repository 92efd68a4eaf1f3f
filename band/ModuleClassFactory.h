// What every class factory of the module shares: it is counted, holds a lock on the module while it
// lives (so the library stays loaded while a client holds it), answers IUnknown and IClassFactory,
// and LockServer adds and takes away locks of the client's own. Each class's factory says how it
// makes its object (CreateInstance).
#pragma once
#include <new>

#include "band/ComModule.h"
#include "platform/com/CountedObject.h"
#include "platform/com/Unknown.h"

// The counted part comes first, so that the object its last Release deletes starts where it does.
class ModuleClassFactory : public CountedObject, public IClassFactory {
 public:
  // IUnknown: IClassFactory.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT LockServer(BOOL lock) override;

 protected:
  // A module's object map entry for the factory `Factory`: a new one, handed out through `iid`.
  template <class Factory>
  static HRESULT NewFactory(REFIID iid, void** object) {
    try {
      return MakeCounted<Factory>()->QueryInterface(iid, object);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  ModuleLock lock_;
};
