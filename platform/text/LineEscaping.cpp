#include "platform/text/LineEscaping.h"

#include <cstdio>

#include "platform/text/WideText.h"

void AppendEscapedLine(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: {
        // Other control characters (an escape sequence in a page title, say) would drive the
        // terminal the lines are shown on; they appear as \xHH instead. C1 controls are
        // U+0080 to U+009F, in UTF-8 0xC2 followed by 0x80 to 0x9F.
        unsigned code = c;
        bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
                  static_cast<unsigned char>(text[i + 1]) >= 0x80;
        if (c1) code = static_cast<unsigned char>(text[++i]);
        if (code < 0x20 || code == 0x7F || c1) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\x%02x", code);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
      }
    }
  }
}

std::wstring EscapeLine(std::wstring_view text) {
  std::string out;
  AppendEscapedLine(out, ToUtf8(text));
  return FromUtf8(out);
}
