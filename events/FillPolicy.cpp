#include "events/FillPolicy.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/inet/AddressScheme.h"

namespace {

// Where an address leads: its scheme in lower case, its site as written and its path with the
// query (the fragment never leaves the browser).
struct Destination {
  std::wstring scheme, site, path;
};

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::wstring AsciiLower(std::wstring_view text) {
  std::wstring lower(text);
  for (wchar_t& c : lower) c = AsciiLower(c);
  return lower;
}

bool IsWebScheme(std::wstring_view scheme) { return scheme == L"http" || scheme == L"https"; }

// Host names compare without regard to ASCII case, as the browser lowers them; nothing else is
// folded, so two texts that differ in any other way are two sites.
bool SameSite(std::wstring_view a, std::wstring_view b) { return AsciiLower(a) == AsciiLower(b); }

// A reference as the browser reads it before resolving it against an http or https page: C0
// controls and spaces dropped at either end, tabs and line breaks dropped everywhere, a backslash
// read as a slash, and the fragment cut off.
std::wstring Cleaned(std::wstring_view text) {
  auto isEdge = [](wchar_t c) { return static_cast<std::uint32_t>(c) <= 0x20; };
  size_t begin = 0, end = text.size();
  while (begin < end && isEdge(text[begin])) ++begin;
  while (end > begin && isEdge(text[end - 1])) --end;
  std::wstring cleaned;
  cleaned.reserve(end - begin);
  for (size_t i = begin; i < end; ++i) {
    const wchar_t c = text[i];
    if (c == L'#') break;
    if (c == L'\t' || c == L'\n' || c == L'\r') continue;
    cleaned += c == L'\\' ? L'/' : c;
  }
  return cleaned;
}

// The destination of `afterScheme` (what follows "http:" or "https:" in an address that names
// its site): the browser skips every slash before the site, which ends at "/", "?" or "#".
std::optional<Destination> WithSite(const std::wstring& scheme, std::wstring_view afterScheme) {
  size_t start = afterScheme.find_first_not_of(L'/');
  if (start == std::wstring_view::npos) return std::nullopt;
  const size_t end = afterScheme.find_first_of(L"/?#", start);
  Destination destination{scheme, std::wstring(afterScheme.substr(start, end - start)), L"/"};
  if (destination.site.empty()) return std::nullopt;
  if (end != std::wstring_view::npos) {
    std::wstring_view path = afterScheme.substr(end);
    path = path.substr(0, path.find(L'#'));
    destination.path = path.starts_with(L'/') ? std::wstring(path) : L"/" + std::wstring(path);
  }
  return destination;
}

// A page address as the browser reports it: "http://" or "https://", a site that is not empty,
// then the path. Nothing for anything else.
std::optional<Destination> PageDestination(const std::wstring& address) {
  std::wstring_view rest;
  const std::wstring scheme = LeadingScheme(address, &rest);
  if (!IsWebScheme(scheme) || !rest.starts_with(L"//")) return std::nullopt;
  const size_t end = rest.find_first_of(L"/?#", 2);
  if (end == 2) return std::nullopt;
  return WithSite(scheme, rest);
}

// Where a form with the action `reference` on the page `base` sends what it holds; nothing when it
// sends it to no http or https address, or when that cannot be read with certainty.
std::optional<Destination> Resolve(const Destination& base, std::wstring_view reference) {
  std::wstring text = Cleaned(reference);
  std::wstring_view relative = text;
  std::wstring_view rest;
  const std::wstring scheme = LeadingScheme(text, &rest);
  if (!scheme.empty()) {
    if (!IsWebScheme(scheme)) return std::nullopt;
    // "http:x" on an http page is a path relative to it; on any other page "x" is the site.
    if (scheme != base.scheme || rest.starts_with(L"//")) return WithSite(scheme, rest);
    relative = rest;
  }
  if (relative.starts_with(L"//")) return WithSite(base.scheme, relative);
  Destination destination = base;
  if (relative.empty()) return destination;
  if (relative.starts_with(L'/')) {
    destination.path = relative;
    return destination;
  }
  const std::wstring_view basePath = std::wstring_view(base.path).substr(0, base.path.find(L'?'));
  if (relative.starts_with(L'?')) {
    destination.path = std::wstring(basePath) + std::wstring(relative);
    return destination;
  }
  destination.path = std::wstring(basePath.substr(0, basePath.rfind(L'/') + 1)) + std::wstring(relative);
  return destination;
}

bool SameAddress(const Destination& a, const Destination& b) {
  return a.scheme == b.scheme && SameSite(a.site, b.site) && a.path == b.path;
}

}  // namespace

bool IsFillablePage(const std::wstring& pageAddress) { return PageDestination(pageAddress).has_value(); }

bool MayFillForm(const FormOrigin& form, const FormOrigin& saved) {
  const auto page = PageDestination(form.page);
  if (!page) return false;
  const auto savedPage = PageDestination(saved.page);
  if (!savedPage || savedPage->scheme != page->scheme || !SameSite(savedPage->site, page->site)) return false;
  const auto action = Resolve(*page, form.action);
  if (!action) return false;
  if (action->scheme == page->scheme && SameSite(action->site, page->site)) return true;
  const auto savedAction = Resolve(*savedPage, saved.action);
  return savedAction && SameAddress(*action, *savedAction);
}
