// The internet client: a session, its HTTP connections and their requests, over libcurl.
//
// A session keeps the live connections of its requests, so a second request to the same server
// reuses one where the server allows it. Requests go out with the environment's proxy settings
// (http_proxy, no_proxy), are always answered by the server itself (this client keeps no cache)
// and never follow a redirect on their own: the caller sees the redirect's status and head.
//
// Every operation raises CInternetException on failure. A request must end before its
// connection, and a connection before its session.
#pragma once
#include <chrono>
#include <memory>
#include <stop_token>
#include <string>

#include "platform/com/WinTypes.h"
#include "platform/inet/InternetException.h"
#include "platform/inet/ParseUrl.h"

struct InternetTimeouts {
  std::chrono::milliseconds connect{std::chrono::seconds(60)};  // resolving and connecting
  // A transfer that receives nothing for this long while the caller waits on it fails.
  std::chrono::milliseconds stall{std::chrono::seconds(30)};
  // A request whose answer (head, and as much of the body as the caller reads) has not come this
  // long after it was sent fails, however steadily a slow server keeps sending.
  std::chrono::milliseconds whole{std::chrono::seconds(60)};
};

class CHttpConnection;
class CHttpFile;

class CInternetSession {
 public:
  // `agent`: the User-Agent of every request that carries none of its own. Once `stop` is
  // requested, a transfer of this session that is in progress fails within a moment with a
  // CInternetException, and so does every later one.
  explicit CInternetSession(std::wstring agent, std::stop_token stop = {}, InternetTimeouts timeouts = {});
  ~CInternetSession();
  CInternetSession(const CInternetSession&) = delete;
  CInternetSession& operator=(const CInternetSession&) = delete;

  // A connection to `server` (a name or address; an IPv6 address in brackets) and `port`. Nothing
  // goes out until a request is sent.
  std::unique_ptr<CHttpConnection> GetHttpConnection(const std::wstring& server, INTERNET_PORT port);

  struct Core;

 private:
  std::unique_ptr<Core> core_;
};

class CHttpConnection {
 public:
  CHttpConnection(CInternetSession::Core& session, std::wstring server, INTERNET_PORT port);
  CHttpConnection(const CHttpConnection&) = delete;
  CHttpConnection& operator=(const CHttpConnection&) = delete;

  // A GET request for `object` (the path and query, starting with "/"). Blanks and bytes beyond
  // ASCII in it are sent percent-encoded.
  std::unique_ptr<CHttpFile> OpenRequest(const std::wstring& object);

 private:
  CInternetSession::Core& session_;
  std::wstring server_;
  INTERNET_PORT port_;
};

class CHttpFile {
 public:
  CHttpFile(CInternetSession::Core& session, std::string url);
  // Ends the transfer where it stands; what the server sends after it is not read.
  ~CHttpFile();
  CHttpFile(const CHttpFile&) = delete;
  CHttpFile& operator=(const CHttpFile&) = delete;

  // Adds each "Name: value" line of `headers` (lines end in CR LF) for which the request has no
  // header of that name yet (names compare without regard to case). Before SendRequest only.
  void AddRequestHeaders(const std::wstring& headers);
  // Sends the request and waits for the head of the final response (interim 1xx answers are
  // passed over). A head larger than 64 KiB fails.
  void SendRequest();
  // The status code of the response (after SendRequest).
  DWORD QueryInfoStatusCode() const;
  // The head of the response: the status line and every header line, each ending in CR LF, and
  // the empty line that ends the head.
  std::wstring QueryInfoRawHeadersCrLf() const;
  // The next line of the body as the server sent its bytes, without its line feed, in `line`;
  // a line longer than `maxBytes` (at least 1) comes in pieces of `maxBytes`. False at the end of
  // the body. The body is received only as it is read, so a body nobody reads costs nothing.
  bool ReadString(std::string& line, size_t maxBytes);

  struct Transfer;

 private:
  std::unique_ptr<Transfer> transfer_;
};
