// The band a host window docks. Until bands come from the registry through their class factory,
// the host makes it here, directly: the one place where the host names the band's class.
#pragma once
#include "band/CTesselBand.h"
#include "platform/com/ComPtr.h"

// Raises CCustomException when the band cannot be made (its settings cannot be read).
CComPtr<CTesselBand> CreateBand();
