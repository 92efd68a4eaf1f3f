#include "store/ErrorDump.h"

#include "platform/text/Format.h"

std::wstring DumpComError(const ComError& error) {
  const std::wstring source = error.Source().value_or(L"(null)");
  const std::wstring description = error.Description().value_or(L"(null)");
  return Format(L"Error Code = %08lx ", static_cast<std::uint32_t>(error.Error())) +
         Format(L"Error Message = %s ", error.ErrorMessage()) + Format(L"Error Source = %s ", source) +
         Format(L"Error Description = %s ", description);
}
