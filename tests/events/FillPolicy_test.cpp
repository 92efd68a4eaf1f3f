// Which saved login may go into which page form, over random pairs built from pieces whose destination is known,
// among them the spellings a browser reads as another site (backslashes, stray slashes, tabs, a user part).
#include <gtest/gtest.h>

#include <random>

#include "events/FillPolicy.h"
#include "platform/text/WideText.h"

namespace {

// Actions on a page of scheme {P} and site {S}; {Q} is the other web scheme and {O} another site. Without slashes,
// {P}:done is a relative path, but in {Q}:{O}/steal {O} is the site.
const wchar_t* const kOwnActions[] = {L"", L"done.html", L"/done", L"?step=2", L"#top", L"./a/../done", L"  /done\t",
                                      L"{P}://{S}/done", L"{PU}://{S}/done?x=//{O}/", L"{P}:done", L"/sign//{O}"};
const wchar_t* const kForeignActions[] = {
    L"{Q}://{S}/done", L"{P}://{O}/steal", L"//{O}/steal", L"\\\\{O}/steal", L"/\\{O}/steal", L"\\/{O}/steal",
    L" //{O}/steal", L"\x01//{O}", L"/\t/{O}/steal", L"/\n/{O}/steal", L"{P}:///{O}/steal", L"{P}:\\\\{O}\\steal",
    L"{Q}:{O}/steal", L"//{S}@{O}/steal", L"//{O}#@{S}/", L"//{O}?@{S}/", L"//{O}\\@{S}/", L"//{S}.{O}/",
    L"//{S}:1/", L"javascript:document.forms[0].submit()", L"jav\tascript:x", L"data:text/html,x",
    L"file:///tmp/x", L"ftp://{S}/"};

const wchar_t* const kSites[] = {L"127.0.0.1:8080", L"bank.example", L"[::1]:8443", L"ann@mail.example"};
const wchar_t* const kOthers[] = {L"localhost:8080", L"evil.example", L"127.0.0.2:8080"};
const wchar_t* const kPaths[] = {L"/", L"/login", L"/a/b/login?next=/x#f", L"?q", L""};
// Actions stored with a saved form that lead to its own site: none is ever where another site is.
const wchar_t* const kSavedActions[] = {L"", L"/done", L"done.html", L"{P}://{S}/session"};

std::wstring Expand(std::wstring text, const std::wstring& scheme, const std::wstring& site,
                    const std::wstring& other) {
  text = ReplaceAll(text, L"{PU}", scheme == L"http" ? L"HTTP" : L"HTTPS");
  text = ReplaceAll(text, L"{P}", scheme);
  text = ReplaceAll(text, L"{Q}", scheme == L"http" ? L"https" : L"http");
  text = ReplaceAll(text, L"{S}", site);
  return ReplaceAll(text, L"{O}", other);
}

TEST(FillPolicyTest, RandomPairsOfSavedAndPageFormsFillOnlyOnTheirOwnSchemeAndSite) {
  std::mt19937 random(20261209);
  auto pick = [&](const auto& list) {
    return list[std::uniform_int_distribution<size_t>(0, std::size(list) - 1)(random)];
  };
  size_t filled = 0, refused = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::wstring scheme = round % 2 ? L"http" : L"https";
    const bool sameScheme = round % 5 != 0;
    const std::wstring savedScheme = sameScheme ? scheme : (scheme == L"http" ? L"https" : L"http");
    const std::wstring site = pick(kSites), other = pick(kOthers);
    const bool ownAction = round % 3 == 0;
    const FormOrigin form{scheme + L"://" + site + pick(kPaths),
                          Expand(ownAction ? pick(kOwnActions) : pick(kForeignActions), scheme, site, other)};
    const FormOrigin saved{savedScheme + L"://" + site + pick(kPaths),
                           Expand(pick(kSavedActions), savedScheme, site, other)};
    const bool expected = sameScheme && ownAction;
    ASSERT_EQ(MayFillForm(form, saved), expected)
        << "page " << ToUtf8(form.page) << " action [" << ToUtf8(form.action) << "], saved on " << ToUtf8(saved.page)
        << " action [" << ToUtf8(saved.action) << "]";
    ++(expected ? filled : refused);
  }
  EXPECT_GT(filled, 3000u);
  EXPECT_GT(refused, 3000u);
}

TEST(FillPolicyTest, OnlyWebPagesWithASiteAreFilledAndALoginSentToAnotherSiteGoesOnlyToThatAddress) {
  for (const wchar_t* page : {L"http://127.0.0.1:8080/login", L"HTTPS://bank.example", L"https://bank.example?x#y"})
    EXPECT_TRUE(IsFillablePage(page)) << ToUtf8(page);
  for (const wchar_t* page : {L"file:///tmp/login.html", L"file://127.0.0.1:8080/login.html", L"about:blank", L"",
                              L"data:text/html,<form>", L"javascript:1", L"ftp://bank.example/", L"http:///login",
                              L"https://", L"http:bank.example/login", L"//bank.example/login",
                              L" http://bank.example/", L"http\t://bank.example/"}) {
    EXPECT_FALSE(IsFillablePage(page)) << ToUtf8(page);
    // Neither as the page, nor as the page a login was saved on, whatever the actions.
    EXPECT_FALSE(MayFillForm({page, L""}, {page, L""})) << ToUtf8(page);
    EXPECT_FALSE(MayFillForm({page, L"/done"}, {L"http://127.0.0.1:8080/login", L"/done"})) << ToUtf8(page);
    EXPECT_FALSE(MayFillForm({L"http://127.0.0.1:8080/login", L"/done"}, {page, L"/done"})) << ToUtf8(page);
  }
  // A login always sent to another site goes only to that same address.
  const FormOrigin saved{L"https://shop.example/login", L"https://sso.example/auth?app=shop"};
  EXPECT_TRUE(MayFillForm({L"https://shop.example/", L"https://sso.example/auth?app=shop#x"}, saved));
  EXPECT_TRUE(MayFillForm({L"https://shop.example/", L"https://SSO.example/auth?app=shop"}, saved));
  EXPECT_FALSE(MayFillForm({L"https://shop.example/", L"https://sso.example/auth?app=other"}, saved));
  EXPECT_FALSE(MayFillForm({L"https://shop.example/", L"http://sso.example/auth?app=shop"}, saved));
  EXPECT_FALSE(MayFillForm({L"http://shop.example/", L"https://sso.example/auth?app=shop"}, saved));
  EXPECT_FALSE(MayFillForm({L"https://sso.example/", L"https://sso.example/auth?app=shop"}, saved));
  EXPECT_FALSE(MayFillForm({L"https://other.example/", L"https://sso.example/auth?app=shop"}, saved));
  // A relative action is the same address only where it resolves to the same place.
  const FormOrigin relative{L"https://shop.example/a/login", L"session"};
  EXPECT_TRUE(MayFillForm({L"https://shop.example/b/login", L"/a/session"}, relative));
  EXPECT_TRUE(MayFillForm({L"https://shop.example/b/login", L"session"}, relative));  // the page's own site
}

}  // namespace
