#include "platform/inet/InternetSession.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/inet/CurlHandles.h"
#include "platform/inet/ResponseHead.h"
#include "platform/text/WideText.h"

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

using namespace std::chrono_literals;

// Body bytes received ahead of the reader; beyond this the transfer waits for the reader.
constexpr size_t kReadAheadBytes = size_t{64} << 10;
// The longest wait for the network before the loop looks at the stop request again; a stop
// request also wakes the wait at once.
constexpr int kPollMilliseconds = 1000;

const wchar_t kCancelled[] = L"The operation was canceled";
const wchar_t kTimedOut[] = L"The operation timed out";

// Blanks, control characters and bytes beyond ASCII percent-encoded: libcurl refuses an address
// with a blank, and a line end must never reach the request line.
std::string EscapeObject(std::string_view object) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(object.size());
  for (unsigned char c : object) {
    if (c <= 0x20 || c >= 0x7f) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xf];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string HeaderName(std::string_view line) {
  size_t colon = line.find(':');
  std::string_view name = line.substr(0, colon == std::string_view::npos ? line.size() : colon);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  return std::string(name);
}

}  // namespace

struct CInternetSession::Core {
  CurlMulti multi;
  std::string agent;
  std::stop_token stop;
  InternetTimeouts timeouts;
};

struct CHttpFile::Transfer {
  CInternetSession::Core& session;
  std::string url;
  std::vector<std::string> headerLines;
  CurlHeaderList headerList;  // declared before the handle that points at it
  CurlEasy easy;
  bool inMulti = false;
  char errorText[CURL_ERROR_SIZE] = {};

  ResponseHead head;

  std::string body;       // received and not yet read: body[bodyRead..]
  size_t bodyRead = 0;
  unsigned long long received = 0;
  bool paused = false;    // libcurl holds back the body until the reader catches up

  bool done = false;
  CURLcode result = CURLE_OK;
  std::chrono::steady_clock::time_point sent;
  std::chrono::steady_clock::time_point lastArrival;

  Transfer(CInternetSession::Core& core, std::string address) : session(core), url(std::move(address)) {}
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;
  ~Transfer() {
    if (inMulti) curl_multi_remove_handle(session.multi.get(), easy.get());
  }

  std::wstring FailureText() const {
    if (result == CURLE_ABORTED_BY_CALLBACK || session.stop.stop_requested()) return kCancelled;
    if (head.TooLarge()) return L"The server's response head is too large";
    if (errorText[0]) return FromUtf8(errorText);
    return FromUtf8(curl_easy_strerror(result));
  }

  // Runs the transfer until `satisfied` holds or it ends. Raises when a stop is requested, when
  // nothing arrives for the stall time while it waits (only waiting counts: the server sends
  // nothing while nobody drives the transfer), and once the whole time since the request was
  // sent has passed (a server that drips a byte now and then never stalls).
  template <class Condition>
  void Drive(Condition satisfied) {
    CURLM* multi = session.multi.get();
    std::stop_callback wake(session.stop, [multi] { curl_multi_wakeup(multi); });
    lastArrival = std::chrono::steady_clock::now();
    for (;;) {
      if (satisfied() || done) return;
      if (session.stop.stop_requested()) throw CInternetException(kCancelled);
      int running = 0;
      CURLMcode code = curl_multi_perform(multi, &running);
      if (code != CURLM_OK) throw CInternetException(FromUtf8(curl_multi_strerror(code)));
      int queued = 0;
      while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy.get()) {
          done = true;
          result = message->data.result;
        }
      }
      if (satisfied() || done) return;
      const auto now = std::chrono::steady_clock::now();
      const auto waited = now - lastArrival;
      const auto taken = now - sent;
      if (waited >= session.timeouts.stall || taken >= session.timeouts.whole) throw CInternetException(kTimedOut);
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::min(session.timeouts.stall - waited, session.timeouts.whole - taken)) +
                  1ms;
      int wait = static_cast<int>(std::min<long long>(left.count(), kPollMilliseconds));
      code = curl_multi_poll(multi, nullptr, 0, wait, nullptr);
      if (code != CURLM_OK) throw CInternetException(FromUtf8(curl_multi_strerror(code)));
    }
  }

  static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t bytes = size * count;
    if (t->head.Complete()) return bytes;  // trailers of a chunked body are not part of the head
    std::string_view line(data, bytes);
    long status = 0;
    // The status is read where it decides: at the empty line that ends a head.
    if (line.find_first_not_of("\r\n") == std::string_view::npos)
      curl_easy_getinfo(t->easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (t->head.Add(line, status) == ResponseHead::Step::TooLarge) return 0;  // ends the transfer
    t->lastArrival = std::chrono::steady_clock::now();
    return bytes;
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t bytes = size * count;
    if (t->body.size() - t->bodyRead >= kReadAheadBytes) {
      t->paused = true;
      return CURL_WRITEFUNC_PAUSE;  // libcurl keeps these bytes and offers them again on resume
    }
    if (t->bodyRead > 0) {
      t->body.erase(0, t->bodyRead);
      t->bodyRead = 0;
    }
    t->body.append(data, bytes);
    t->received += bytes;
    t->lastArrival = std::chrono::steady_clock::now();
    return bytes;
  }

  static int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->session.stop.stop_requested() ? 1 : 0;  // non-zero aborts
  }
};

CInternetSession::CInternetSession(std::wstring agent, std::stop_token stop, InternetTimeouts timeouts)
    : core_(std::make_unique<Core>()) {
  InitCurlOnce();
  core_->multi.reset(curl_multi_init());
  if (!core_->multi) throw CInternetException(L"The internet session could not be opened");
  core_->agent = ToUtf8(agent);
  core_->stop = std::move(stop);
  core_->timeouts = timeouts;
}

CInternetSession::~CInternetSession() = default;

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const std::wstring& server, INTERNET_PORT port) {
  return std::make_unique<CHttpConnection>(*core_, server, port);
}

CHttpConnection::CHttpConnection(CInternetSession::Core& session, std::wstring server, INTERNET_PORT port)
    : session_(session), server_(std::move(server)), port_(port) {}

std::unique_ptr<CHttpFile> CHttpConnection::OpenRequest(const std::wstring& object) {
  // Built by appending only: g++ 12 takes an insert at the front of a string (which operator+ onto
  // a temporary also is) for an overlapping copy when optimising, and warns falsely (-Wrestrict).
  std::string url = "http://";
  url += ToUtf8(server_);
  if (port_ != 80) {
    url += ':';
    url += std::to_string(port_);
  }
  std::string path = EscapeObject(ToUtf8(object));
  if (path.empty() || path.front() != '/') url += '/';
  url += path;
  return std::make_unique<CHttpFile>(session_, std::move(url));
}

CHttpFile::CHttpFile(CInternetSession::Core& session, std::string url)
    : transfer_(std::make_unique<Transfer>(session, std::move(url))) {}

CHttpFile::~CHttpFile() = default;

void CHttpFile::AddRequestHeaders(const std::wstring& headers) {
  std::string block = ToUtf8(headers);
  size_t start = 0;
  while (start < block.size()) {
    size_t end = block.find('\n', start);
    if (end == std::string::npos) end = block.size();
    std::string line = block.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.find(':') == std::string::npos || line.find('\r') != std::string::npos)
      throw CInternetException(L"The request header is not valid");
    std::string name = HeaderName(line);
    bool present = false;
    for (const auto& existing : transfer_->headerLines) present = present || SameAsciiNoCase(HeaderName(existing), name);
    if (!present) transfer_->headerLines.push_back(std::move(line));
  }
}

void CHttpFile::SendRequest() {
  Transfer& t = *transfer_;
  if (t.easy) throw CInternetException(L"The request has already been sent");
  t.easy.reset(curl_easy_init());
  if (!t.easy) throw CInternetException(L"The request could not be made");
  CURL* curl = t.easy.get();
  bool ownAgent = false;
  for (const auto& line : t.headerLines) {
    if (!AppendHeader(t.headerList, line)) throw CInternetException(L"Not enough memory for the request");
    ownAgent = ownAgent || SameAsciiNoCase(HeaderName(line), "User-Agent");
  }
  curl_easy_setopt(curl, CURLOPT_URL, t.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(t.session.timeouts.connect.count()));
  if (!ownAgent) curl_easy_setopt(curl, CURLOPT_USERAGENT, t.session.agent.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, t.headerList.get());
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, t.errorText);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  if (t.session.stop.stop_requested()) throw CInternetException(kCancelled);
  CURLMcode added = curl_multi_add_handle(t.session.multi.get(), curl);
  if (added != CURLM_OK) throw CInternetException(FromUtf8(curl_multi_strerror(added)));
  t.inMulti = true;
  t.sent = std::chrono::steady_clock::now();
  t.Drive([&t] { return t.head.Complete(); });
  if (!t.head.Complete()) {
    if (t.result == CURLE_OK) throw CInternetException(L"The server returned no response");
    throw CInternetException(t.FailureText());
  }
}

DWORD CHttpFile::QueryInfoStatusCode() const {
  long status = 0;
  if (transfer_->easy) curl_easy_getinfo(transfer_->easy.get(), CURLINFO_RESPONSE_CODE, &status);
  return static_cast<DWORD>(status);
}

std::wstring CHttpFile::QueryInfoRawHeadersCrLf() const { return FromUtf8(transfer_->head.Text()); }

bool CHttpFile::ReadString(std::string& line, size_t maxBytes) {
  Transfer& t = *transfer_;
  line.clear();
  if (!t.head.Complete() || maxBytes == 0) return false;
  for (;;) {
    std::string_view unread = std::string_view(t.body).substr(t.bodyRead);
    size_t take = std::min(unread.size(), maxBytes - line.size());
    size_t lineFeed = unread.substr(0, take).find('\n');
    if (lineFeed != std::string_view::npos) {
      line.append(unread.substr(0, lineFeed));
      t.bodyRead += lineFeed + 1;
      return true;
    }
    line.append(unread.substr(0, take));
    t.bodyRead += take;
    if (line.size() == maxBytes) return true;
    // Everything received is in `line` now: the rest of the line is still on its way.
    if (t.done) {
      if (t.result != CURLE_OK) throw CInternetException(t.FailureText());
      return !line.empty();
    }
    unsigned long long before = t.received;
    if (t.paused) {
      t.paused = false;
      CURLcode resumed = curl_easy_pause(t.easy.get(), CURLPAUSE_CONT);
      if (resumed != CURLE_OK) throw CInternetException(FromUtf8(curl_easy_strerror(resumed)));
    }
    t.Drive([&t, before] { return t.received != before; });
  }
}
