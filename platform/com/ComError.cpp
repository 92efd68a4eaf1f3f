#include "platform/com/ComError.h"

#include "platform/com/SystemMessage.h"

std::wstring ComError::ErrorMessage() const { return ErrorMessageText(code_); }

void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw ComError(hr);
}
