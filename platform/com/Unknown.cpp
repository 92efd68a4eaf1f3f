#include "platform/com/Unknown.h"

const IID IID_IUnknown = MakeGuid(L"00000000-0000-0000-C000-000000000046");
const IID IID_IClassFactory = MakeGuid(L"00000001-0000-0000-C000-000000000046");
const IID IID_IDispatch = MakeGuid(L"00020400-0000-0000-C000-000000000046");
