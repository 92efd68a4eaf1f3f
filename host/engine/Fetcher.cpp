#include "host/engine/Fetcher.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

#include "host/engine/Url.h"
#include "platform/text/WideText.h"

namespace {

constexpr long kConnectTimeoutSeconds = 10;
constexpr long kTotalTimeoutSeconds = 30;
constexpr long kMaxRedirects = 10;
constexpr size_t kMaxBytes = size_t{32} << 20;  // a page beyond this is refused, not truncated

template <auto Free>
struct FreeWith {
  void operator()(auto* handle) const { Free(handle); }
};
using EasyHandle = std::unique_ptr<CURL, FreeWith<curl_easy_cleanup>>;
using HeaderList = std::unique_ptr<curl_slist, FreeWith<curl_slist_free_all>>;

// Takes back, when a request ends, the options that point into that request's frame (its
// header list, body sink and error buffer), so the handle, which outlives the request, never
// keeps a dangling pointer. A request declares it after those, so it runs before they end.
class CallOptions {
 public:
  explicit CallOptions(CURL* curl) : curl_(curl) {}
  CallOptions(const CallOptions&) = delete;
  CallOptions& operator=(const CallOptions&) = delete;
  ~CallOptions() {
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, nullptr);
  }

 private:
  CURL* curl_;
};

struct Sink {
  std::string* body;
  bool tooLarge = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  size_t bytes = size * count;
  if (sink->body->size() + bytes > kMaxBytes) {
    sink->tooLarge = true;
    return 0;  // ends the transfer
  }
  sink->body->append(data, bytes);
  return bytes;
}

HeaderList AddHeader(HeaderList list, const std::string& line) {
  curl_slist* extended = curl_slist_append(list.get(), line.c_str());
  if (!extended) return list;
  list.release();
  return HeaderList(extended);
}

}  // namespace

// The window's one easy handle: libcurl keeps the cookies (and live connections) in it across
// requests, so the cookies of a login reach the pages after it.
struct Fetcher::Session {
  EasyHandle handle;
};

Fetcher::Fetcher() : session_(std::make_unique<Session>()) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  session_->handle.reset(curl_easy_init());
  if (session_->handle) curl_easy_setopt(session_->handle.get(), CURLOPT_COOKIEFILE, "");  // cookies in memory
}

Fetcher::~Fetcher() = default;

FetchResponse Fetcher::Fetch(const FetchRequest& request) {
  std::wstring scheme = SchemeOf(request.url);
  if (scheme == L"file") return FetchFile(request);
  if (scheme == L"http" || scheme == L"https") return FetchHttp(request);
  FetchResponse response;
  response.finalUrl = request.url;
  response.error = L"The address is not one this browser can open.";
  return response;
}

FetchResponse Fetcher::FetchFile(const FetchRequest& request) {
  FetchResponse response;
  response.finalUrl = request.url;
  auto fail = [&response](std::wstring why) {
    response.error = std::move(why);
    return response;
  };
  std::string path = ToUtf8(PathFromFileUrl(request.url));
  std::error_code error;
  auto status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status)) return fail(L"The file could not be found.");
  if (std::filesystem::is_directory(status)) return fail(L"The address names a folder, not a file.");
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(L"The file could not be read: " + FromUtf8(std::strerror(errno)) + L".");
  std::string body;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    body.append(buffer, static_cast<size_t>(in.gcount()));
    if (body.size() > kMaxBytes) return fail(L"The file is too large to show.");
  }
  if (in.bad()) return fail(L"The file could not be read.");
  response.body = std::move(body);
  response.status = FetchStatus::Loaded;
  return response;
}

FetchResponse Fetcher::FetchHttp(const FetchRequest& request) {
  FetchResponse response;
  response.finalUrl = request.url;
  CURL* curl = session_->handle.get();
  if (!curl) {
    response.error = L"The network library could not be started.";
    return response;
  }
  // The handle is never reset between requests: a reset turns the cookie engine off, and naming
  // the cookie file again after it leaks the list libcurl keeps cookie file names in, once per
  // request. So every option a request depends on is set here each time, a GET included.
  std::string url = ToUtf8(request.url);
  Sink sink{&response.body};
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  // Only the web: a page must never send the browser to a file or another protocol by redirect.
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTotalTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Mozilla/5.0 (X11; Linux x86_64) Pendrel/1.0");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBytes));
  HeaderList headers;
  CallOptions callOptions(curl);
  headers = AddHeader(std::move(headers), "Accept: text/html,application/xhtml+xml,*/*;q=0.8");
  const std::string& extra = request.extraHeaders;
  for (size_t start = 0, end; start < extra.size(); start = end + 1) {
    end = std::min(extra.find('\n', start), extra.size());
    std::string line = extra.substr(start, end - start);
    if (line.ends_with('\r')) line.pop_back();
    if (!line.empty()) headers = AddHeader(std::move(headers), line);
  }
  if (request.post) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.postBody.size()));
    curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, request.postBody.c_str());
    // A POST answered by a redirect is followed with a GET, as browsers do for 301, 302 and 303.
    curl_easy_setopt(curl, CURLOPT_POSTREDIR, 0L);
  } else {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  }
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
  CURLcode result = curl_easy_perform(curl);

  char* effective = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
    response.finalUrl = FromUtf8(effective);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.httpStatus);
  char* contentType = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType)
    response.contentType = contentType;
  if (sink.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
    response.body.clear();
    response.error = L"The page is too large to show.";
    return response;
  }
  if (result != CURLE_OK) {
    response.body.clear();
    std::string reason = errorText[0] ? errorText : curl_easy_strerror(result);
    response.error = L"The server could not be reached: " + FromUtf8(reason) + L".";
    return response;
  }
  if (response.httpStatus >= 400 && response.body.empty()) {
    response.error = L"The server answered with status " + std::to_wstring(response.httpStatus) + L".";
    return response;
  }
  response.status = FetchStatus::Loaded;
  return response;
}
