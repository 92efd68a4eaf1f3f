// The error a failed component call raises: a result code, and the source and description that
// the failing object reported (either may be missing).
#pragma once
#include <optional>
#include <string>

#include "platform/com/HResult.h"

class ComError {
 public:
  // The code alone is the common case; it builds no optional texts to move (moving an empty
  // optional text is what some compilers' flow analysis mistakes for reading an unset one).
  explicit ComError(HRESULT code) : code_(code) {}
  ComError(HRESULT code, std::optional<std::wstring> source, std::optional<std::wstring> description)
      : code_(code), source_(std::move(source)), description_(std::move(description)) {}

  HRESULT Error() const { return code_; }
  const std::optional<std::wstring>& Source() const { return source_; }
  const std::optional<std::wstring>& Description() const { return description_; }
  // The system's message text for the code (see SystemMessage.h).
  std::wstring ErrorMessage() const;

 private:
  HRESULT code_;
  std::optional<std::wstring> source_;
  std::optional<std::wstring> description_;
};

// Raises a ComError for a failed result; does nothing for success.
void ThrowIfFailed(HRESULT hr);
