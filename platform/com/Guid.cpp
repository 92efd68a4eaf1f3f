#include "platform/com/Guid.h"

#include <cstdio>
#include <cstdlib>
#include <cwctype>

namespace {

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits at `pos`; false when any is not a digit.
bool ReadHex(std::wstring_view text, size_t pos, size_t digits, std::uint32_t& out) {
  out = 0;
  for (size_t i = 0; i < digits; ++i) {
    int v = HexValue(text[pos + i]);
    if (v < 0) return false;
    out = (out << 4) | static_cast<std::uint32_t>(v);
  }
  return true;
}

}  // namespace

std::optional<GUID> GuidFromString(std::wstring_view text) {
  if (text.size() == 38 && text.front() == L'{' && text.back() == L'}') text = text.substr(1, 36);
  if (text.size() != 36) return std::nullopt;
  if (text[8] != L'-' || text[13] != L'-' || text[18] != L'-' || text[23] != L'-') return std::nullopt;
  GUID g;
  std::uint32_t v = 0;
  if (!ReadHex(text, 0, 8, v)) return std::nullopt;
  g.Data1 = v;
  if (!ReadHex(text, 9, 4, v)) return std::nullopt;
  g.Data2 = static_cast<WORD>(v);
  if (!ReadHex(text, 14, 4, v)) return std::nullopt;
  g.Data3 = static_cast<WORD>(v);
  const size_t bytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (size_t i = 0; i < 8; ++i) {
    if (!ReadHex(text, bytePos[i], 2, v)) return std::nullopt;
    g.Data4[i] = static_cast<BYTE>(v);
  }
  return g;
}

std::wstring GuidToString(const GUID& g) {
  wchar_t buf[40];
  std::swprintf(buf, 40, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1,
                static_cast<unsigned>(g.Data2), static_cast<unsigned>(g.Data3), g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buf;
}

GUID MakeGuid(std::wstring_view text) {
  auto g = GuidFromString(text);
  if (!g) {
    std::fputs("malformed GUID constant\n", stderr);
    std::abort();
  }
  return *g;
}
