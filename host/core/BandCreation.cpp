#include "host/core/BandCreation.h"

CComPtr<CTesselBand> CreateBand() { return MakeCounted<CTesselBand>(); }
