// The program's own error: one message text that says what failed. Thrown by value, caught by
// reference; the handler that catches it reports the message and the error ends there.
#pragma once
#include <exception>
#include <string>

#include "platform/com/HResult.h"

class CCustomException : public std::exception {
 public:
  // `cause`: the result code of the component error the message reports, when there is one.
  explicit CCustomException(std::wstring message, HRESULT cause = S_OK);
  const std::wstring& GetMessage() const { return message_; }
  HRESULT Cause() const { return cause_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::wstring message_;
  std::string utf8_;
  HRESULT cause_;
};
