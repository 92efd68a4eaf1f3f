#include "platform/inet/AddressScheme.h"

namespace {

// A scheme longer than this is no scheme any browser knows; the scan stops there.
constexpr size_t kMaxSchemeLength = 32;

bool IsControlOrBlank(wchar_t c) { return c <= L' '; }
bool IsTabOrLineBreak(wchar_t c) { return c == L'\t' || c == L'\n' || c == L'\r'; }
bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsSchemeCharacter(wchar_t c) {
  return IsAsciiLetter(c) || (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
}
wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

}  // namespace

std::wstring LeadingScheme(std::wstring_view text, std::wstring_view* rest) {
  if (text.empty() || !IsAsciiLetter(text[0])) return {};
  for (size_t i = 1; i < text.size() && text[i] != L':'; ++i)
    if (!IsSchemeCharacter(text[i])) return {};
  const size_t colon = text.find(L':');
  if (colon == std::wstring_view::npos) return {};
  if (rest) *rest = text.substr(colon + 1);
  std::wstring scheme(text.substr(0, colon));
  for (wchar_t& c : scheme) c = LowerAscii(c);
  return scheme;
}

std::wstring BrowserScheme(std::wstring_view address) {
  while (!address.empty() && IsControlOrBlank(address.front())) address.remove_prefix(1);
  while (!address.empty() && IsControlOrBlank(address.back())) address.remove_suffix(1);
  // The address up to its first ":" without tabs and line breaks, no longer than a scheme can be.
  std::wstring head;
  for (wchar_t c : address) {
    if (IsTabOrLineBreak(c)) continue;
    head += c;
    if (c == L':' || head.size() > kMaxSchemeLength) break;
  }
  return LeadingScheme(head);
}

bool IsScriptAddress(std::wstring_view address) {
  const std::wstring scheme = BrowserScheme(address);
  return scheme == L"javascript" || scheme == L"vbscript" || scheme == L"data";
}
