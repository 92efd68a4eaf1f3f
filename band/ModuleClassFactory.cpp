#include "band/ModuleClassFactory.h"

HRESULT ModuleClassFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
  *object = CComPtr<IClassFactory>(this).Detach();
  return S_OK;
}

HRESULT ModuleClassFactory::LockServer(BOOL lock) { return TheModule().LockServer(lock != FALSE); }
