#include "band/CBandClassFactory.h"

#include "band/CTesselBand.h"
#include "platform/com/Aggregation.h"
#include "platform/com/ComError.h"
#include "store/CCustomException.h"

HRESULT CBandClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  // Nothing may escape to the caller, which is the browser, not this library.
  try {
    CComPtr<IUnknown> made;
    if (outer)
      made = CComPtr<IUnknown>(MakeCounted<AggregatedObject<CTesselBand>>(outer).get());
    else
      made = CComPtr<IUnknown>(static_cast<IObjectWithSite*>(MakeCounted<CTesselBand>().get()));
    return made->QueryInterface(iid, object);
  } catch (const CCustomException&) {
    return E_OUTOFMEMORY;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const ComError& e) {
    return e.Error();
  } catch (...) {
    return E_UNEXPECTED;
  }
}
