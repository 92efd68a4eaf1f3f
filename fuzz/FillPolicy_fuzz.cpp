// Whether a saved login may go into a page form: four texts from one input (the page address, the
// form's action, the saved page address and the saved action, separated by 0x1E). Whatever they
// hold, the decision ends, and a fill happens only on an http or https page with a site, of the
// scheme the login was saved on, with an action that names no other site than the page's or the
// saved action's.
#include <array>
#include <string>

#include "events/FillPolicy.h"
#include "fuzz/FuzzSupport.h"
#include "platform/text/WideText.h"

namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

// The text before the first ":" in lower case; empty without one.
std::wstring SchemePart(const std::wstring& address) {
  const size_t colon = address.find(L':');
  return colon == std::wstring::npos ? std::wstring() : Lower(address.substr(0, colon));
}

// The site a "scheme://site/..." address names, as written; empty for any other shape.
std::wstring SitePart(const std::wstring& address) {
  const size_t colon = address.find(L':');
  if (colon == std::wstring::npos || address.compare(colon + 1, 2, L"//") != 0) return {};
  const size_t start = colon + 3;
  return address.substr(start, address.find_first_of(L"/?#", start) - start);
}

// An address as a browser reads it: tabs and line breaks gone, "\\" read as "/", controls and
// spaces at the ends dropped.
std::wstring AsBrowserReadsIt(const std::wstring& address) {
  std::wstring cleaned;
  for (wchar_t c : address)
    if (c != L'\t' && c != L'\n' && c != L'\r') cleaned += c == L'\\' ? L'/' : c;
  while (!cleaned.empty() && static_cast<uint32_t>(cleaned.front()) <= 0x20) cleaned.erase(0, 1);
  while (!cleaned.empty() && static_cast<uint32_t>(cleaned.back()) <= 0x20) cleaned.pop_back();
  return cleaned;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring input = FromUtf8(AsBytes(data, size));
  std::array<std::wstring, 4> parts;
  size_t part = 0;
  for (wchar_t c : input) {
    if (c == L'\x1e' && part < parts.size() - 1) {
      ++part;
      continue;
    }
    parts[part] += c;
  }
  const FormOrigin form{parts[0], parts[1]};
  const FormOrigin saved{parts[2], parts[3]};
  const bool fills = MayFillForm(form, saved);
  FUZZ_CHECK(fills == MayFillForm(form, saved), "the decision changed between two calls");
  if (!fills) return 0;

  const std::wstring scheme = SchemePart(form.page);
  FUZZ_CHECK(scheme == L"http" || scheme == L"https", "filled a page that is not http or https");
  FUZZ_CHECK(IsFillablePage(form.page), "filled a page that may not be filled");
  const std::wstring site = SitePart(form.page);
  FUZZ_CHECK(!site.empty(), "filled a page without a site");
  FUZZ_CHECK(SchemePart(saved.page) == scheme, "filled a login saved on another scheme");
  FUZZ_CHECK(Lower(SitePart(saved.page)) == Lower(site), "filled a login saved on another site");

  // The site the action names, if it names one, is the page's (letter case aside) or in the saved
  // action. A browser drops controls and spaces at the ends and tabs and line breaks anywhere,
  // reads "\\" as "/", and after "//" (or after a scheme other than the page's) skips slashes.
  const std::wstring action = AsBrowserReadsIt(form.action);
  std::wstring rest = action;
  const std::wstring actionScheme = SchemePart(action);
  bool namesSite = action.starts_with(L"//");
  const bool isScheme =
      !actionScheme.empty() && actionScheme[0] >= L'a' && actionScheme[0] <= L'z' &&
      actionScheme.find_first_not_of(L"abcdefghijklmnopqrstuvwxyz0123456789+-.") == std::wstring::npos;
  if (isScheme) {
    FUZZ_CHECK(actionScheme == L"http" || actionScheme == L"https", "filled a form that sends to another scheme");
    rest = action.substr(actionScheme.size() + 1);
    namesSite = actionScheme == L"http" || actionScheme == L"https"
                    ? (actionScheme != scheme || rest.starts_with(L"//"))
                    : false;
  }
  if (namesSite) {
    const size_t start = rest.find_first_not_of(L'/');
    if (start != std::wstring::npos) {
      const std::wstring named = rest.substr(start, rest.find_first_of(L"/?#", start) - start);
      const std::wstring savedAction = Lower(AsBrowserReadsIt(saved.action));
      FUZZ_CHECK(Lower(named) == Lower(site) || savedAction.find(Lower(named)) != std::wstring::npos,
                 "filled a form whose action names another site");
    }
  }
  return 0;
}
