// Reading the JSON text that the desktop host's page scripts answer with. The text comes from a
// web page's process, so it is read as hostile: every reading is bounded in size, nesting depth
// and number of values, and anything malformed or over a bound is refused as a whole.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonMember;

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool flag = false;
  double number = 0;
  std::wstring text;
  std::vector<JsonValue> items;                              // an array's
  std::vector<JsonMember> members;  // an object's, in their order

  // The first member named `name` of an object, or null.
  const JsonValue* Member(std::wstring_view name) const;
};

struct JsonMember {
  std::wstring name;
  JsonValue value;
};

struct JsonLimits {
  size_t maxBytes = 32 * 1024 * 1024;
  int maxDepth = 16;
  size_t maxValues = 1'000'000;
};

// The value of `text` (UTF-8; escapes and surrogate pairs decoded, malformed UTF-8 and lone
// surrogates read as U+FFFD), or nothing when it is no single JSON value or breaks a limit.
std::optional<JsonValue> ReadJson(std::string_view text, const JsonLimits& limits = {});
