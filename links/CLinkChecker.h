// Asks a web server whether a bookmarked address still answers and whether its page has moved:
// one GET, at most one redirect followed, and a look into the page for a refresh tag that names
// a new site. One object serves one check and runs on the repair job's worker thread; reference
// counted (hold it through CComPtr, see MakeCounted).
#pragma once
#include <memory>
#include <stop_token>
#include <string>

#include "platform/com/CountedObject.h"
#include "platform/inet/InternetSession.h"

class CLinkChecker : public CountedObject {
 public:
  // The name under which the check's internet session identifies itself.
  static constexpr wchar_t kAgentName[] = L"Microsoft Internet Browser";
  // Added to every request, each header only where the request carries none of that name.
  static constexpr wchar_t kRequestHeaders[] = L"Accept: text/*\r\nUser-Agent: Lantrel Crawler\r\n";
  // The most of a page's body read for the refresh search; a longer body is searched in its
  // first part only, so an endless body costs bounded memory and time.
  static constexpr size_t kMaxBodyBytes = size_t{4} << 20;

  // Once `stop` is requested, a check in progress ends within a moment as a failure, so a
  // worker that is told to stop never waits on a slow server. `timeouts` bound each request of
  // the check, so a server that never answers, or answers a byte at a time, fails the check.
  explicit CLinkChecker(std::stop_token stop = {}, InternetTimeouts timeouts = {});
  // Closes the request, the connection and the session, in that order.
  ~CLinkChecker() override;

  // Checks `address`. True for success: the server answered (a dead page counts; a page that
  // asks for a password too), and `newAddress` holds the address the bookmark should have, the
  // checked one when no move was found. False for any failure: `newAddress` is then of no use
  // and LastFailure() says what failed. Never raises.
  bool CheckLink(const std::wstring& address, std::wstring& newAddress);
  // What ended the last failed check: one of the checker's own texts or the internet client's
  // message. Empty after a success.
  const std::wstring& LastFailure() const { return lastFailure_; }

  // The Location header's value in a raw response head (lines ending in CR LF). The name is
  // matched where a header line starts, so another header that merely ends in "Location: "
  // (Content-Location) never counts.
  static bool FindLocation(const std::wstring& head, std::wstring& location);
  // The refresh search on a page's text: when the page's first "<meta http-equiv=" tag (in any
  // case) names an "http://" address after "url=", that address, as the page spells it, goes to
  // `newAddress` and the result is true; otherwise nothing changes.
  static bool FindMetaRefresh(const std::wstring& body, std::wstring& newAddress);
  // The address in `rest`, the tag from its "url=" on: from "http://" (in any case) up to the
  // first ">", double quote, blank or other white space or control character.
  static bool ExtractRefreshUrl(const std::wstring& rest, std::wstring& newAddress);

 private:
  void Check(const std::wstring& address, std::wstring& newAddress);
  DWORD SendGet(const std::wstring& server, INTERNET_PORT port, const std::wstring& object);
  std::wstring ReadBody();
  void CloseRequest();

  std::stop_token stop_;
  InternetTimeouts timeouts_;
  std::wstring lastFailure_;
  // Declared so that destruction ends the request, then the connection, then the session.
  std::unique_ptr<CInternetSession> session_;
  std::unique_ptr<CHttpConnection> connection_;
  std::unique_ptr<CHttpFile> request_;
};
