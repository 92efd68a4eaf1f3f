#include "platform/text/TextDecoding.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "platform/text/WideText.h"

namespace {

// An open converter; iconv_open signals failure with (iconv_t)-1.
class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

std::string TrimQuotes(std::string_view value) {
  size_t start = 0;
  while (start < value.size() && (value[start] == ' ' || value[start] == '"' || value[start] == '\''))
    ++start;
  size_t end = start;
  while (end < value.size() && value[end] != '"' && value[end] != '\'' && value[end] != ';' &&
         value[end] != ' ' && value[end] != '>' && value[end] != '/')
    ++end;
  return Lower(value.substr(start, end - start));
}

std::wstring FromUtf16BE(std::string_view bytes) {
  std::string swapped(bytes);
  for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
  return FromUtf16LE(swapped);
}

// Converts with the platform's converter into UTF-8; false when the charset is unknown to it.
bool ConvertToUtf8(std::string_view bytes, const std::string& charset, std::string& out) {
  // Pages labelled ISO-8859-1 or ASCII are in practice windows-1252, as browsers treat them.
  std::string from = charset;
  if (from == "iso-8859-1" || from == "latin1" || from == "us-ascii" || from == "ascii") from = "windows-1252";
  Converter converter("UTF-8", from.c_str());
  if (!converter.ok()) return false;
  out.clear();
  out.reserve(bytes.size() * 2);
  std::string input(bytes);
  char* in = input.data();
  size_t inLeft = input.size();
  char buffer[8192];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t result = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    if (result == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or cut-off sequence: one replacement character, then go on after the byte.
      out += "\xEF\xBF\xBD";
      ++in;
      --inLeft;
    }
  }
  return true;
}

// The charset parameter of a Content-Type value, in lower case, or empty.
std::string CharsetFromContentType(std::string_view contentType) {
  std::string lower = Lower(contentType);
  size_t at = lower.find("charset=");
  return at == std::string::npos ? std::string() : TrimQuotes(std::string_view(lower).substr(at + 8));
}

// The charset a page declares in a <meta> within its first 1024 bytes, in lower case, or empty.
std::string CharsetFromMeta(std::string_view bytes) {
  std::string head = Lower(bytes.substr(0, 1024));
  size_t at = 0;
  while ((at = head.find("<meta", at)) != std::string::npos) {
    size_t end = head.find('>', at);
    std::string_view tag = std::string_view(head).substr(at, end == std::string::npos ? std::string::npos : end - at);
    size_t charset = tag.find("charset=");
    if (charset != std::string_view::npos) return TrimQuotes(tag.substr(charset + 8));
    at += 5;
  }
  return {};
}

}  // namespace

bool LooksLikeUtf16LE(std::string_view bytes) {
  size_t pairs = std::min<size_t>(bytes.size() / 2, 256);
  if (pairs < 2) return false;
  size_t zeroOdd = 0, zeroEven = 0;
  for (size_t i = 0; i < pairs; ++i) {
    if (bytes[2 * i] == 0) ++zeroEven;
    if (bytes[2 * i + 1] == 0) ++zeroOdd;
  }
  // Latin text in UTF-16LE has a zero high byte almost everywhere and a zero low byte nowhere.
  return bytes[0] != 0 && bytes[1] == 0 && zeroOdd * 4 >= pairs * 3 && zeroEven * 10 <= pairs;
}

bool LooksBinary(std::string_view bytes) {
  if (bytes.starts_with("\x89PNG") || bytes.starts_with("GIF8") || bytes.starts_with("\xFF\xD8\xFF") ||
      bytes.starts_with("%PDF") || (bytes.starts_with("BM") && bytes.size() > 14 && bytes[6] == 0))
    return true;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") || LooksLikeUtf16LE(bytes)) return false;
  return bytes.substr(0, 4096).find('\0') != std::string_view::npos;
}

DecodedPage DecodePage(std::string_view bytes, std::string_view contentType) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return {std::string(bytes.substr(3)), PageEncoding::Utf8};
  if (bytes.starts_with("\xFF\xFE")) return {ToUtf8(FromUtf16LE(bytes.substr(2))), PageEncoding::Utf16LE};
  if (bytes.starts_with("\xFE\xFF")) return {ToUtf8(FromUtf16BE(bytes.substr(2))), PageEncoding::Utf16BE};
  if (LooksLikeUtf16LE(bytes)) return {ToUtf8(FromUtf16LE(bytes)), PageEncoding::Utf16LE};
  std::string charset = CharsetFromContentType(contentType);
  if (charset.empty()) charset = CharsetFromMeta(bytes);
  if (charset.starts_with("utf-16")) charset = "utf-8";  // a UTF-16 label on 8-bit bytes is wrong
  if (!charset.empty() && charset != "utf-8" && charset != "utf8") {
    std::string utf8;
    if (ConvertToUtf8(bytes, charset, utf8)) return {std::move(utf8), PageEncoding::Declared};
  }
  return {std::string(bytes), PageEncoding::Utf8};
}
