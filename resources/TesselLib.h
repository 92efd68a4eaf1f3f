// The band library's type library (resource TYPELIB 1): TesselLib 1.0 with the TesselBand class
// and its ITesselBand interface, which has no members.
#pragma once
#include "platform/com/TypeLib.h"

TypeLibDescription TesselTypeLibrary();
