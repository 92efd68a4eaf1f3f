#include <gtest/gtest.h>

#include "platform/text/WideText.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"
#include "tests/support/TestDatabase.h"

namespace {

const std::wstring kInvalid = L"Invalid character found. Category name cannot include /\\:?<>|.";

class CategoriesTest : public IsolatedTest {
 protected:
  void SetUp() override {
    folder_ = MakeTestDataFolder(temp_);
    store_ = MakeCounted<CBookmarkDatabase>(folder_);
    ASSERT_EQ(boxes_.count(), 0u);
  }
  std::vector<std::wstring> Categories() {
    std::vector<std::wstring> list{L"left over"};
    store_->ListCategories(list);
    return list;
  }
  void AddLink(const std::string& address, const std::string& category) {
    ExecuteSql(folder_, "insert into LinksData (HomePage, Category, Description) values ('" + address + "', '" +
                            category + "', 'd')");
  }
  std::wstring folder_;
  CComPtr<CBookmarkDatabase> store_;
};

TEST_F(CategoriesTest, AddingListsEachNameOnceInOrder) {
  EXPECT_TRUE(Categories().empty());
  EXPECT_TRUE(store_->AddCategory(L"Work"));
  EXPECT_TRUE(store_->AddCategory(L"Art"));
  EXPECT_TRUE(store_->AddCategory(L"Work"));  // exists already: nothing inserted, still true
  EXPECT_EQ(Categories(), (std::vector<std::wstring>{L"Art", L"Work"}));
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 2);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(CategoriesTest, EachForbiddenCharacterIsRefusedWithTheMessage) {
  for (const wchar_t* name : {L"a/b", L"a\\b", L"a:b", L"a?b", L"a<b", L"a>b", L"a|b"}) {
    boxes_.clear();
    EXPECT_FALSE(store_->AddCategory(name)) << name;
    ASSERT_EQ(boxes_.count(), 1u);
    auto box = boxes_.boxes()[0];
    EXPECT_EQ(box.text, kInvalid);
    EXPECT_EQ(box.caption, L"PendrelBand");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  }
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 0);
}

TEST_F(CategoriesTest, ApostrophesSurviveAddRenameAndDelete) {
  ASSERT_TRUE(store_->AddCategory(L"Tom's links"));
  AddLink("http://toms/", "Tom''s links");
  store_->RenameCategory(L"O'Brien's 'quoted'", L"Tom's links");
  EXPECT_EQ(Categories(), std::vector<std::wstring>{L"O'Brien's 'quoted'"});
  EXPECT_EQ(QueryText(folder_, "select Category from LinksData"), "O'Brien's 'quoted'");
  store_->DeleteCategory(L"O'Brien's 'quoted'");
  EXPECT_TRUE(Categories().empty());
  EXPECT_EQ(QueryCount(folder_, "LinksData"), 0);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(CategoriesTest, DeletingACategoryDeletesOnlyItsBookmarks) {
  store_->AddCategory(L"News");
  store_->AddCategory(L"Sport");
  AddLink("http://a/", "News");
  AddLink("http://b/", "News");
  AddLink("http://c/", "Sport");
  store_->DeleteCategory(L"News");
  EXPECT_EQ(Categories(), std::vector<std::wstring>{L"Sport"});
  EXPECT_EQ(QueryCount(folder_, "LinksData"), 1);
  EXPECT_EQ(QueryText(folder_, "select HomePage from LinksData"), "http://c/");
}

TEST_F(CategoriesTest, RenamingMovesBookmarksAndAnUnknownNameChangesNothing) {
  store_->AddCategory(L"Old");
  AddLink("http://a/", "Old");
  AddLink("http://b/", "Other");
  store_->RenameCategory(L"New", L"Old");
  EXPECT_EQ(QueryText(folder_, "select group_concat(Category, ',') from (select Category from LinksData order by HomePage)"),
            "New,Other");
  store_->RenameCategory(L"Whatever", L"Missing");
  EXPECT_EQ(Categories(), std::vector<std::wstring>{L"New"});
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(CategoriesTest, HostileNamesNeverChangeWhatAStatementDoes) {
  const std::wstring hostile[] = {
      L"x'); delete from LinksData; --",
      L"' or '1'='1",
      L"tab\there\nline\r\x01\x1f",
      L"\U0001F600 emoji \u00e9",
      L"%_ wildcards",
  };
  AddLink("http://keep/", "Keep");
  for (const auto& name : hostile) ASSERT_TRUE(store_->AddCategory(name));
  auto list = Categories();
  EXPECT_EQ(list.size(), std::size(hostile));
  for (const auto& name : hostile) {
    bool found = false;
    for (const auto& stored : list) found = found || stored == Trim(name);
    EXPECT_TRUE(found) << ToUtf8(name);
  }
  for (const auto& name : hostile) store_->DeleteCategory(name);
  EXPECT_TRUE(Categories().empty());
  EXPECT_EQ(QueryCount(folder_, "LinksData"), 1);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(CategoriesTest, AStoreErrorIsShownWithTheStatementAndAddStillAnswersTrue) {
  const std::wstring tooLong(300, L'c');
  EXPECT_TRUE(store_->AddCategory(tooLong));
  ASSERT_EQ(boxes_.count(), 1u);
  std::wstring text = boxes_.texts()[0];
  EXPECT_EQ(text.rfind(L"Error Code = 80040e57 ", 0), 0u) << text;
  EXPECT_NE(text.find(L" \ninsert into LinksCategory(Category) values ('" + tooLong + L"')"), std::wstring::npos);
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 0);

  boxes_.clear();
  store_->AddCategory(L"Short");
  store_->RenameCategory(tooLong, L"Short");
  ASSERT_EQ(boxes_.count(), 1u);
  text = boxes_.texts()[0];
  EXPECT_NE(text.find(L"\nupdate LinksCategory set Category ='" + tooLong + L"' where Category= 'Short'"),
            std::wstring::npos);
  EXPECT_EQ(Categories(), std::vector<std::wstring>{L"Short"});  // the second update never ran
}

TEST(CategoriesWithoutDatabase, OneMessageAtConstructionThenClearErrors) {
  TempDir temp;
  RecordedMessageBoxes boxes;
  auto store = MakeCounted<CBookmarkDatabase>(temp.wpath());
  ASSERT_EQ(boxes.count(), 1u);
  EXPECT_EQ(boxes.texts()[0].rfind(L"CADODatabase::OpenError Code = ", 0), 0u);
  EXPECT_FALSE(store->IsConnected());
  std::vector<std::wstring> list;
  try {
    store->ListCategories(list);
    FAIL() << "no error";
  } catch (const CCustomException& e) {
    EXPECT_EQ(e.GetMessage(), L"The bookmark database " + temp.wpath() + L"/Bookmark.mdb is not open.");
  }
  EXPECT_THROW(store->AddCategory(L"x"), CCustomException);
  EXPECT_THROW(store->RenameCategory(L"x", L"y"), CCustomException);
  EXPECT_THROW(store->DeleteCategory(L"x"), CCustomException);
  EXPECT_EQ(boxes.count(), 1u);
  EXPECT_EQ(store->GetDataFolder(), temp.wpath());
}

}  // namespace
