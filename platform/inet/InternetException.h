// The error every operation of the internet client raises when it fails: the name cannot be
// resolved, the connection is refused, the server stalls, the transfer is stopped. It carries the
// client's own message text.
#pragma once
#include <exception>
#include <string>

class CInternetException : public std::exception {
 public:
  explicit CInternetException(std::wstring message);
  const std::wstring& GetErrorMessage() const { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::wstring message_;
  std::string utf8_;
};
