// The library's face to the platform: the object map, the application object, and the four
// entry points every in-process component server exports with C linkage.
#include "band/DllEntryPoints.h"

#include <type_traits>

#include "band/BandIds.h"
#include "band/CBandClassFactory.h"
#include "band/CTesselApp.h"
#include "links/CBookmarkExchange.h"
#include "platform/com/ComRuntime.h"
#include "platform/registry/RegistryKey.h"
#include "resources/ResourceIds.h"

namespace {

const ObjectMapEntry kObjectMap[] = {
    {&CLSID_TesselBand, IDR_TESSELBAND, &CBandClassFactory::GetClassObject},
    // Served to the hosts from the band's library, not registered on its own.
    {&CLSID_BookmarkExchange, kNotRegistered, &CBookmarkExchangeFactory::GetClassObject},
};

// Started when the library is loaded, ended when it is unloaded.
CTesselApp theApp(kObjectMap);

constexpr wchar_t kToolbarKey[] = L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";

}  // namespace

HRESULT DllCanUnloadNow() { return TheModule().GetLockCount() == 0 ? S_OK : S_FALSE; }

HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return TheModule().GetClassObject(clsid, iid, object);
}

HRESULT DllRegisterServer() {
  try {
    return TheModule().RegisterServer(ComModule::TypeLib::Register);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT DllUnregisterServer() {
  // The toolbar value first; whatever happens to it is not reported.
  try {
    RegistryKey toolbars;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kToolbarKey, 0, KEY_ALL_ACCESS, toolbars.Out()) == ERROR_SUCCESS)
      RegDeleteValueW(toolbars.get(), GuidToString(CLSID_TesselBand));
  } catch (...) {
  }
  try {
    return TheModule().UnregisterServer(ComModule::TypeLib::Register);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// The exports keep the platform's signatures.
static_assert(std::is_same_v<decltype(&DllCanUnloadNow), DllCanUnloadNowFunction>);
static_assert(std::is_same_v<decltype(&DllGetClassObject), DllGetClassObjectFunction>);
static_assert(std::is_same_v<decltype(&DllRegisterServer), DllRegisterServerFunction>);
static_assert(std::is_same_v<decltype(&DllUnregisterServer), DllUnregisterServerFunction>);
