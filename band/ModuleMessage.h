// Message boxes shown in the module's name: the OK box with the exclamation icon and the
// caption "PendrelBand" that every Part of the toolbar uses for its messages.
#pragma once
#include <string_view>

#include "platform/ui/MessageBox.h"

inline constexpr wchar_t kModuleName[] = L"PendrelBand";

// Shows `text` with the module's name as caption and no owner; returns the answer.
int ShowMessage(std::wstring_view text, UINT type = MB_OK | MB_ICONEXCLAMATION);
