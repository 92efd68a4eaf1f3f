// Turning the bytes of a page into text, the way a browser picks the encoding: a byte-order mark
// first, then a UTF-16LE sniff (pages written without a mark), then the charset the server or the
// page declares, and UTF-8 when nothing is said.
#pragma once
#include <string>
#include <string_view>

enum class PageEncoding { Utf8, Utf16LE, Utf16BE, Declared };

struct DecodedPage {
  std::string utf8;  // the page's text as UTF-8 (the parser's input)
  PageEncoding encoding = PageEncoding::Utf8;
};

// Decodes `bytes` into UTF-8; pages already in UTF-8 pass unchanged (the parser replaces
// malformed sequences). `contentType` is the server's Content-Type header (empty for files). A charset
// the platform cannot convert falls back to UTF-8.
DecodedPage DecodePage(std::string_view bytes, std::string_view contentType);

// Whether `bytes` look like UTF-16LE text without a byte-order mark: most of the first bytes at odd
// positions are zero while those at even positions are not.
bool LooksLikeUtf16LE(std::string_view bytes);

// Whether `bytes` are no text at all (an image or other binary content): known image signatures,
// or zero bytes in a page that is not UTF-16.
bool LooksBinary(std::string_view bytes);
