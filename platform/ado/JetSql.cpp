#include "platform/ado/JetSql.h"

#include <cwctype>

#include "platform/text/WideText.h"

namespace {
bool IsWordChar(wchar_t c) { return c == L'_' || std::iswalnum(static_cast<wint_t>(c)); }
}  // namespace

std::wstring TranslateJetLiterals(std::wstring_view s) {
  std::wstring out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    wchar_t c = s[i];
    if (c == L'\'' || c == L'"' || c == L'[') {
      // Copy a quoted text or bracketed name to its end; a doubled quote stays inside.
      wchar_t close = c == L'[' ? L']' : c;
      size_t end = i + 1;
      while (end < s.size()) {
        if (s[end] == close) {
          if (close != L']' && end + 1 < s.size() && s[end + 1] == close) {
            end += 2;
            continue;
          }
          break;
        }
        ++end;
      }
      size_t stop = end < s.size() ? end + 1 : s.size();
      out.append(s.substr(i, stop - i));
      i = stop;
      continue;
    }
    if (IsWordChar(c)) {
      size_t end = i;
      while (end < s.size() && IsWordChar(s[end])) ++end;
      std::wstring_view word = s.substr(i, end - i);
      bool afterDot = i > 0 && s[i - 1] == L'.';  // a column named yes or no after a table alias
      if (!afterDot && EqualsNoCase(word, L"yes"))
        out += L'1';
      else if (!afterDot && EqualsNoCase(word, L"no"))
        out += L'0';
      else
        out.append(word);
      i = end;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}
