#include "host/gtk/JsonReader.h"

#include <cstdlib>

#include "platform/text/WideText.h"

namespace {

class Reader {
 public:
  Reader(std::string_view text, const JsonLimits& limits) : text_(text), limits_(limits) {}

  std::optional<JsonValue> Document() {
    JsonValue value;
    if (!Value(value, 0)) return std::nullopt;
    SkipSpace();
    if (at_ != text_.size()) return std::nullopt;
    return value;
  }

 private:
  void SkipSpace() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool Take(char c) {
    SkipSpace();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue& value, int depth) {
    if (depth > limits_.maxDepth || ++values_ > limits_.maxValues) return false;
    SkipSpace();
    if (at_ >= text_.size()) return false;
    switch (text_[at_]) {
      case '{': return Object(value, depth);
      case '[': return Array(value, depth);
      case '"': value.kind = JsonValue::Kind::String; return String(value.text);
      case 't': value.kind = JsonValue::Kind::Bool; value.flag = true; return Word("true");
      case 'f': value.kind = JsonValue::Kind::Bool; return Word("false");
      case 'n': value.kind = JsonValue::Kind::Null; return Word("null");
      default: return Number(value);
    }
  }

  bool Object(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::Object;
    ++at_;
    if (Take('}')) return true;
    do {
      SkipSpace();
      JsonMember member;
      if (at_ >= text_.size() || text_[at_] != '"' || !String(member.name) || !Take(':') ||
          !Value(member.value, depth + 1))
        return false;
      value.members.push_back(std::move(member));
    } while (Take(','));
    return Take('}');
  }

  bool Array(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::Array;
    ++at_;
    if (Take(']')) return true;
    do {
      JsonValue item;
      if (!Value(item, depth + 1)) return false;
      value.items.push_back(std::move(item));
    } while (Take(','));
    return Take(']');
  }

  bool Number(JsonValue& value) {
    size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    auto digits = [&] {
      size_t from = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      return at_ > from;
    };
    if (!digits()) return false;
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (!digits()) return false;
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!digits()) return false;
    }
    if (at_ - start > 64) return false;  // no number the scripts send is this long
    value.kind = JsonValue::Kind::Number;
    value.number = std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr);
    return true;
  }

  bool Hex4(char32_t& unit) {
    if (text_.size() - at_ < 4) return false;
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      char c = text_[at_++];
      unit <<= 4;
      if (c >= '0' && c <= '9') unit |= static_cast<char32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') unit |= static_cast<char32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') unit |= static_cast<char32_t>(c - 'A' + 10);
      else return false;
    }
    return true;
  }

  // A string from its opening quote; raw UTF-8 goes through the platform's decoder in runs.
  bool String(std::wstring& out) {
    ++at_;
    std::string utf8;
    while (at_ < text_.size()) {
      char c = text_[at_++];
      if (c == '"') {
        out = FromUtf8(utf8);
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        utf8 += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      switch (text_[at_++]) {
        case '"': utf8 += '"'; break;
        case '\\': utf8 += '\\'; break;
        case '/': utf8 += '/'; break;
        case 'b': utf8 += '\b'; break;
        case 'f': utf8 += '\f'; break;
        case 'n': utf8 += '\n'; break;
        case 'r': utf8 += '\r'; break;
        case 't': utf8 += '\t'; break;
        case 'u': {
          char32_t unit = 0;
          if (!Hex4(unit)) return false;
          if (unit >= 0xD800 && unit <= 0xDBFF && text_.substr(at_, 2) == "\\u") {
            size_t back = at_;
            at_ += 2;
            char32_t low = 0;
            if (!Hex4(low)) return false;
            if (low >= 0xDC00 && low <= 0xDFFF)
              unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            else
              at_ = back;  // a lone high surrogate; the next escape is read on its own
          }
          AppendUtf8(utf8, unit);  // a lone surrogate becomes U+FFFD
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  std::string_view text_;
  const JsonLimits& limits_;
  size_t at_ = 0;
  size_t values_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(std::wstring_view name) const {
  for (const auto& member : members)
    if (member.name == name) return &member.value;
  return nullptr;
}

std::optional<JsonValue> ReadJson(std::string_view text, const JsonLimits& limits) {
  if (text.size() > limits.maxBytes) return std::nullopt;
  return Reader(text, limits).Document();
}
