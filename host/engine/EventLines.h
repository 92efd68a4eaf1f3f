// Browser events as lines of text, the form in which the engine's tools and tests show what a
// toolbar hears: "BeforeNavigate2 ADDRESS", "ProgressChange N MAX", "CommandStateChange 2 true".
#pragma once
#include <functional>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/Unknown.h"

// The line for event `dispId` with `params` (as a sink receives them); events the browser does
// not send give the DISPID as a number.
std::wstring DescribeEvent(DISPID dispId, const DISPPARAMS* params);

// A DWebBrowserEvents2 sink that hands each event to `onLine` as its line.
CComPtr<IDispatch> MakeEventLineSink(std::function<void(const std::wstring&)> onLine);
