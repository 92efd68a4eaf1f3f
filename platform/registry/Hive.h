// The contents of one hive and its text form (the REGEDIT4 export format):
//
//   REGEDIT4
//
//   [Software\Vellorin\Pendrel\User]
//   "CurDir"="/home/ann/.local/share/pendrel"
//   @="default value"
//
// Key paths carry no hive name. In quoted data "\" and """ are escaped with a backslash, and a
// line feed or carriage return as \n or \r, so any text survives a round trip. Key and value
// names compare without regard to case and keep the case they were created with.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/WinTypes.h"

struct HiveValue {
  std::wstring name;  // empty for the default value
  DWORD type = 0;     // REG_SZ, REG_DWORD, or REG_BINARY for data kept as it was written
  std::wstring data;  // the text, the decimal number, or the data as it stood in the file
};

struct HiveKey {
  std::wstring path;  // as created, e.g. "Software\Vellorin"
  std::vector<HiveValue> values;

  HiveValue* FindValue(std::wstring_view name);
};

class Hive {
 public:
  // Parses the text of a hive file; none when the text is not a hive.
  static std::optional<Hive> Parse(std::string_view utf8);
  std::string Serialize() const;

  // The root (empty path) always exists.
  HiveKey* Find(std::wstring_view path);
  // Creates the key and its missing ancestors; answers whether anything was created.
  bool Create(std::wstring_view path);
  // Removes the key and everything below it.
  void RemoveTree(std::wstring_view path);
  bool HasSubkeys(std::wstring_view path) const;
  std::vector<std::wstring> Subkeys(std::wstring_view path) const;

  // Normalises a path: no leading, trailing or doubled separators.
  static std::wstring CleanPath(std::wstring_view path);
  // Whether the first name of a clean path is a hive's full name (HKEY_CURRENT_USER, ...). The
  // text form drops such a name where it starts a key path, so no key may have such a path.
  static bool StartsWithHiveName(std::wstring_view path);
  static std::wstring Fold(std::wstring_view text);

 private:
  std::map<std::wstring, HiveKey> keys_;  // by folded path, so parents sort before children
};
