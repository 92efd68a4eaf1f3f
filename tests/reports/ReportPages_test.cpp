#include <gtest/gtest.h>

#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"
#include "tests/reports/PageTestSupport.h"
#include "tests/support/TestDatabase.h"

namespace {

class ReportPagesTest : public IsolatedTest {
 protected:
  void SetUp() override {
    folder_ = MakeTestDataFolder(temp_);
    store_ = MakeCounted<CBookmarkDatabase>(folder_);
  }
  std::wstring folder_;
  CComPtr<CBookmarkDatabase> store_;
};

TEST_F(ReportPagesTest, TheFragmentsAreWrittenByteForByte) {
  std::wstring expected =
      L"<html><body><head><title>Lantrel</title>\r\n<STYLE>\r\n"
      L".TableHead {font:xx-small 'Arial'; color:black; background:#ffff99}\r\n"
      L".TableColumnHead {font:xx-small 'Arial' bold; color:black; background:#ffff99;text-align: center}\r\n"
      L".TableRowLeft {font:xx-small 'Arial'; color:black; background:#FFFFFF; text-align: left}\r\n"
      L".TableRow {font:xx-small 'Arial'; color:black; background:#FFFFFF; text-align: right }\r\n"
      L".Title {FONT-FAMILY: Arial ;font-size: 12pt ;color:black; background:#FFFFFF; text-align: center ;FONT-WEIGHT: bolder} \r\n"
      L".Sub {FONT-FAMILY:'Arial'; font-size: 7pt ;color:black; background:#FFFFFF; text-align: left} \r\n"
      L".TableLabel {font:xx-small 'Arial'; color:black; background:#d3d3d3;text-align: left; nowrap: nowrap} \r\n"
      L".TableLabelRight {font:xx-small 'Arial'; color:black; background:#d3d3d3;text-align: right; nowrap: nowrap} \r\n"
      L".TableLabelTotal {font:bold italic xx-small 'Arial' ; color:black; background:#ffff99;text-align: left; nowrap: nowrap} \r\n"
      L".NoteLabel {font:xx-small 'Arial'; text-align: left; nowrap: nowrap} \r\n"
      L".LabelTitle {font:x-small 'Arial'; color:black; background:#FFFFFF; text-align: left ; FONT-WEIGHT: bolder} \r\n"
      L".LabelSubTitle {font:xx-small 'Arial'; color:black; background:#FFFFFF; text-align: left ; FONT-WEIGHT: bolder}\t\t\r\n"
      L".LAFont {font:x-small 'Arial'} \r\n"
      L"P  { PAGE-BREAK-AFTER: always } \r\n"
      L"TABLE { page-break-inside: avoid} \r\n"
      L"TR { page-break-inside: avoid; } </STYLE></head>\r\n"
      L"<table CLASS=\"Table\" cellspacing=\"0\" cellpadding=\"3\" border=\"1\">\n"
      L"</table></body></html>";
  EXPECT_EQ(store_->WriteAllBookmarksPage(), folder_ + L"/Bookmark.html");
  std::string bytes = ReadBytes(folder_ + L"/Bookmark.html");
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE<\x00", 4));  // byte-order mark, then UTF-16LE
  EXPECT_EQ(ReadPage(folder_ + L"/Bookmark.html"), expected);      // the empty table
}

TEST_F(ReportPagesTest, RowsComeInQueryOrderWithEscapedFields) {
  store_->AddBookmark(L"http://b/?x=1&y=\"2\"", L"C", L"B <b>bold</b> & 'quoted'");
  store_->AddBookmark(L"http://a/", L"C", L"A first");
  store_->AddBookmark(L"http://c/", L"C", L"");
  store_->AddBookmark(L"http://other/", L"D", L"Z other category");
  std::wstring page = PageStart() + BookmarkRow(L"", L"http://c/") + BookmarkRow(L"A first", L"http://a/") +
                      BookmarkRow(L"B &lt;b&gt;bold&lt;/b&gt; &amp; &#39;quoted&#39;", L"http://b/?x=1&amp;y=&quot;2&quot;") +
                      page::kPageTail;
  EXPECT_EQ(store_->WriteCategoryPage(L"C"), folder_ + L"/Bookmark.html");
  EXPECT_EQ(ReadPage(folder_ + L"/Bookmark.html"), page);
}

TEST_F(ReportPagesTest, ACategoryWithAnApostropheListsItsBookmarks) {
  store_->AddBookmark(L"http://a/", L"Ann's", L"one");
  store_->AddBookmark(L"http://b/", L"Other", L"two");
  store_->WriteCategoryPage(L"Ann's");
  EXPECT_EQ(ReadPage(store_->GetPagePath()), PageStart() + BookmarkRow(L"one", L"http://a/") + page::kPageTail);
}

TEST_F(ReportPagesTest, TheHistoryPageReplacesABookmarkPageNewestFirst) {
  store_->AddBookmark(L"http://bookmarked/", L"C", L"d");
  store_->WriteAllBookmarksPage();
  ExecuteSql(folder_, "insert into History (URL, Title, CreateTime) values ('http://old/', null, '2026-01-01 10:00:00.000')");
  ExecuteSql(folder_, "insert into History (URL, Title, CreateTime) values ('http://new/?a<b', 'New & shiny', '2026-01-02 10:00:00.000')");
  EXPECT_EQ(store_->WriteHistoryPage(), folder_ + L"/Bookmark.html");
  auto row = [](const std::wstring& time, const std::wstring& title, const std::wstring& url) {
    return L"<tr CLASS=\"TableRow\">\t\t<td nowrap class=\"TableLabelRight\">" + time +
           L"</td>\t\t<td nowrap class=\"TableLabel\">" + title + L"\t\t<a href=\"" + url + L"\"> " + url +
           L" </a></td> </tr>\r\n";
  };
  EXPECT_EQ(ReadPage(store_->GetPagePath()),
            PageStart() + row(L"2026-01-02 10:00:00.000", L"New &amp; shiny", L"http://new/?a&lt;b") +
                row(L"2026-01-01 10:00:00.000", L"", L"http://old/") + page::kPageTail);
}

TEST_F(ReportPagesTest, APageFileThatCannotBeOpenedGivesAnEmptyResult) {
  std::filesystem::create_directory(ToUtf8(store_->GetPagePath()));  // a folder where the file should be
  EXPECT_EQ(store_->WriteAllBookmarksPage(), L"");
  EXPECT_EQ(store_->WriteHistoryPage(), L"");
  EXPECT_EQ(boxes_.count(), 0u);
  // The cursor was not left open: the next lookup works.
  std::wstring c, d;
  store_->FindBookmark(L"http://a/", c, d);
  EXPECT_TRUE(store_->AddBookmark(L"http://a/", L"C", L"d"));
}

TEST_F(ReportPagesTest, StoreErrorsOfThePageQueries) {
  EXPECT_THROW(store_->WriteBookmarkPage(L"select * from NoSuchTable"), CCustomException);
  EXPECT_FALSE(std::filesystem::exists(ToUtf8(store_->GetPagePath())));  // never touched
  ExecuteSql(folder_, "drop table History");
  EXPECT_EQ(store_->WriteHistoryPage(), L"");
  ASSERT_EQ(boxes_.count(), 1u);
  std::wstring text = boxes_.texts()[0];
  EXPECT_EQ(text.rfind(L"Error Code = 80040e37 ", 0), 0u) << text;
  EXPECT_EQ(text.back(), L'\n');
  EXPECT_EQ(ReadBytes(store_->GetPagePath()), "");  // created, left empty
}

}  // namespace
