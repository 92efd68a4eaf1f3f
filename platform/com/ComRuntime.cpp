#include "platform/com/ComRuntime.h"

HRESULT CoInitialize(void*) { return S_OK; }

void CoUninitialize() {}
