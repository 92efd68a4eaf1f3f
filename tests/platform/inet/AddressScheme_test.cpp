// The scheme of an address as a browser reads it, on the disguises a hostile file uses.
#include "platform/inet/AddressScheme.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(AddressScheme, IsReadAsABrowserReadsItHoweverItIsDisguised) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"http://example.com/", L"http"}, {L"HTTPS://example.com/", L"https"}, {L"svn+ssh://host/repo", L"svn+ssh"},
      {L"java\tscript:alert(1)", L"javascript"}, {L"java\nscript:alert(1)", L"javascript"}, {L"", L""}, {L":", L""},
      {L"\x01\x1f javascript:alert(1) \x02", L"javascript"}, {std::wstring(L"\0vbscript:msgbox(1)", 19), L"vbscript"},
      {L"  DaTa:text/html,<script>alert(1)</script>", L"data"}, {L"place:folder=TOOLBAR", L"place"},
      {L"j\ra\tv\na script:alert(1)", L""},  // a blank inside is no part of a scheme
      // Not schemes: relative addresses, a digit first, a character no scheme holds, no colon.
      {L"/path:with/colon", L""}, {L"1http://x/", L""}, {L"\u00e9javascript:alert(1)", L""}, {L"javascript", L""}};
  for (const auto& [address, scheme] : cases)
    EXPECT_EQ(BrowserScheme(address), scheme) << "address of " << address.size() << " characters";

  for (const wchar_t* script : {L"javascript:alert(1)", L" java\tscript:x", L"VBScript:x", L"data:,hi"})
    EXPECT_TRUE(IsScriptAddress(script)) << script;
  for (const wchar_t* other : {L"http://javascript.example/javascript:", L"place:sort=8", L"javascript-docs.html"})
    EXPECT_FALSE(IsScriptAddress(other)) << other;
}

}  // namespace
