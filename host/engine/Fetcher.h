// Loading the bytes behind an address: files from the disk, http(s) over libcurl. One fetcher
// belongs to one browser window (and its frames) and keeps that window's cookies in memory.
#pragma once
#include <memory>
#include <string>

enum class FetchStatus {
  Loaded,       // `body` holds the page (an HTTP error status with a page is still loaded)
  Failed,       // nothing to show: `error` says why
};

struct FetchRequest {
  std::wstring url;             // file://, http:// or https://
  std::string postBody;         // sent as a POST when `post` is set
  bool post = false;
  std::string extraHeaders;     // "Name: value\r\n" lines
};

struct FetchResponse {
  FetchStatus status = FetchStatus::Failed;
  std::wstring finalUrl;        // after redirects
  long httpStatus = 0;          // 0 for files
  std::string contentType;      // the server's Content-Type; empty for files
  std::string body;
  std::wstring error;           // for Failed: a sentence for the error page
};

class Fetcher {
 public:
  Fetcher();
  ~Fetcher();
  Fetcher(const Fetcher&) = delete;
  Fetcher& operator=(const Fetcher&) = delete;

  // Loads `request`. Never throws for what a server or the disk does; an address of another
  // scheme fails.
  FetchResponse Fetch(const FetchRequest& request);

 private:
  FetchResponse FetchFile(const FetchRequest& request);
  FetchResponse FetchHttp(const FetchRequest& request);

  struct Session;
  std::unique_ptr<Session> session_;
};
