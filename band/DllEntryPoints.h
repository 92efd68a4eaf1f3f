// The entry points of the band library, exported with C linkage under the platform's names and
// signatures (see ComRuntime.h). They never raise: every failure is a result code.
#pragma once
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

#define PENDREL_EXPORT extern "C" __attribute__((visibility("default")))

// S_OK when no band, class factory or server lock of a client is alive (the module's lock
// count is 0), else S_FALSE.
PENDREL_EXPORT HRESULT DllCanUnloadNow();
// The class factory of the band class through `iid`; CLASS_E_CLASSNOTAVAILABLE for any other
// class id.
PENDREL_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object);
// Applies the registry script (the class, its program ids and the browser's toolbar value) with
// MODULE set to this library's full path, and registers the type library.
PENDREL_EXPORT HRESULT DllRegisterServer();
// Deletes the toolbar value (a missing value or key is passed over and not reported), then
// applies the registry script in removal mode and unregisters the type library; returns the
// result of that.
PENDREL_EXPORT HRESULT DllUnregisterServer();
