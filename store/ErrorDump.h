// The one-line description of a failed component call:
// "Error Code = %08lx Error Message = %s Error Source = %s Error Description = %s ",
// each part ending in one blank; a missing source or description reads "(null)".
#pragma once
#include <string>

#include "platform/com/ComError.h"

std::wstring DumpComError(const ComError& error);
