// Owners of libcurl's handles, for the internet client's own sources only: the client's headers
// never show libcurl to its callers.
#pragma once
#include <curl/curl.h>

#include <string>
#include <utility>

// One owner of a C handle: freed by `Free` when the owner ends, movable, never copied.
template <class Handle, auto Free>
class CurlOwner {
 public:
  CurlOwner() = default;
  explicit CurlOwner(Handle* handle) : handle_(handle) {}
  CurlOwner(CurlOwner&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  CurlOwner& operator=(CurlOwner&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  CurlOwner(const CurlOwner&) = delete;
  CurlOwner& operator=(const CurlOwner&) = delete;
  ~CurlOwner() { reset(); }

  void reset(Handle* handle = nullptr) {
    if (Handle* old = std::exchange(handle_, handle)) Free(old);
  }
  Handle* get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  Handle* handle_ = nullptr;
};

using CurlEasy = CurlOwner<CURL, curl_easy_cleanup>;
using CurlMulti = CurlOwner<CURLM, curl_multi_cleanup>;
using CurlHeaderList = CurlOwner<curl_slist, curl_slist_free_all>;

// Appends one line to a header list; false (the list unchanged) when libcurl has no memory.
inline bool AppendHeader(CurlHeaderList& list, const std::string& line) {
  curl_slist* head = curl_slist_append(list.get(), line.c_str());
  if (!head) return false;
  if (!list) list.reset(head);  // a list that held nothing starts here; otherwise its head stays
  return true;
}

// libcurl's global state, made once for the process before the first handle.
void InitCurlOnce();
