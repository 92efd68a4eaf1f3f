#include "band/CTesselApp.h"

#include <stdexcept>

#include "band/BandIds.h"
#include "band/BandModule.h"
#include "band/ModuleMessage.h"
#include "platform/com/ComRuntime.h"

CTesselApp::CTesselApp(std::span<const ObjectMapEntry> objectMap) : objectMap_(objectMap) { InitInstance(); }

CTesselApp::~CTesselApp() { ExitInstance(); }

bool CTesselApp::InitInstance() {
  try {
    TheModule().Init(objectMap_, BandInstance(), &LIBID_TesselLib);
    if (FAILED(CoInitialize(nullptr))) throw std::runtime_error("CoInitialize");
    return true;
  } catch (...) {
    TheModule().Term();
    ShowMessage(L"InitInstance failed");
    return false;
  }
}

void CTesselApp::ExitInstance() {
  TheModule().Term();
  CoUninitialize();
}
