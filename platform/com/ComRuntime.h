// The component runtime of a thread, and the entry points of an in-process component server.
//
// There is no global runtime: a component is made by loading its library and asking its class
// factory. CoInitialize and CoUninitialize are kept so that code entering the runtime reads as
// it does on the platform; they do nothing.
#pragma once
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// The functions an in-process server library exports with C linkage, under these names.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();
using DllUnregisterServerFunction = HRESULT (*)();
