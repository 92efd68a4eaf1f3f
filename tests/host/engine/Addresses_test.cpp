// Addresses and page bytes at the engine's edges: what a user types, references resolved against
// their page, form data encoded, and the encoding of page bytes recognised.
#include <gtest/gtest.h>

#include "platform/text/TextDecoding.h"
#include "host/engine/Url.h"
#include "platform/text/WideText.h"

namespace {

TEST(AddressesTest, ReferencesResolveAgainstTheirPage) {
  const std::wstring page = L"http://host:8080/dir/page.html?q=1#top";
  EXPECT_EQ(ResolveUrl(page, L"other.html"), L"http://host:8080/dir/other.html");
  EXPECT_EQ(ResolveUrl(page, L"../up.html?a=b c#f"), L"http://host:8080/up.html?a=b%20c#f");
  EXPECT_EQ(ResolveUrl(page, L"/root"), L"http://host:8080/root");
  EXPECT_EQ(ResolveUrl(page, L"//cdn.example/x"), L"http://cdn.example/x");
  EXPECT_EQ(ResolveUrl(page, L"?only"), L"http://host:8080/dir/page.html?only");
  EXPECT_EQ(ResolveUrl(page, L"#frag"), L"http://host:8080/dir/page.html?q=1#frag");
  EXPECT_EQ(ResolveUrl(page, L"  "), L"http://host:8080/dir/page.html?q=1");
  EXPECT_EQ(ResolveUrl(page, L"mailto:a@b"), L"mailto:a@b");
  EXPECT_EQ(ResolveUrl(L"file:///data/Bookmark.html", L"help/help.html?x=1"), L"file:///data/help/help.html?x=1");
  EXPECT_EQ(ResolveUrl(L"about:blank", L"rel.html"), L"rel.html");
}

TEST(AddressesTest, TypedAddressesAndFilePaths) {
  EXPECT_EQ(AddressFromUserInput(L" http://x/ "), L"http://x/");
  EXPECT_EQ(AddressFromUserInput(L"about:blank"), L"about:blank");
  EXPECT_EQ(AddressFromUserInput(L"  "), L"about:blank");
  EXPECT_EQ(AddressFromUserInput(L"/tmp/a b#c.html"), L"file:///tmp/a%20b%23c.html");
  EXPECT_EQ(AddressFromUserInput(L"example.org"), L"http://example.org");
  EXPECT_EQ(PathFromFileUrl(L"file:///tmp/a%20b%23c.html"), L"/tmp/a b#c.html");
  EXPECT_EQ(PathFromFileUrl(L"file://localhost/etc/x?y"), L"/etc/x");
  EXPECT_EQ(PathFromFileUrl(L"http://x/"), L"");
  EXPECT_EQ(SchemeOf(L"C:/path"), L"");
  EXPECT_EQ(SchemeOf(L"HTTPS://x"), L"https");
}

TEST(AddressesTest, FormDataIsEncodedAsBrowsersSendIt) {
  EXPECT_EQ(EncodeFormUrlencoded({{L"a b", L"x+y&z=1"}, {L"n", L"caf\u00e9\n"}, {L"e", L""}}),
            "a+b=x%2By%26z%3D1&n=caf%C3%A9%0D%0A&e=");
}

TEST(AddressesTest, PageBytesAreDecodedByMarkSniffAndCharset) {
  std::string text = ToUtf8(L"<p>\u00e9\u4e2d</p>");
  EXPECT_EQ(DecodePage("\xFF\xFE" + ToUtf16LE(FromUtf8(text)), "").utf8, text);
  EXPECT_EQ(DecodePage(ToUtf16LE(FromUtf8(text)), "text/html").encoding, PageEncoding::Utf16LE);
  EXPECT_EQ(DecodePage(ToUtf16LE(FromUtf8(text)), "").utf8, text);
  EXPECT_EQ(DecodePage("\xEF\xBB\xBF" + text, "").utf8, text);
  EXPECT_EQ(DecodePage("<p>\xe9</p>", "text/html; charset=\"ISO-8859-1\"").utf8, "<p>\xC3\xA9</p>");
  EXPECT_EQ(DecodePage("<meta http-equiv=content-type content='text/html; charset=windows-1252'>\x80", "").utf8,
            "<meta http-equiv=content-type content='text/html; charset=windows-1252'>\xE2\x82\xAC");
  // An unknown charset, or a UTF-16 label on 8-bit bytes, reads as UTF-8.
  EXPECT_EQ(DecodePage(text, "text/html; charset=no-such").utf8, text);
  EXPECT_EQ(DecodePage("<meta charset=utf-16><p>x", "").utf8, "<meta charset=utf-16><p>x");
  // A single character is too little to sniff; binary bytes are not text.
  EXPECT_FALSE(LooksLikeUtf16LE(std::string("<\0", 2)));
  EXPECT_TRUE(LooksBinary(std::string("GIF89a\0\0", 8)));
  EXPECT_FALSE(LooksBinary(ToUtf16LE(L"<html>")));
}

}  // namespace
