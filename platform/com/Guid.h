// Globally unique identifiers and their registry text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once
#include <array>
#include <compare>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/WinTypes.h"

struct GUID {
  DWORD Data1 = 0;
  WORD Data2 = 0;
  WORD Data3 = 0;
  std::array<BYTE, 8> Data4{};

  friend bool operator==(const GUID&, const GUID&) = default;
  friend auto operator<=>(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr GUID GUID_NULL{};

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", with or without braces, in either case.
std::optional<GUID> GuidFromString(std::wstring_view text);

// The registry text form: braces and upper-case hexadecimal.
std::wstring GuidToString(const GUID& guid);

// For constants: a malformed literal is a programming error and ends the program at start-up.
GUID MakeGuid(std::wstring_view text);
