#include "platform/text/WideText.h"

#include <gtest/gtest.h>

#include "platform/text/Format.h"

TEST(WideText, ConvertsEveryPlaneBothWays) {
  const std::wstring text = L"a\u00e9\u20ac\U0001F600z";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(text), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  std::string utf16 = ToUtf16LE(text);
  EXPECT_EQ(utf16.size(), 12u);  // the emoji takes a surrogate pair
  EXPECT_EQ(utf16.substr(6, 4), std::string("\x3D\xD8\x00\xDE", 4));
  EXPECT_EQ(FromUtf16LE(utf16), text);
}

TEST(WideText, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(FromUtf8("a\xE2\x82"), L"a\uFFFD");          // cut-off sequence
  EXPECT_EQ(FromUtf8("\xC0\xAF"), L"\uFFFD");            // overlong encoding of "/"
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), L"\uFFFD");        // encoded surrogate
  EXPECT_EQ(FromUtf16LE(std::string("\x00\xD8" "A\x00", 4)), L"\uFFFDA");  // lone high surrogate
  EXPECT_EQ(FromUtf16LE(std::string("A\x00" "B", 3)), L"A\uFFFD");         // odd byte count
}

TEST(WideText, TrimsTheSpaceCharacters) {
  EXPECT_EQ(Trim(L" \t\r\n\v\f text with blanks \t"), L"text with blanks");
  EXPECT_EQ(Trim(L"   "), L"");
  EXPECT_EQ(TrimRight(L"  x  "), L"  x");
}

TEST(Format, WritesArgumentsWithoutReadingPastThem) {
  EXPECT_EQ(Format(L"Error Code = %08lx ", static_cast<std::int32_t>(0x80040E14)), L"Error Code = 80040e14 ");
  EXPECT_EQ(Format(L"Unknown error 0x%0lX", 0x1234ABCDu), L"Unknown error 0x1234ABCD");
  EXPECT_EQ(Format(L"'%s' and %i%%", std::wstring(L"100% %s"), 5), L"'100% %s' and 5%");
  EXPECT_EQ(Format(L"%s then %s", std::wstring(L"one")), L"one then %s");  // missing argument stays
  EXPECT_EQ(Format(L"%d", std::wstring(L"text")), L"");                    // wrong kind writes nothing
}
