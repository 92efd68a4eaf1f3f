#include "platform/com/SystemMessage.h"

#include <cwchar>

namespace {

struct MessageEntry {
  std::uint32_t code;
  const wchar_t* text;
};

// The texts of the codes this system meets, as the system's message table words them.
constexpr MessageEntry kMessages[] = {
    {0x00000000, L"The operation completed successfully."},
    {0x00000001, L"Incorrect function."},
    {0x80004001, L"Not implemented"},
    {0x80004002, L"No such interface supported"},
    {0x80004003, L"Invalid pointer"},
    {0x80004004, L"Operation aborted"},
    {0x80004005, L"Unspecified error"},
    {0x8000FFFF, L"Catastrophic failure"},
    {0x80070002, L"The system cannot find the file specified."},
    {0x80070005, L"Access is denied."},
    {0x80070006, L"The handle is invalid."},
    {0x8007000E, L"Not enough storage is available to complete this operation."},
    {0x80070057, L"The parameter is incorrect."},
    {0x80040110, L"Class does not support aggregation (or class object is remote)"},
    {0x80040111, L"ClassFactory cannot supply requested class"},
    {0x80040154, L"Class not registered"},
    {0x80020003, L"Member not found."},
    {0x80020004, L"Parameter not found."},
    {0x80020005, L"Type mismatch."},
    {0x80020006, L"Unknown name."},
    {0x8002000A, L"Out of present range."},
    {0x8002000B, L"Invalid index."},
};

}  // namespace

std::optional<std::wstring> FormatMessageText(HRESULT code) {
  for (const auto& entry : kMessages)
    if (entry.code == static_cast<std::uint32_t>(code)) return std::wstring(entry.text);
  return std::nullopt;
}

std::wstring ErrorMessageText(HRESULT code) {
  if (auto text = FormatMessageText(code)) return *text;
  auto value = static_cast<std::uint32_t>(code);
  wchar_t buf[64];
  if (value >= 0x80040201u && value <= 0x8004FFFFu)
    std::swprintf(buf, 64, L"IDispatch error #%d", static_cast<int>(value - 0x80040200u));
  else
    std::swprintf(buf, 64, L"Unknown error 0x%0lX", static_cast<unsigned long>(value));
  return buf;
}
