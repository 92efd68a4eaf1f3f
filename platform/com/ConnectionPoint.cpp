#include "platform/com/ConnectionPoint.h"

const IID IID_IConnectionPointContainer = MakeGuid(L"B196B284-BAB4-101A-B69C-00AA00341D07");
const IID IID_IConnectionPoint = MakeGuid(L"B196B286-BAB4-101A-B69C-00AA00341D07");
