// A connection to the bookmark database file. Every failure is raised as CCustomException whose
// message is the error dump (see ErrorDump.h); Open prefixes it with "CADODatabase::Open".
#pragma once
#include <string>
#include <string_view>

#include "platform/ado/Connection.h"

class CADODatabase {
 public:
  CADODatabase() = default;
  // Releases the connection object without closing it: the owner closes first.
  ~CADODatabase() = default;
  CADODatabase(const CADODatabase&) = delete;
  CADODatabase& operator=(const CADODatabase&) = delete;

  void Open(std::wstring_view connectionString);
  // Runs a statement that returns no rows.
  void Execute(std::wstring_view statement);
  void Close();
  // True while the connection is open; a missing connection object raises ComError as it is.
  bool IsOpen() const;
  // The connection, for cursors made on it (empty before Open).
  CComPtr<ado::Connection> GetConnection() const { return connection_; }

 private:
  CComPtr<ado::Connection> connection_;
};
