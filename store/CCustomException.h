// The program's own error: one message text that says what failed. Thrown by value, caught by
// reference; the handler that catches it reports the message and the error ends there.
#pragma once
#include <exception>
#include <string>

class CCustomException : public std::exception {
 public:
  explicit CCustomException(std::wstring message);
  const std::wstring& GetMessage() const { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::wstring message_;
  std::string utf8_;
};
