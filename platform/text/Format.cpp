#include "platform/text/Format.h"

#include <cwchar>
#include <vector>

std::wstring FormatArgs(std::wstring_view format, std::initializer_list<FormatArg> argList) {
  std::vector<FormatArg> args(argList);
  std::wstring out;
  out.reserve(format.size() + 64);
  size_t next = 0;
  size_t i = 0;
  while (i < format.size()) {
    wchar_t c = format[i];
    if (c != L'%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == L'%') {
      out += L'%';
      i += 2;
      continue;
    }
    // Parse flags, width and length modifiers up to the conversion character.
    size_t start = i++;
    std::wstring directive = L"%";
    while (i < format.size() && std::wcschr(L"-+ #0", format[i])) directive += format[i++];
    while (i < format.size() && format[i] >= L'0' && format[i] <= L'9') directive += format[i++];
    while (i < format.size() && (format[i] == L'l' || format[i] == L'h')) ++i;
    if (i >= format.size()) {
      out.append(format.substr(start));
      break;
    }
    wchar_t conv = format[i++];
    bool isText = conv == L's';
    bool isInt = std::wcschr(L"diuxX", conv) != nullptr && conv != 0;
    if ((!isText && !isInt) || next >= args.size()) {
      out.append(format.substr(start, i - start));
      continue;
    }
    const FormatArg& arg = args[next++];
    if (isText) {
      std::wstring_view text;
      if (auto t = std::get_if<std::wstring_view>(&arg)) text = *t;
      // Honour a width for text (right-aligned, or left with "-").
      std::wstring widthDirective = directive.substr(1);
      bool left = widthDirective.find(L'-') != std::wstring::npos;
      size_t width = 0;
      for (wchar_t d : widthDirective)
        if (d >= L'0' && d <= L'9') width = width * 10 + static_cast<size_t>(d - L'0');
      if (!left && width > text.size()) out.append(width - text.size(), L' ');
      out.append(text);
      if (left && width > text.size()) out.append(width - text.size(), L' ');
      continue;
    }
    wchar_t buf[96];
    directive += L"ll";
    directive += conv;
    if (auto s = std::get_if<std::int64_t>(&arg)) {
      long long v = *s;
      if (conv == L'x' || conv == L'X' || conv == L'u')
        std::swprintf(buf, 96, directive.c_str(), static_cast<unsigned long long>(static_cast<std::uint32_t>(v)));
      else
        std::swprintf(buf, 96, directive.c_str(), v);
    } else if (auto u = std::get_if<std::uint64_t>(&arg)) {
      std::swprintf(buf, 96, directive.c_str(), static_cast<unsigned long long>(*u));
    } else {
      buf[0] = 0;
    }
    out += buf;
  }
  return out;
}
