// Reading the generated page file back for exact comparison.
#pragma once
#include <fstream>
#include <sstream>
#include <string>

#include "platform/text/WideText.h"
#include "reports/PageFragments.h"

inline std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(ToUtf8(path), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The page text after the byte-order mark; fails the test when the mark is missing.
inline std::wstring ReadPage(const std::wstring& path) {
  std::string bytes = ReadBytes(path);
  if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return L"(no byte-order mark)";
  return FromUtf16LE(bytes.substr(2));
}

inline std::wstring PageStart() {
  std::wstring text = page::kPageHead;
  for (const wchar_t* line : page::kStyleLines) text += line;
  return text + page::kTableOpen;
}

inline std::wstring BookmarkRow(const std::wstring& description, const std::wstring& address) {
  return L"<tr CLASS=\"TableRow\">\t\t<td nowrap class=\"TableLabel\">" + description + L"\t\t<a href=\"" + address +
         L"\"> " + address + L" </a></td> </tr>\r\n";
}
