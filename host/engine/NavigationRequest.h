#pragma once
#include <string>

// One load to make: an address, and for a form sent by POST its body and headers.
struct NavigationRequest {
  std::wstring url;
  bool post = false;
  std::string postBody{};
  std::string headers{};  // "Name: value\r\n" lines
};
