#include "host/core/ScriptReader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ios>

#include "platform/text/WideText.h"

std::optional<std::wstring> OpenScript(const std::string& name, std::ifstream& file) {
  struct stat info {};
  if (::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    return L"cannot open the script " + FromUtf8(name) + L": it is a folder, not a file";
  file.open(name, std::ios::binary);
  if (!file) return L"cannot open the script " + FromUtf8(name) + L": " + FromUtf8(std::strerror(errno));
  return std::nullopt;
}

ScriptReader::RawLine ScriptReader::ReadRawLine(std::string& bytes) {
  bytes.clear();
  std::streambuf* buffer = in_.rdbuf();
  if (!buffer) return RawLine::End;
  bool any = false;
  for (;;) {
    int c;
    try {
      c = buffer->sbumpc();
    } catch (const std::ios_base::failure&) {
      return RawLine::Failed;  // a file stream reports a read error by throwing
    }
    if (c == std::char_traits<char>::eof()) return any ? RawLine::Read : RawLine::End;
    any = true;
    if (c == '\n') break;
    if (bytes.size() == kMaxScriptLineBytes) return RawLine::TooLong;
    bytes.push_back(static_cast<char>(c));
  }
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  return RawLine::Read;
}

ScriptRead ScriptReader::Next() {
  std::string bytes;
  for (;;) {
    RawLine raw = ReadRawLine(bytes);
    if (raw == RawLine::End) return {};
    if (raw == RawLine::Failed)
      return {ReadStatus::Error, {}, L"the script cannot be read past line " + std::to_wstring(number_)};
    if (++number_ > kMaxScriptLines)
      return {ReadStatus::Error, {}, L"the script has more than " + std::to_wstring(kMaxScriptLines) + L" lines"};
    if (raw == RawLine::TooLong)
      return {ReadStatus::Error, {},
              L"line " + std::to_wstring(number_) + L" is longer than " + std::to_wstring(kMaxScriptLineBytes) +
                  L" bytes"};
    std::wstring text = FromUtf8(bytes);
    size_t start = text.find_first_not_of(L" \t");
    if (start == std::wstring::npos || text[start] == L'#') continue;
    size_t end = text.find_first_of(L" \t", start);
    ScriptRead read{ReadStatus::Line, {number_, text.substr(start, end - start), {}}, {}};
    if (end != std::wstring::npos) read.line.argument = UnescapeArgument(std::wstring_view(text).substr(end + 1));
    return read;
  }
}

std::wstring UnescapeArgument(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size()) {
      wchar_t next = text[i + 1];
      if (next == L'n' || next == L't' || next == L'\\') {
        out += next == L'n' ? L'\n' : next == L't' ? L'\t' : L'\\';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}
