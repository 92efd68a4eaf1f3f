// Registry scripts: the keys and values a component writes when it is registered and takes away
// when it is unregistered, in the component framework's notation:
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {669695BC-A811-4A9D-8CDF-BA8C795F261D} = s 'Pendrel'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// Words are separated by white space. A name or a text with spaces in it is written between
// single quotes, and '' stands for one quote inside them; quoted words are never keywords. Each
// root (HKCR, HKCU, HKLM or HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE) holds a
// block of keys. A key is its name, optionally preceded by NoRemove or ForceRemove, optionally
// followed by its default value (= s 'text') and by a block of keys and named values
// (val NAME = s 'text'). `s`, a string, is the only kind of data. %NAME% in a name or a text is
// replaced by the value given for NAME, taken as it is whatever characters it holds; %% is one %.
//
// Registration creates every key and sets every value; a ForceRemove key is first deleted with
// everything below it. Removal deletes every named value; a NoRemove key stays (what the script
// names inside it is still removed); a ForceRemove key goes with everything below it; any other
// key goes once what the script names inside it is removed, unless it still holds keys the
// script does not name (another component's). Keys and values that are already missing are
// passed over.
//
// A script is read whole before anything is written, so a malformed one changes nothing. Its
// size, the depth of its blocks and the length of its names and texts are bounded; a name holds
// no NUL and no line end.
#pragma once
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/Registry.h"

enum class ScriptMode { Register, Unregister };

struct ScriptReplacement {
  std::wstring name;  // without the percent signs, e.g. MODULE
  std::wstring value;
};

// A script that cannot be read: what is wrong, and on which line (from 1).
class RegistryScriptError : public std::runtime_error {
 public:
  RegistryScriptError(size_t line, std::wstring problem);
  size_t Line() const { return line_; }
  // "line N: PROBLEM"
  const std::wstring& Message() const { return message_; }

 private:
  size_t line_;
  std::wstring message_;
};

class RegistryScript {
 public:
  static constexpr size_t kMaxScriptLength = 64 * 1024;
  static constexpr size_t kMaxDepth = 32;
  static constexpr size_t kMaxNameLength = 255;
  static constexpr size_t kMaxTextLength = 16 * 1024;

  // Reads a script with its replacements; raises RegistryScriptError for the first fault.
  static RegistryScript Parse(std::wstring_view text, const std::vector<ScriptReplacement>& replacements = {});

  // Registers or removes what the script names. ERROR_SUCCESS, or the first registry error; the
  // changes made before it stay.
  LONG Apply(ScriptMode mode) const;

  enum class KeyKind { Plain, NoRemove, ForceRemove };
  struct Value {
    std::wstring name;
    std::wstring data;
  };
  struct Key {
    std::wstring name;
    KeyKind kind = KeyKind::Plain;
    std::optional<std::wstring> defaultValue;
    std::vector<Value> values;
    std::vector<Key> subkeys;
  };
  struct Root {
    HKEY hive = nullptr;
    std::vector<Key> keys;
  };

 private:
  std::vector<Root> roots_;
};
