#include "resources/TesselLib.h"

#include "band/BandIds.h"

TypeLibDescription TesselTypeLibrary() {
  return {
      .libid = LIBID_TesselLib,
      .majorVersion = 1,
      .minorVersion = 0,
      .name = L"TesselLib",
      .helpString = L"tessel 1.0 Type Library",
      .coClasses = {{CLSID_TesselBand, L"TesselBand", L"TesselBand Class"}},
      .interfaces = {{IID_ITesselBand, L"ITesselBand", L"ItesselBand Interface"}},
  };
}
