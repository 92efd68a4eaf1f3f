#include <sqlite3.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/ado/Connection.h"
#include "platform/ado/TextMatch.h"
#include "platform/text/WideText.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"
#include "tests/reports/PageTestSupport.h"
#include "tests/support/TestDatabase.h"

namespace {

TEST(SearchCondition, TheWorkedExample) {
  EXPECT_EQ(L"select * from LinksData " + CBookmarkDatabase::BuildSearchCondition(L"news, sport", L"AND") +
                L" order by Description",
            L"select * from LinksData where (HomePage like '%news%' or Description like '%news%') AND "
            L"(HomePage like '%sport%' or Description like '%sport%') order by Description");
  EXPECT_EQ(CBookmarkDatabase::BuildSearchCondition(L"news, sport", L"OR"),
            L"where (HomePage like '%news%' or Description like '%news%') OR "
            L"(HomePage like '%sport%' or Description like '%sport%')");
}

TEST(SearchCondition, SplittingIntoWords) {
  EXPECT_EQ(CBookmarkDatabase::BuildSearchCondition(L"  one  ", L"OR"),
            L"where (HomePage like '%one%' or Description like '%one%')");
  EXPECT_EQ(CBookmarkDatabase::BuildSearchCondition(L"a;b,c", L"OR"),
            L"where (HomePage like '%a%' or Description like '%a%') OR (HomePage like '%b%' or Description like "
            L"'%b%') OR (HomePage like '%c%' or Description like '%c%')");
  EXPECT_EQ(CBookmarkDatabase::BuildSearchCondition(L"x x", L"AND"),
            L"where (HomePage like '%x%' or Description like '%x%') AND (HomePage like '%x%' or Description like '%x%')");
  EXPECT_EQ(CBookmarkDatabase::BuildSearchCondition(L"tab\tword", L"OR"),
            L"where (HomePage like '%tab\tword%' or Description like '%tab\tword%')");
  EXPECT_EQ(CBookmarkDatabase::BuildSearchCondition(L"it's", L"OR"),
            L"where (HomePage like '%it''s%' or Description like '%it''s%')");
  EXPECT_EQ(CBookmarkDatabase::BuildSearchCondition(L" ,; ", L"OR"), L"where ");
}

TEST(SearchCondition, TheConditionInAnyCaseJoinsWordsAndAnyOtherIsRefusedWithWhatToPick) {
  EXPECT_EQ(CBookmarkDatabase::BuildSearchCondition(L"news sport", L"or"),
            CBookmarkDatabase::BuildSearchCondition(L"news sport", L"OR"));
  EXPECT_EQ(CBookmarkDatabase::BuildSearchCondition(L"news sport", L"And"),
            CBookmarkDatabase::BuildSearchCondition(L"news sport", L"AND"));
  // One word needs no conjunction, so even a condition that is neither searches.
  EXPECT_EQ(CBookmarkDatabase::BuildSearchCondition(L"news", L"maybe"),
            L"where (HomePage like '%news%' or Description like '%news%')");
  using ::testing::HasSubstr;
  for (const wchar_t* condition : {L"or 1=1 or", L"", L"ORR", L"either"})
    EXPECT_THAT([condition] { CBookmarkDatabase::BuildSearchCondition(L"news sport", condition); },
                ::testing::Throws<CCustomException>(::testing::Property(
                    &CCustomException::GetMessage, ::testing::AllOf(HasSubstr(L"\"Switch to AND search condition\""),
                                                                    HasSubstr(L"\"Switch to OR search condition\"")))))
        << ToUtf8(condition);
}

TEST(TextMatch, KeepsTheEnginesLikeMeaningAndIgnoresCaseForEveryLetterThatHasOne) {
  const std::tuple<const char*, const char*, char32_t, bool> cases[] = {
      {"%news%", "Daily NEWS today", 0, true}, {"%news%", "new", 0, false}, {"a%c", "abbbc", 0, true},
      {"%n_ws%", "the nEws", 0, true}, {"%n_ws%", "the nws", 0, false}, {"a%c", "abbbcd", 0, false},
      {"%\xC3\xA9t\xC3\xA9%", "un \xC3\xA9t\xC3\xA9 chaud", 0, true}, {"%a%b%c%", "xxaxxbxxcxx", 0, true},
      {"%100!%%", "a 100% rise", '!', true}, {"%100!%%", "a 1000 rise", '!', false}, {"%%", "", 0, true},
      {"_", "\xC3\xA9", 0, true},  // one character, not one byte
      // Beyond ASCII: Latin, Greek (final sigma too), Cyrillic, and a plane beyond the first (Deseret).
      {"%Z\xC3\x9CRICH%", "nach z\xC3\xBCrich", 0, true}, {"%z\xC3\xBCrich%", "Z\xC3\x9CRICH", 0, true},
      {"Z_RICH", "z\xC3\xBCrich", 0, true}, {"Z\xC3\x9C%H", "z\xC3\xBCrich", 0, true},
      {"%\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x9F\xCE\xA3%", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xBF\xCF\x82", 0, true},
      {"%\xD0\x9C\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90%", "\xD0\xBC\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 2024", 0,
       true},
      {"%\xF0\x90\x90\x80%", "\xF0\x90\x90\xA8", 0, true},
      {"%\xE1\xBA\x9E%", "stra\xC3\x9F" "e", 0, true},  // capital sharp s
      // The Kelvin sign and the long s fold to ASCII letters: an ASCII word finds them.
      {"%500k%", "500\xE2\x84\xAA", 0, true}, {"%CLASS%", "cla\xC5\xBF\xC5\xBF", 0, true},
      {"%\xC5\xBFun%", "SUNDAY", 0, true},
      // Different letters stay different, and so do a letter and its accented form.
      {"%\xC3\xA9t\xC3\xA9%", "ete \xC3\x89T", 0, false}, {"%zurich%", "Z\xC3\x9CRICH", 0, false},
      {"%kilo%", "\xE2\x84\xAAil \xC3\xA9", 0, false},
      {"%i%", "\xC4\xB0", 0, false},  // the dotted capital I folds to no single letter
      // The escape character is compared as it is: its other case is an ordinary letter.
      {"\xC3\xBC\xC3\x9C%", "\xC3\x9C%", U'\u00DC', true}, {"\xC3\xBC\xC3\x9C%", "\xC3\x9Cx", U'\u00DC', false},
  };
  for (const auto& [pattern, text, escape, matches] : cases)
    EXPECT_EQ(LikeMatch(pattern, text, escape), matches) << pattern << " / " << text;
  EXPECT_FALSE(LikeMatch(std::string(30, '%') + "b", std::string(5000, 'a'), 0));  // no blow-up
  // A long s anywhere in the text, also between the blocks a long word's search reads.
  for (size_t before : {0, 3, 8, 15}) {
    const std::string text = std::string(before, 'b') + "aaaaaaaaa\xC5\xBF" + std::string(10, 'a') + "bbbbbb";
    EXPECT_TRUE(LikeMatch("%" + std::string(9, 'a') + "s" + std::string(10, 'a') + "%", text, 0)) << before;
  }
}

// `text LIKE pattern [ESCAPE escape]` on a connection: 1 or 0, -1 for NULL, -2 for an error.
int LikeOn(sqlite3* db, const std::string& pattern, const std::string& text, const char* escape) {
  sqlite3_stmt* raw = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, escape ? "SELECT ?2 LIKE ?1 ESCAPE ?3" : "SELECT ?2 LIKE ?1", -1, &raw, nullptr),
            SQLITE_OK);
  ado::StatementHandle stmt(raw);
  sqlite3_bind_text(raw, 1, pattern.data(), static_cast<int>(pattern.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(raw, 2, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  if (escape) sqlite3_bind_text(raw, 3, escape, -1, SQLITE_TRANSIENT);
  if (sqlite3_step(raw) != SQLITE_ROW) return -2;
  return sqlite3_column_type(raw, 0) == SQLITE_NULL ? -1 : sqlite3_column_int(raw, 0);
}

ado::SqliteHandle OpenMemory(bool projectLike) {
  sqlite3* raw = nullptr;
  EXPECT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
  ado::SqliteHandle db(raw);
  if (projectLike) RegisterTextMatch(db.get());
  return db;
}

TEST(TextMatch, AnswersAsTheEnginesOwnLikeWhateverTheTexts) {
  struct Case {
    std::string pattern, text;
    const char* escape;
  };
  const Case cases[] = {
      // Every letter with a case folds, "Z" and "z" as much as "A" and "a" or "\xC3\x89" and "\xC3\xA9".
      {"%Z%", "lazy", nullptr}, {"%z%", "LAZY", nullptr}, {"_A%z", "zaZ", nullptr}, {"%\xC3\x89%", "\xC3\xA9", nullptr},
      {"%\xC3\xA9t\xC3\xA9%", "\xC3\x89T\xC3\x89", nullptr}, {"%sun%", "\xC5\xBFUN", nullptr},
      {"%k%", "\xE2\x84\xAA", nullptr},
      // An escape letter is compared exactly; its other case, or a letter folding to it, is literal.
      {"Z%z", "z%Z", "Z"}, {"Z%z", "zxZ", "Z"}, {"z%Z", "Zx", "z"}, {"k\xE2\x84\xAA%", "kx", "k"},
      {"\xC3\x9C_\xC3\xBC", "\xC3\xBC_\xC3\xBC", "\xC3\x9C"}, {"\xC3\x9C_\xC3\xBC", "\xC3\xBCx\xC3\xBC", "\xC3\x9C"},
      // An escape character that is a wild card is none; one that ends the pattern matches nothing.
      {"a%%b%", "a%bc", "%"}, {"a%%b", "a%b", "%"}, {"a__", "a_b", "_"}, {"a__", "a_", "_"}, {"100\\", "100\\", "\\"},
      {"%!", "x!", "!"}, {"%100!%%", "a 100% rise", "!"}, {"Z!z", "zz", "!"},
      // Escape characters beyond ASCII, also inside a "%word%" pattern.
      {"%\xF0\x9F\x98\x80l%", "l%!2!", "\xF0\x9F\x98\x80"}, {"%\xC3\xA9%%", "x%", "\xC3\xA9"},
      // Malformed UTF-8 reads as the engine reads it.
      {"%\xC3%", "\xC3\xA9", nullptr}, {"%\xC3\xA9%", "\xC3\xA9\xA9", nullptr}, {"%\xC3\xA9%", "\xE0\x83\xA9", nullptr},
      {"%\xEF\xBF\xBD%", "a\xC0\x80", nullptr}, {"_", "\xF8\x88\x80\x80\x80", nullptr}, {"__", "\xA9\xA9", nullptr},
      // A text ends at its first NUL.
      {"a%", std::string("a\0b", 3), nullptr}, {"%b%", std::string("a\0b", 3), nullptr}, {std::string("%a\0z", 4), "xa", nullptr},
  };
  ado::SqliteHandle engine = OpenMemory(false);
  ado::SqliteHandle project = OpenMemory(true);
  for (const Case& c : cases) {
    // The engine's own like folds ASCII letters only; it gets both texts folded.
    const int expected = LikeOn(engine.get(), FoldedLikePattern(c.pattern, c.escape ? c.escape : ""),
                                FoldedLikeText(c.text), c.escape);
    EXPECT_EQ(LikeOn(project.get(), c.pattern, c.text, c.escape), expected) << c.pattern << " / " << c.text;
    const std::wstring escape = FromUtf8(c.escape ? c.escape : "");
    EXPECT_EQ(LikeMatch(c.pattern, c.text, escape.empty() ? 0 : static_cast<char32_t>(escape[0])), expected == 1)
        << c.pattern << " / " << c.text;
  }
  // Where the engine refuses the escape, so does the project's like.
  for (const char* escape : {"", "ab", "\xC3\xA9\xC3\xA9"})
    EXPECT_EQ(LikeOn(project.get(), "a", "a", escape), LikeOn(engine.get(), "a", "a", escape)) << escape;
}

TEST(TextMatch, FindsAWordAtEveryPlaceInALongText) {
  const std::string word = "Kalo.9";
  for (size_t at = 0; at + word.size() <= 70; ++at) {
    std::string text(70, 'k');
    text.replace(at, word.size(), "KALO.9");
    EXPECT_TRUE(LikeMatch("%" + word + "%", text, 0)) << at;
    text[at + word.size() - 1] = '8';
    EXPECT_FALSE(LikeMatch("%" + word + "%", text, 0)) << at;
  }
  EXPECT_TRUE(LikeMatch("%.9%", std::string(40, 'x') + ".9", 0));
  EXPECT_FALSE(LikeMatch("%@a%", std::string(40, 'x') + "`a", 0));  // only letters fold
  EXPECT_TRUE(LikeMatch("%x%", "X", 0));
}

class SearchTest : public IsolatedTest {
 protected:
  void SetUp() override {
    folder_ = MakeTestDataFolder(temp_);
    store_ = MakeCounted<CBookmarkDatabase>(folder_);
    store_->AddBookmark(L"http://news.example/", L"C", L"3 Daily paper");
    store_->AddBookmark(L"http://sport.example/", L"C", L"2 Football news");
    store_->AddBookmark(L"http://weather.example/", L"C", L"1 Rain and sun");
    store_->AddBookmark(L"http://o'brien.example/", L"C", L"4 It's mine");
  }
  std::vector<std::wstring> Found(const std::wstring& text, const std::wstring& conjunction) {
    std::wstring path = store_->WriteSearchPage(text, conjunction);
    std::wstring page = ReadPage(path);
    std::vector<std::wstring> addresses;
    size_t pos = 0;
    while ((pos = page.find(L"<a href=\"", pos)) != std::wstring::npos) {
      pos += 9;
      addresses.push_back(page.substr(pos, page.find(L'"', pos) - pos));
    }
    return addresses;
  }
  std::wstring folder_;
  CComPtr<CBookmarkDatabase> store_;
};

TEST_F(SearchTest, OrFindsAnyWordAndAndNeedsEveryWordInEitherColumnInAnyCase) {
  // "news" is in one address and one description; "football" only in a description.
  EXPECT_EQ(Found(L"news", L"OR"), (std::vector<std::wstring>{L"http://sport.example/", L"http://news.example/"}));
  EXPECT_EQ(Found(L"NEWS weather", L"OR"),
            (std::vector<std::wstring>{L"http://weather.example/", L"http://sport.example/", L"http://news.example/"}));
  EXPECT_EQ(Found(L"sport football", L"AND"), std::vector<std::wstring>{L"http://sport.example/"});
  EXPECT_EQ(Found(L"news paper", L"AND"), std::vector<std::wstring>{L"http://news.example/"});
  EXPECT_TRUE(Found(L"news rain", L"AND").empty());
  EXPECT_EQ(Found(L"it's", L"OR"), std::vector<std::wstring>{L"http://o&#39;brien.example/"});
  // Case is ignored beyond ASCII too, in addresses and descriptions.
  store_->AddBookmark(L"http://z\u00FCrich.example/", L"C", L"5 Stadt");
  store_->AddBookmark(L"http://athens.example/", L"C", L"6 \u0391\u0398\u0397\u039D\u0391");
  EXPECT_EQ(Found(L"Z\u00DCRICH", L"OR"), std::vector<std::wstring>{L"http://z\u00FCrich.example/"});
  EXPECT_EQ(Found(L"\u03B1\u03B8\u03B7\u03BD\u03B1 ATHENS", L"and"),
            std::vector<std::wstring>{L"http://athens.example/"});
  EXPECT_TRUE(Found(L"zurich", L"OR").empty());
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(SearchTest, NoWordsRunNoQueryAndWriteNoPage) {
  EXPECT_EQ(store_->WriteSearchPage(L" ;, ", L"OR"), L"");
  EXPECT_EQ(store_->WriteSearchPage(L"", L"AND"), L"");
  EXPECT_FALSE(std::filesystem::exists(ToUtf8(store_->GetPagePath())));
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(SearchTest, ANulSeparatesWordsAsABlankDoes) {
  // No stored text can hold one; inside the statement it would cut the statement short.
  EXPECT_EQ(Found(std::wstring(L"NEWS\0weather", 12), L"OR"), Found(L"NEWS weather", L"OR"));
  EXPECT_EQ(Found(std::wstring(L"news\0paper", 10), L"AND"), std::vector<std::wstring>{L"http://news.example/"});
  EXPECT_EQ(store_->WriteSearchPage(std::wstring(L"\0 \0", 3), L"OR"), L"");
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(SearchTest, HostileWordsOnlySearch) {
  EXPECT_TRUE(Found(L"'); delete from LinksData; --", L"OR").empty());
  EXPECT_TRUE(Found(L"'x'='x", L"OR").empty());
  EXPECT_EQ(QueryCount(folder_, "LinksData"), 4);
  EXPECT_EQ(Found(L"%", L"OR").size(), 4u);  // wild cards keep their meaning
}

}  // namespace
