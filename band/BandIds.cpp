#include "band/BandIds.h"

#include "published/BookmarkExchange.h"

const CLSID CLSID_TesselBand = CLSID_PendrelBand;  // published to the hosts
const GUID LIBID_TesselLib = MakeGuid(L"3277CD27-4001-4EF8-9D96-C6CA745AC2F9");
const IID IID_ITesselBand = MakeGuid(L"38493F7F-2922-4C6C-9A9A-8DA2C940D0EE");
