#include "store/CADODatabase.h"

#include "platform/com/ComError.h"
#include "store/CCustomException.h"
#include "store/ErrorDump.h"

namespace {
// The component runtime needs no per-thread entry here; these keep the retry readable.
void CoInitialize() {}
void CoUninitialize() {}
}  // namespace

void CADODatabase::Open(std::wstring_view connectionString) {
  connection_.reset();
  if (FAILED(ado::CreateConnection(connection_))) {
    CoInitialize();
    CComPtr<ado::Connection> retry;
    HRESULT hr = ado::CreateConnection(retry);
    CoUninitialize();
    if (SUCCEEDED(hr))
      throw CCustomException(
          L"successfully Connection created after calling CoInitialize locally.\nYou need to CoInitiliaze first.");
    throw CCustomException(L"creating the connection object failed again even after CoInitialize");
  }
  try {
    // No time-outs to set: waiting for another connection's lock is the connection's own busy
    // time-out, and a statement is never cut short (see platform/ado/Connection.h).
    connection_->Open(connectionString, L"", L"", 0);
  } catch (const ComError& e) {
    throw CCustomException(L"CADODatabase::Open" + DumpComError(e));
  }
}

void CADODatabase::Execute(std::wstring_view statement) {
  try {
    if (!connection_) throw ComError(E_POINTER);
    long affected = 0;
    connection_->Execute(statement, &affected, ado::adCmdText);
  } catch (const ComError& e) {
    throw CCustomException(DumpComError(e), e.Error());
  } catch (const std::exception&) {
    throw CCustomException(L"critical error in Execute " + std::wstring(statement));
  }
}

void CADODatabase::Close() {
  try {
    if (!connection_) throw ComError(E_POINTER);
    connection_->Close();
  } catch (const ComError& e) {
    throw CCustomException(DumpComError(e));
  }
}

bool CADODatabase::IsOpen() const {
  if (!connection_) throw ComError(E_POINTER);
  return connection_->State() == ado::adStateOpen;
}
