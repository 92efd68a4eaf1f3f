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
//
// A hive file is outside input: reading one costs time and memory in proportion to its size, and
// a key path deeper than kMaxKeyDepth names makes the file no hive.
#pragma once
#include <cstddef>
#include <map>
#include <memory>
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
  std::wstring name;  // its own name as created, e.g. "Vellorin"; empty for the root
  std::vector<HiveValue> values;

  HiveValue* FindValue(std::wstring_view name);
};

class Hive {
 public:
  // The most names a key path may have, as on the platform whose registry this stands in for;
  // real keys stay far below it.
  static constexpr size_t kMaxKeyDepth = 512;

  Hive() = default;
  Hive(Hive&&) noexcept = default;
  Hive& operator=(Hive&&) noexcept = default;

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
  // The number of names in a clean path; 0 for the root.
  static size_t Depth(std::wstring_view cleanPath);

 private:
  // A key and the keys right below it. Each key holds its own name only, so a deep path costs
  // memory in proportion to its length, not to the sum of its ancestors' lengths.
  struct Node {
    HiveKey key;
    std::map<std::wstring, std::unique_ptr<Node>> children;  // by folded name
  };
  Node* FindNode(std::wstring_view path);
  const Node* FindNode(std::wstring_view path) const;
  // The node of a clean path, made with its missing ancestors; `created` tells whether any was.
  Node& MakeNode(std::wstring_view cleanPath, bool& created);
  static void Write(const Node& node, std::wstring& path, std::wstring& out);

  Node root_;
};
