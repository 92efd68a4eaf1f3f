#include "host/engine/Url.h"

#include <curl/curl.h>

#include <filesystem>
#include <memory>

#include "platform/text/WideText.h"

namespace {

template <auto Free>
struct FreeWith {
  void operator()(auto* handle) const { Free(handle); }
};
using UrlHandle = std::unique_ptr<CURLU, FreeWith<curl_url_cleanup>>;
using CurlText = std::unique_ptr<char, FreeWith<curl_free>>;

bool IsSchemeChar(wchar_t c, bool first) {
  if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) return true;
  return !first && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.');
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

std::wstring SchemeOf(std::wstring_view address) {
  size_t colon = address.find(L':');
  // One letter before the colon is a drive letter of a path, not a scheme.
  if (colon == std::wstring_view::npos || colon < 2) return {};
  for (size_t i = 0; i < colon; ++i)
    if (!IsSchemeChar(address[i], i == 0)) return {};
  return ToLower(address.substr(0, colon));
}

bool PageMayOpen(std::wstring_view from, std::wstring_view to) {
  std::wstring target = SchemeOf(to);
  if (target == L"javascript" || target == L"data") return false;
  std::wstring source = SchemeOf(from);
  return !(target == L"file" && (source == L"http" || source == L"https"));
}

std::wstring AddressFromUserInput(std::wstring_view input) {
  std::wstring text = Trim(input);
  if (text.empty()) return L"about:blank";  // nothing to open: an empty page rather than a guess
  if (!SchemeOf(text).empty()) return text;
  std::error_code error;
  std::filesystem::path path(ToUtf8(text));
  bool looksLikePath = !text.empty() && (text[0] == L'/' || text[0] == L'.' || text[0] == L'~');
  if (looksLikePath || std::filesystem::exists(path, error)) {
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (!error) return FileUrlFromPath(FromUtf8(absolute.lexically_normal().string()));
  }
  return L"http://" + text;
}

std::wstring FileUrlFromPath(std::wstring_view absolutePath) {
  std::wstring path = ReplaceAll(ReplaceAll(absolutePath, L"%", L"%25"), L" ", L"%20");  // "%" first
  return L"file://" + ReplaceAll(ReplaceAll(path, L"#", L"%23"), L"?", L"%3F");
}

std::wstring PathFromFileUrl(std::wstring_view address) {
  if (SchemeOf(address) != L"file") return {};
  std::wstring_view rest = address.substr(5);
  if (rest.starts_with(L"//")) {
    rest.remove_prefix(2);
    size_t slash = rest.find(L'/');  // an authority ("localhost") before the path is dropped
    rest = slash == std::wstring_view::npos ? std::wstring_view{} : rest.substr(slash);
  }
  size_t end = rest.find_first_of(L"?#");
  if (end != std::wstring_view::npos) rest = rest.substr(0, end);
  // Percent-escapes are bytes of UTF-8.
  std::string bytes;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == L'%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 && HexValue(rest[i + 2]) >= 0) {
      bytes += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
      i += 2;
    } else {
      bytes += ToUtf8(std::wstring_view(&rest[i], 1));
    }
  }
  return FromUtf8(bytes);
}

std::wstring WithoutFragment(std::wstring_view address) { return std::wstring(address.substr(0, address.find(L'#'))); }

std::wstring ResolveUrl(std::wstring_view base, std::wstring_view reference) {
  std::wstring ref = Trim(reference);
  if (ref.empty()) return WithoutFragment(base);
  if (!SchemeOf(ref).empty()) return ref;
  // The query and fragment are carried over by hand: the address parser drops the query of a
  // file address, which a browser keeps.
  size_t split = ref.find_first_of(L"?#");
  std::wstring refPath = ref.substr(0, split);
  std::wstring suffix = split == std::wstring::npos ? std::wstring{} : ReplaceAll(ref.substr(split), L" ", L"%20");
  if (refPath.empty()) {
    std::wstring result = WithoutFragment(base);
    if (suffix.starts_with(L"?")) result = result.substr(0, result.find(L'?'));
    return result + suffix;
  }
  UrlHandle handle(curl_url());
  if (!handle) return ref;
  std::string baseText = ToUtf8(base);
  if (curl_url_set(handle.get(), CURLUPART_URL, baseText.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
    return ref;  // a base that cannot carry relative addresses (about:blank)
  std::string refText = ToUtf8(refPath);
  if (curl_url_set(handle.get(), CURLUPART_URL, refText.c_str(),
                   CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) != CURLUE_OK)
    return ref;
  curl_url_set(handle.get(), CURLUPART_QUERY, nullptr, 0);
  curl_url_set(handle.get(), CURLUPART_FRAGMENT, nullptr, 0);
  char* raw = nullptr;
  if (curl_url_get(handle.get(), CURLUPART_URL, &raw, 0) != CURLUE_OK || !raw) return ref;
  CurlText text(raw);
  return FromUtf8(text.get()) + suffix;
}

std::wstring WithCrLf(std::wstring_view text) {
  return ReplaceAll(ReplaceAll(ReplaceAll(text, L"\r\n", L"\n"), L"\r", L"\n"), L"\n", L"\r\n");
}

std::string EncodeFormUrlencoded(const std::vector<FormEntry>& entries) {
  auto encode = [](std::wstring_view text, std::string& out) {
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : ToUtf8(WithCrLf(text))) {
      if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*' ||
          c == '-' || c == '.' || c == '_') {
        out += static_cast<char>(c);
      } else if (c == ' ') {
        out += '+';
      } else {
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
    }
  };
  std::string out;
  for (const auto& entry : entries) {
    if (!out.empty()) out += '&';
    encode(entry.name, out);
    out += '=';
    encode(entry.value, out);
  }
  return out;
}
