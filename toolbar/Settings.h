// The per-user settings: string values under HKEY_CURRENT_USER\Software\Vellorin\Pendrel\User.
#pragma once
#include <string>

#include "platform/registry/Registry.h"

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Vellorin\\Pendrel\\User";
inline constexpr wchar_t kCurDirValue[] = L"CurDir";
inline constexpr wchar_t kHistoryValue[] = L"History";
inline constexpr wchar_t kSearchConditionValue[] = L"SearchCondition";

// Reads a string value through a buffer of 256 bytes (127 characters and the NUL). A missing key
// or value, a longer text or a value that is not a string raises CCustomException
// "Failed to read registry entry <key path>".
std::wstring ReadRegistryString(HKEY root, const std::wstring& keyPath, const std::wstring& valueName);

// Writes a string value, creating the key when it is missing. 1 on success, 0 on failure.
int WriteRegistryString(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                        const std::wstring& text);
