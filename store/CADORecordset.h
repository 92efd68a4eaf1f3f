// A cursor over the rows of one query at a time, on a connection it shares. Failures are raised
// as CCustomException carrying the error dump, except from IsOpen and GetRecordCount, which let
// the component's ComError through.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ado/Connection.h"

class CADORecordset {
 public:
  // Keeps the connection alive while the cursor exists. A recordset object that cannot be made
  // leaves the cursor empty; every later use then fails with code 80004003.
  explicit CADORecordset(CComPtr<ado::Connection> connection);
  // Closes the cursor when it is open.
  ~CADORecordset();
  CADORecordset(const CADORecordset&) = delete;
  CADORecordset& operator=(const CADORecordset&) = delete;

  void Open(std::wstring_view statement);
  bool IsEOF();
  void MoveNext();
  // The column as text, trimmed of white space at both ends; a null or empty value gives "".
  std::wstring GetFieldText(std::wstring_view name);
  // The column as a 32-bit integer; null gives 0.
  std::int32_t GetFieldInt(std::wstring_view name);
  // The number of rows; a cursor that does not know it counts by moving to the end.
  long GetRecordCount();
  // Opens on the statement, counts, closes: whether the statement has any row.
  bool HasRecords(std::wstring_view statement);
  // Closes the cursor; does nothing when it is closed.
  void Close();
  bool IsOpen() const;

 private:
  ado::Recordset& Recordset() const;

  CComPtr<ado::Recordset> recordset_;
  CComPtr<ado::Connection> connection_;
};
