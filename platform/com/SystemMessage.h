// The system's message texts for result codes, as FormatMessage gives them.
#pragma once
#include <optional>
#include <string>

#include "platform/com/HResult.h"

// The system's own text for `code`, without a final line end; none when the system has no text.
std::optional<std::wstring> FormatMessageText(HRESULT code);

// The text a component error shows: the system's text, else "IDispatch error #N" for the range
// 0x80040201..0x8004FFFF (N = code - 0x80040200), else "Unknown error 0x%0lX".
std::wstring ErrorMessageText(HRESULT code);
