#include "band/ModuleMessage.h"

int ShowMessage(std::wstring_view text, UINT type) { return MessageBoxW(nullptr, text, kModuleName, type); }
