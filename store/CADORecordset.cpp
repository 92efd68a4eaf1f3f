#include "store/CADORecordset.h"

#include "platform/com/ComError.h"
#include "platform/text/WideText.h"
#include "store/CCustomException.h"
#include "store/ErrorDump.h"

namespace {

// Runs a cursor operation, turning a component error into the program's error.
template <class Operation>
auto Converted(Operation operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (const ComError& e) {
    throw CCustomException(DumpComError(e));
  }
}

}  // namespace

CADORecordset::CADORecordset(CComPtr<ado::Connection> connection) : connection_(std::move(connection)) {
  if (FAILED(ado::CreateRecordset(recordset_))) recordset_.reset();
}

CADORecordset::~CADORecordset() {
  try {
    if (recordset_ && recordset_->State() == ado::adStateOpen) recordset_->Close();
  } catch (const ComError&) {
    // Closing a cursor during destruction cannot fail in a way worth reporting.
  }
}

ado::Recordset& CADORecordset::Recordset() const {
  if (!recordset_) throw ComError(E_POINTER);
  return *recordset_;
}

void CADORecordset::Open(std::wstring_view statement) {
  Converted([&] { Recordset().Open(statement, connection_, ado::adOpenDynamic, ado::adLockOptimistic, ado::adCmdText); });
}

bool CADORecordset::IsEOF() {
  return Converted([&] { return Recordset().IsEOF(); });
}

void CADORecordset::MoveNext() {
  Converted([&] { Recordset().MoveNext(); });
}

std::wstring CADORecordset::GetFieldText(std::wstring_view name) {
  return Converted([&] {
    Variant value = Recordset().Collect(name);
    if (value.IsEmpty() || value.IsNull()) return std::wstring();
    std::wstring text;
    ThrowIfFailed(VariantToText(value, text));
    return Trim(text);
  });
}

std::int32_t CADORecordset::GetFieldInt(std::wstring_view name) {
  return Converted([&] {
    Variant value = Recordset().Collect(name);
    if (value.IsNull()) return std::int32_t{0};
    std::int32_t number = 0;
    ThrowIfFailed(VariantToInt32(value, number));
    return number;
  });
}

long CADORecordset::GetRecordCount() {
  long count = Recordset().RecordCount();
  if (count != -1) return count;
  count = 0;
  while (!IsEOF()) {
    MoveNext();
    ++count;
  }
  return count;
}

bool CADORecordset::HasRecords(std::wstring_view statement) {
  Open(statement);
  long count = GetRecordCount();
  Close();
  return count > 0;
}

void CADORecordset::Close() {
  Converted([&] {
    if (Recordset().State() == ado::adStateOpen) Recordset().Close();
  });
}

bool CADORecordset::IsOpen() const { return Recordset().State() == ado::adStateOpen; }
