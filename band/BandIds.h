// The identifiers of the band's component class and its type library, fixed for the life of the
// product.
#pragma once
#include "platform/com/Guid.h"

extern const CLSID CLSID_TesselBand;  // {669695BC-A811-4A9D-8CDF-BA8C795F261D}
extern const GUID LIBID_TesselLib;    // {3277CD27-4001-4EF8-9D96-C6CA745AC2F9}, version 1.0
extern const IID IID_ITesselBand;     // {38493F7F-2922-4C6C-9A9A-8DA2C940D0EE}; the band does not answer to it
