// How the toolbar's commands report what they do not handle themselves: one message box in the
// module's name, the failure text followed directly by the error's own text (the description of
// a component error, the message of the program's own error). The toolbar stays usable.
#pragma once
#include <string>
#include <string_view>

#include "band/ModuleMessage.h"
#include "platform/com/ComError.h"
#include "store/CCustomException.h"
#include "store/ErrorDump.h"

template <class Body>
void RunReportingFailure(std::wstring_view failure, Body&& body) {
  try {
    body();
  } catch (const ComError& e) {
    ShowMessage(std::wstring(failure) + DumpComError(e));
  } catch (const CCustomException& e) {
    ShowMessage(std::wstring(failure) + e.GetMessage());
  } catch (...) {
    ShowMessage(failure);
  }
}
