#include "links/CLinkChecker.h"

#include "platform/text/Format.h"
#include "platform/text/WideText.h"
#include "store/CCustomException.h"

namespace {

constexpr DWORD HTTP_STATUS_OK = 200;
constexpr DWORD HTTP_STATUS_MOVED = 301;
constexpr DWORD HTTP_STATUS_REDIRECT = 302;
constexpr DWORD HTTP_STATUS_REDIRECT_METHOD = 303;
constexpr DWORD HTTP_STATUS_DENIED = 401;

bool EndsRefreshUrl(wchar_t c) { return c == L'>' || c == L'"' || c <= L' ' || c == 0x7f; }

}  // namespace

CLinkChecker::CLinkChecker(std::stop_token stop, InternetTimeouts timeouts)
    : stop_(std::move(stop)), timeouts_(timeouts) {}

CLinkChecker::~CLinkChecker() {
  request_.reset();
  connection_.reset();
  session_.reset();
}

bool CLinkChecker::CheckLink(const std::wstring& address, std::wstring& newAddress) {
  newAddress = address;
  lastFailure_.clear();
  try {
    Check(address, newAddress);
    return true;
  } catch (const CInternetException& e) {
    lastFailure_ = e.GetErrorMessage();
  } catch (const CCustomException& e) {
    lastFailure_ = e.GetMessage();
  }
  return false;
}

void CLinkChecker::Check(const std::wstring& address, std::wstring& newAddress) {
  CloseRequest();  // a request ends before the session it belongs to
  session_ = std::make_unique<CInternetSession>(kAgentName, stop_, timeouts_);

  InternetService service = InternetService::Unknown;
  std::wstring server, object;
  INTERNET_PORT port = 0;
  if (!AfxParseURL(address, service, server, object, port) || service != InternetService::Http)
    throw CCustomException(L"Error: can only use URLs beginning with http://");

  DWORD status = SendGet(server, port, object);
  // A page that asks for a password is alive; its body is not wanted.
  if (status == HTTP_STATUS_DENIED) return;

  if (status == HTTP_STATUS_MOVED || status == HTTP_STATUS_REDIRECT || status == HTTP_STATUS_REDIRECT_METHOD) {
    std::wstring location;
    if (!FindLocation(request_->QueryInfoRawHeadersCrLf(), location))
      throw CCustomException(L"Error: Site redirects with no new location");
    if (!location.empty()) newAddress = location;
    CloseRequest();

    if (!AfxParseURL(newAddress, service, server, object, port))
      throw CCustomException(L"Error: the redirected URL could not be parsed.");
    if (service != InternetService::Http)
      throw CCustomException(L"Error: the redirected URL does not reference a HTTP resource.");
    status = SendGet(server, port, object);
    // Only one redirect is followed: a second one ends here too.
    if (status != HTTP_STATUS_OK) throw CCustomException(Format(L"Error: Got status code %i", status));
  }

  // A dead page (404, 500, …) still answered: the checker does not judge it.
  if (status != HTTP_STATUS_OK) return;
  FindMetaRefresh(ReadBody(), newAddress);
}

DWORD CLinkChecker::SendGet(const std::wstring& server, INTERNET_PORT port, const std::wstring& object) {
  connection_ = session_->GetHttpConnection(server, port);
  request_ = connection_->OpenRequest(object);
  request_->AddRequestHeaders(kRequestHeaders);
  request_->SendRequest();
  return request_->QueryInfoStatusCode();
}

void CLinkChecker::CloseRequest() {
  request_.reset();
  connection_.reset();
}

std::wstring CLinkChecker::ReadBody() {
  // The lines are joined as read, with nothing between them; decoding the joined bytes once
  // gives the same text as decoding line by line, and keeps a character whole when a long line
  // arrives in pieces.
  std::string body, line;
  while (body.size() < kMaxBodyBytes && request_->ReadString(line, kMaxBodyBytes - body.size())) body += line;
  return FromUtf8(body);
}

bool CLinkChecker::FindLocation(const std::wstring& head, std::wstring& location) {
  static constexpr std::wstring_view kLocation = L"Location: ";
  for (size_t start = 0; start < head.size();) {
    size_t end = head.find(L"\r\n", start);
    if (end == std::wstring::npos) end = head.size();
    if (head.compare(start, kLocation.size(), kLocation) == 0) {
      location = head.substr(start + kLocation.size(), end - start - kLocation.size());
      return true;
    }
    start = end + 2;
  }
  return false;
}

bool CLinkChecker::FindMetaRefresh(const std::wstring& body, std::wstring& newAddress) {
  static constexpr std::wstring_view kMeta = L"<meta http-equiv=";
  // Lower-casing maps each character to one character, so positions in the copy are positions
  // in the body.
  size_t start = ToLower(body).find(kMeta);
  if (start == std::wstring::npos) return false;
  size_t close = body.find(L'>', start);
  if (close == std::wstring::npos) return false;
  std::wstring tag = body.substr(start, close - start + 1);
  size_t url = ToLower(tag).find(L"url=");
  if (url == std::wstring::npos) return false;
  return ExtractRefreshUrl(tag.substr(url), newAddress);
}

bool CLinkChecker::ExtractRefreshUrl(const std::wstring& rest, std::wstring& newAddress) {
  size_t start = ToLower(rest).find(L"http://");
  if (start == std::wstring::npos) return false;
  size_t end = start;
  while (end < rest.size() && !EndsRefreshUrl(rest[end])) ++end;
  newAddress = rest.substr(start, end - start);
  return true;
}
