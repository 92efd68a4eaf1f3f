#include "links/PlausibleAddress.h"

namespace {

bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7f && c <= 0x9f); }

// The marks and embeddings that reorder how a text is shown, without being seen themselves.
bool IsBidiFormatting(wchar_t c) {
  return c == 0x061c || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

std::wstring_view Authority(std::wstring_view address) {
  const size_t colon = address.find(L':');
  if (colon == std::wstring_view::npos || address.substr(colon + 1, 2) != L"//") return {};
  std::wstring_view rest = address.substr(colon + 3);
  return rest.substr(0, rest.find_first_of(L"/?#"));
}

}  // namespace

bool IsPlausibleAddress(std::wstring_view address) {
  if (address.empty() || address.size() > kMaxStoredAddressLength) return false;
  for (wchar_t c : address)
    if (IsControl(c) || IsBidiFormatting(c)) return false;
  return Authority(address).find(L'@') == std::wstring_view::npos;
}
