#include "platform/inet/ParseUrl.h"

#include <cwctype>
#include <string_view>

#include "platform/text/WideText.h"

namespace {

struct KnownService {
  std::wstring_view scheme;
  InternetService service;
  INTERNET_PORT port;
};

constexpr KnownService kServices[] = {
    {L"http", InternetService::Http, 80},   {L"https", InternetService::Https, 443},
    {L"ftp", InternetService::Ftp, 21},     {L"gopher", InternetService::Gopher, 70},
    {L"file", InternetService::File, 0},
};

bool IsSchemeChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'+' ||
         c == L'-' || c == L'.';
}

bool ParsePort(std::wstring_view digits, INTERNET_PORT& port) {
  if (digits.empty() || digits.size() > 5) return false;
  unsigned value = 0;
  for (wchar_t c : digits) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  if (value == 0 || value > 65535) return false;
  port = static_cast<INTERNET_PORT>(value);
  return true;
}

}  // namespace

bool AfxParseURL(const std::wstring& url, InternetService& service, std::wstring& server, std::wstring& object,
                 INTERNET_PORT& port) {
  for (wchar_t c : url)
    if (c < 0x20 || c == 0x7f) return false;

  size_t colon = url.find(L':');
  if (colon == std::wstring::npos || colon == 0) return false;
  std::wstring_view scheme(url.data(), colon);
  if (!std::iswalpha(static_cast<wint_t>(scheme[0]))) return false;
  for (wchar_t c : scheme)
    if (!IsSchemeChar(c)) return false;
  const KnownService* known = nullptr;
  for (const auto& candidate : kServices)
    if (EqualsNoCase(candidate.scheme, scheme)) known = &candidate;
  if (!known) return false;
  if (url.compare(colon + 1, 2, L"//") != 0) return false;

  size_t authorityStart = colon + 3;
  size_t authorityEnd = url.find_first_of(L"/?#", authorityStart);
  if (authorityEnd == std::wstring::npos) authorityEnd = url.size();
  std::wstring_view authority(url.data() + authorityStart, authorityEnd - authorityStart);
  if (size_t at = authority.rfind(L'@'); at != std::wstring_view::npos) authority.remove_prefix(at + 1);

  std::wstring_view host = authority;
  INTERNET_PORT parsedPort = known->port;
  size_t portColon = std::wstring_view::npos;
  if (!authority.empty() && authority.front() == L'[') {
    size_t close = authority.find(L']');
    if (close == std::wstring_view::npos) return false;
    host = authority.substr(0, close + 1);
    if (close + 1 < authority.size()) {
      if (authority[close + 1] != L':') return false;
      portColon = close + 1;
    }
  } else if (size_t c = authority.find(L':'); c != std::wstring_view::npos) {
    host = authority.substr(0, c);
    portColon = c;
  }
  if (portColon != std::wstring_view::npos) {
    std::wstring_view digits = authority.substr(portColon + 1);
    if (!digits.empty() && !ParsePort(digits, parsedPort)) return false;
  }
  if (host.empty() && known->service != InternetService::File) return false;

  std::wstring path = url.substr(authorityEnd);
  if (path.empty() || path.front() != L'/') path.insert(0, L"/");

  service = known->service;
  server.assign(host);
  object = std::move(path);
  port = parsedPort;
  return true;
}
