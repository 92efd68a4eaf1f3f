#include "platform/text/WideText.h"

#include <algorithm>
#include <cwctype>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || IsSurrogate(c)) c = kReplacement;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string ToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    // A wide text that carries a surrogate pair (from UTF-16 input) is joined again.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      char32_t low = static_cast<char32_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(out, c);
  }
  return out;
}

size_t DecodeUtf8(std::string_view bytes, wchar_t* out) {
  wchar_t* const start = out;
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      *out++ = static_cast<wchar_t>(b);
      ++i;
      continue;
    }
    size_t len = 0;
    char32_t c = 0;
    char32_t min = 0;
    if ((b & 0xE0) == 0xC0) { len = 2; c = b & 0x1F; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { len = 3; c = b & 0x0F; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { len = 4; c = b & 0x07; min = 0x10000; }
    else {
      *out++ = static_cast<wchar_t>(kReplacement);
      ++i;
      continue;
    }
    size_t k = 1;
    for (; k < len && i + k < n; ++k) {
      unsigned char cont = static_cast<unsigned char>(bytes[i + k]);
      if ((cont & 0xC0) != 0x80) break;
      c = (c << 6) | (cont & 0x3F);
    }
    if (k < len || c < min || c > 0x10FFFF || IsSurrogate(c)) {
      *out++ = static_cast<wchar_t>(kReplacement);
      i += k;  // resume at the first byte that did not belong to the sequence
      continue;
    }
    *out++ = static_cast<wchar_t>(c);
    i += len;
  }
  return static_cast<size_t>(out - start);
}

std::wstring FromUtf8(std::string_view bytes) {
  // Most texts (addresses, most descriptions) are plain ASCII: widen them in one go.
  size_t ascii = 0;
  while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
  std::wstring out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(ascii));
  if (ascii == bytes.size()) return out;
  out.resize(bytes.size());
  out.resize(ascii + DecodeUtf8(bytes.substr(ascii), out.data() + ascii));
  return out;
}

void AppendUtf16LE(std::string& out, std::wstring_view text) {
  // Sized for one code unit per character and written in place; a character beyond the Basic
  // Multilingual Plane grows the text by its second unit.
  size_t at = out.size();
  out.resize(at + text.size() * 2);
  for (wchar_t wc : text) {
    char32_t c = static_cast<char32_t>(wc);
    if (c > 0x10FFFF) c = kReplacement;
    if (c >= 0x10000) {
      out.resize(out.size() + 2);
      c -= 0x10000;
      char32_t high = 0xD800 + (c >> 10), low = 0xDC00 + (c & 0x3FF);
      out[at++] = static_cast<char>(high & 0xFF);
      out[at++] = static_cast<char>(high >> 8);
      c = low;
    }
    out[at++] = static_cast<char>(c & 0xFF);
    out[at++] = static_cast<char>((c >> 8) & 0xFF);
  }
}

std::string ToUtf16LE(std::wstring_view text) {
  std::string out;
  AppendUtf16LE(out, text);
  return out;
}

std::wstring FromUtf16LE(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size() / 2);
  size_t units = bytes.size() / 2;
  auto unit = [&bytes](size_t k) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                 (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
  };
  for (size_t k = 0; k < units; ++k) {
    char16_t u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
      char16_t low = unit(k + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        ++k;
        continue;
      }
    }
    out += static_cast<wchar_t>(IsSurrogate(u) ? kReplacement : u);
  }
  if (bytes.size() % 2) out += static_cast<wchar_t>(kReplacement);
  return out;
}

bool IsWideSpace(wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0 || (c >= 9 && c <= 13) || c == L' '; }

std::wstring TrimRight(std::wstring_view text) {
  size_t end = text.size();
  while (end > 0 && IsWideSpace(text[end - 1])) --end;
  return std::wstring(text.substr(0, end));
}

std::wstring TrimLeft(std::wstring_view text) {
  size_t start = 0;
  while (start < text.size() && IsWideSpace(text[start])) ++start;
  return std::wstring(text.substr(start));
}

std::wstring Trim(std::wstring_view text) { return TrimLeft(TrimRight(text)); }

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to) {
  std::wstring out;
  if (from.empty()) return std::wstring(text);
  out.reserve(text.size());
  size_t pos = 0;
  while (true) {
    size_t hit = text.find(from, pos);
    if (hit == std::wstring_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  return true;
}

std::wstring ToLower(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return out;
}

bool SameAsciiNoCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}
