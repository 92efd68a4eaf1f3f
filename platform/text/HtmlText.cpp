#include "platform/text/HtmlText.h"

std::wstring EscapeHtml(std::wstring_view text) {
  if (text.find_first_of(L"&<>\"'") == std::wstring_view::npos) return std::wstring(text);
  std::wstring out;
  out.reserve(text.size() + 16);
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      case L'\'': out += L"&#39;"; break;
      default: out += c;
    }
  }
  return out;
}
