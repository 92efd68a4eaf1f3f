// The form store against a real database file: what capture writes, what auto-fill reads back,
// and how the page switch turns saved forms on and off.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/com/CountedObject.h"
#include "platform/text/WideText.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::wstring kSite = L"login.example.com";
const std::wstring kPage = L"https://login.example.com/signin?next=/home";

// Texts that would break a statement if they reached it unquoted, or be mangled by a careless
// conversion: quotes, an injection, control characters, characters beyond the 16-bit range.
const std::wstring kInjection = L"'); drop table LinksData; --";
const std::wstring kControls = L"a\tb\x01" L"c\x1b[31md\r\ne\x7f" L"f";
const std::wstring kAstral = L"\U0001F600 \U0001D11E \U00020BB7";

class FormStoreTest : public IsolatedTest {
 protected:
  FormStoreTest() : folder_(MakeTestDataFolder(temp_)), db_(MakeCounted<CBookmarkDatabase>(folder_)) {}

  // What form capture does when the user leaves a page with a filled-in form.
  std::int32_t Capture(const std::wstring& page, const std::wstring& formName, const std::wstring& site,
                       const std::wstring& action, const FormFieldMap& fields) {
    std::int32_t id = db_->SaveForm(page, formName, site, action, fields);
    if (db_->FormHasFields(id)) db_->DeleteFormFields(id);
    for (const auto& [name, value] : fields) db_->AddFormField(id, name, value);
    return id;
  }

  std::optional<std::int32_t> Find(const std::wstring& site, const FormFieldMap& fields) {
    std::int32_t id = -1;
    if (!db_->FindSavedForm(site, fields, id)) return std::nullopt;
    return id;
  }

  // The stored fields of a form as "name=value", in name order, untrimmed.
  std::vector<std::wstring> StoredFields(std::int32_t id) {
    std::vector<std::wstring> out;
    for (auto& row : QueryRows(folder_, "select Name, Value from FormURLData where FormURLID = " +
                                                    std::to_string(id) + " order by Name"))
      out.push_back(row[0] + L"=" + row[1]);
    return out;
  }

  std::wstring folder_;
  CComPtr<CBookmarkDatabase> db_;
};

TEST_F(FormStoreTest, SqlQuoteDoublesApostrophesAndNeverGivesNull) {
  EXPECT_EQ(CBookmarkDatabase::SqlQuote(L"O'Brien"), L"'O''Brien'");
  EXPECT_EQ(CBookmarkDatabase::SqlQuote(L""), L"''");
  EXPECT_EQ(CBookmarkDatabase::SqlQuote(L"''"), L"''''''");
}

TEST_F(FormStoreTest, HostileTextsRoundTripUnchangedAndNeverAlterStatements) {
  const std::wstring site = L"o'brien.example";
  const std::wstring page = L"https://o'brien.example/login?q=" + kInjection;
  const std::wstring action = L"/post?x=1' or '1'='1";
  const FormFieldMap fields{{L"user", L"O'Brien"},
                            {L"pass", kInjection},
                            {L"note", kControls},
                            {L"emoji", kAstral},
                            {L"na'me" + kInjection, L"%s %i %d %%"}};
  std::int32_t id = Capture(page, kInjection, site, action, fields);

  FormFieldMap loaded;
  ASSERT_TRUE(db_->LoadSavedFields(L"", site, L"", fields, loaded));
  EXPECT_EQ(loaded, fields);

  auto rows = QueryRows(folder_, "select ID, URL, FormName, domain, action from FormURL");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::wstring>{std::to_wstring(id), page, kInjection, site, action}));
  // Every statement did only what it was written to do.
  EXPECT_EQ(QueryText(folder_, "select count(*) from sqlite_master where type = 'table' and name in "
                               "('LinksData', 'LinksCategory', 'History', 'FormURL', 'FormURLData')"),
            "5");
  EXPECT_EQ(QueryColumn(folder_, "select count(*) from FormURLData"), std::vector<std::wstring>{L"5"});
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(FormStoreTest, QuotedSiteOrNameCannotWidenTheMatch) {
  Capture(kPage, L"login", kSite, L"", {{L"user", L"ann"}, {L"pass", L"pw"}});
  EXPECT_FALSE(Find(L"x' or '1'='1", {{L"user", L""}}));
  EXPECT_FALSE(Find(kSite, {{L"user' or '1'='1", L""}}));
  EXPECT_FALSE(Find(kSite + L"' --", {{L"user", L""}}));
  EXPECT_TRUE(Find(kSite, {{L"user", L""}}));
}

TEST_F(FormStoreTest, UnnamedFormIsStoredAsTheTextNullAndFoundAgainByItsFields) {
  const FormFieldMap fields{{L"user", L"ann"}, {L"pass", L"pw"}};
  std::int32_t first = Capture(kPage, L"", kSite, L"", fields);
  EXPECT_EQ(QueryRows(folder_, "select typeof(FormName), FormName from FormURL"),
            (std::vector<std::vector<std::wstring>>{{L"text", L"NULL"}}));

  // Names play no part in matching, and the first capture's name, address and action stay.
  std::int32_t second = Capture(L"https://login.example.com/other", L"login", kSite, L"/go", fields);
  EXPECT_EQ(second, first);
  EXPECT_EQ(QueryRows(folder_, "select FormName, URL, action from FormURL"),
            (std::vector<std::vector<std::wstring>>{{L"NULL", kPage, L""}}));
}

TEST_F(FormStoreTest, SaveFormReturnsTheIdOfTheRowItInserted) {
  // Field rows and forms of other sites make the last rowid of the file differ from the form's.
  ExecuteSql(folder_, "insert into FormURL(ID, URL, FormName, Active, domain, action) "
                                 "values (40, 'x', 'f', 1, 'other.example', '');"
                                 "insert into FormURLData(ID, FormURLID, Name, Value) values (90, 40, 'a', 'b');");
  std::int32_t id = Capture(kPage, L"login", kSite, L"", {{L"user", L"ann"}, {L"pass", L"pw"}});
  std::int32_t other = db_->SaveForm(L"https://b.example/", L"", L"b.example", L"", {{L"q", L""}});
  EXPECT_EQ(QueryColumn(folder_, "select ID from FormURL where domain = 'login.example.com'"),
            std::vector<std::wstring>{std::to_wstring(id)});
  EXPECT_EQ(QueryColumn(folder_, "select ID from FormURL where domain = 'b.example'"),
            std::vector<std::wstring>{std::to_wstring(other)});
  EXPECT_NE(id, other);
  EXPECT_EQ(QueryColumn(folder_, "select Active from FormURL where ID = " + std::to_string(other)),
            std::vector<std::wstring>{L"1"});
}

TEST_F(FormStoreTest, PageFieldsMustBeASubsetOfTheStoredNames) {
  Capture(kPage, L"login", kSite, L"", {{L"user", L"ann"}, {L"pass", L"pw"}, {L"remember", L"on"}});
  Capture(L"https://shop.example/", L"", L"shop.example", L"", {{L"user", L"bob"}, {L"pass", L"pw2"}});

  // Fewer fields on the page: found, and every stored field comes back.
  FormFieldMap loaded;
  ASSERT_TRUE(db_->LoadSavedFields(L"", kSite, L"", {{L"user", L""}, {L"pass", L""}}, loaded));
  EXPECT_EQ(loaded, (FormFieldMap{{L"pass", L"pw"}, {L"remember", L"on"}, {L"user", L"ann"}}));

  // A page field the saved form lacks: not found, and the output is left as it was.
  FormFieldMap untouched{{L"keep", L"me"}};
  EXPECT_FALSE(db_->LoadSavedFields(L"", L"shop.example", L"", {{L"user", L""}, {L"pass", L""}, {L"code", L""}},
                                    untouched));
  EXPECT_EQ(untouched, (FormFieldMap{{L"keep", L"me"}}));
  // Values play no part; the site must match.
  EXPECT_TRUE(Find(L"shop.example", {{L"user", L"someone else"}}));
  EXPECT_FALSE(Find(L"other.example", {{L"user", L""}}));
}

TEST_F(FormStoreTest, EmptyFieldMapNeverMatches) {
  Capture(kPage, L"login", kSite, L"", {{L"user", L"ann"}});
  EXPECT_FALSE(Find(kSite, {}));
  FormFieldMap loaded;
  EXPECT_FALSE(db_->LoadSavedFields(L"login", kSite, L"", {}, loaded));
  EXPECT_THAT(loaded, IsEmpty());
}

TEST_F(FormStoreTest, FirstMatchingActiveFormWins) {
  std::int32_t first = Capture(kPage, L"a", kSite, L"", {{L"user", L"first"}, {L"pass", L"1"}, {L"x", L""}});
  std::int32_t second = Capture(kPage, L"b", kSite, L"", {{L"user", L"second"}, {L"pass", L"2"}, {L"y", L""}});
  ASSERT_NE(first, second);
  EXPECT_EQ(Find(kSite, {{L"user", L""}, {L"pass", L""}}), first);
  EXPECT_EQ(Find(kSite, {{L"user", L""}, {L"y", L""}}), second);

  // Re-capturing the shared fields updates the first form; the second keeps its values.
  EXPECT_EQ(Capture(kPage, L"", kSite, L"", {{L"user", L"new"}, {L"pass", L"3"}}), first);
  EXPECT_THAT(StoredFields(second), ElementsAre(L"pass=2", L"user=second", L"y="));
}

TEST_F(FormStoreTest, SwitchedOffFormsAreNotFoundAndRecaptureStartsANewActiveOne) {
  const FormFieldMap fields{{L"user", L"ann"}, {L"pass", L"pw"}};
  std::int32_t old = Capture(kPage, L"login", kSite, L"", fields);
  std::int32_t elsewhere = Capture(L"https://login.example.com/two", L"", kSite, L"", {{L"pin", L"1"}});

  db_->DeactivateFormsOfUrl(kPage);
  EXPECT_FALSE(Find(kSite, fields));
  FormFieldMap loaded;
  EXPECT_FALSE(db_->LoadSavedFields(L"login", kSite, L"", fields, loaded));
  // Only the forms of that exact address are switched off.
  EXPECT_EQ(Find(kSite, {{L"pin", L""}}), elsewhere);

  std::int32_t fresh = Capture(kPage, L"login", kSite, L"", {{L"user", L"ann2"}, {L"pass", L"pw2"}});
  EXPECT_NE(fresh, old);
  EXPECT_EQ(QueryRows(folder_, "select ID, Active from FormURL where URL = '" + ToUtf8(kPage) + "' order by ID"),
            (std::vector<std::vector<std::wstring>>{{std::to_wstring(old), L"0"}, {std::to_wstring(fresh), L"1"}}));
  EXPECT_THAT(StoredFields(old), ElementsAre(L"pass=pw", L"user=ann"));

  // Switched on again, both match and the older one comes first.
  db_->ActivateFormsOfUrl(kPage);
  EXPECT_EQ(Find(kSite, fields), old);
}

TEST_F(FormStoreTest, SwitchingAnAddressWithoutFormsChangesNothing) {
  Capture(kPage, L"login", kSite, L"", {{L"user", L"ann"}});
  db_->DeactivateFormsOfUrl(kPage);
  EXPECT_NO_THROW(db_->ActivateFormsOfUrl(L"https://nowhere.example/"));
  EXPECT_NO_THROW(db_->ActivateFormsOfUrl(L"x' or '1'='1"));
  EXPECT_NO_THROW(db_->ActivateFormsOfUrl(L""));
  EXPECT_EQ(QueryColumn(folder_, "select Active from FormURL"), std::vector<std::wstring>{L"0"});
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(FormStoreTest, RecaptureReplacesAllFieldRows) {
  std::int32_t id = Capture(kPage, L"login", kSite, L"", {{L"user", L"ann"}, {L"pass", L"old"}, {L"remember", L"on"}});
  EXPECT_TRUE(db_->FormHasFields(id));
  EXPECT_EQ(Capture(kPage, L"login", kSite, L"", {{L"user", L"ann"}, {L"pass", L"new"}}), id);
  EXPECT_THAT(StoredFields(id), ElementsAre(L"pass=new", L"user=ann"));

  db_->DeleteFormFields(id);
  EXPECT_FALSE(db_->FormHasFields(id));
  EXPECT_FALSE(db_->FormHasFields(id + 1000));
}

TEST_F(FormStoreTest, LoadedValuesComeBackTrimmedWhileStoredAsTyped) {
  std::int32_t id = Capture(kPage, L"login", kSite, L"", {{L"user", L"  ann \t"}, {L"pass", L" "}});
  EXPECT_THAT(StoredFields(id), ElementsAre(L"pass= ", L"user=  ann \t"));
  FormFieldMap loaded;
  ASSERT_TRUE(db_->LoadSavedFields(L"", kSite, L"", {{L"user", L""}}, loaded));
  EXPECT_EQ(loaded, (FormFieldMap{{L"pass", L""}, {L"user", L"ann"}}));
}

TEST_F(FormStoreTest, StoreErrorsReachTheCallerWithoutAMessage) {
  std::int32_t id = Capture(kPage, L"login", kSite, L"", {{L"user", L"ann"}});
  try {
    db_->AddFormField(id, L"pass", std::wstring(1025, L'x'));  // longer than the column
    FAIL() << "no error";
  } catch (const CCustomException& e) {
    EXPECT_THAT(e.GetMessage(), ::testing::StartsWith(L"Error Code = "));
  }
  // A text the statement cannot carry whole is refused, never stored cut short.
  EXPECT_THROW(db_->AddFormField(id, L"pass", std::wstring(L"before\0after", 12)), CCustomException);
  EXPECT_THAT(StoredFields(id), ElementsAre(L"user=ann"));
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(FormStoreTest, ADatabaseThatDidNotOpenRaisesInsteadOfTouchingTheFile) {
  TempDir empty;
  auto closed = MakeCounted<CBookmarkDatabase>(empty.wpath());
  EXPECT_EQ(boxes_.count(), 1u);  // the open failure, at construction
  std::int32_t id = 0;
  FormFieldMap out;
  EXPECT_THROW(closed->FindSavedForm(kSite, {{L"user", L""}}, id), CCustomException);
  EXPECT_THROW(closed->SaveForm(kPage, L"", kSite, L"", {{L"user", L""}}), CCustomException);
  EXPECT_THROW(closed->FormHasFields(1), CCustomException);
  EXPECT_THROW(closed->DeleteFormFields(1), CCustomException);
  EXPECT_THROW(closed->AddFormField(1, L"a", L"b"), CCustomException);
  EXPECT_THROW(closed->LoadSavedFields(L"", kSite, L"", {{L"user", L""}}, out), CCustomException);
  EXPECT_THROW(closed->ActivateFormsOfUrl(kPage), CCustomException);
  EXPECT_THROW(closed->DeactivateFormsOfUrl(kPage), CCustomException);
  EXPECT_EQ(boxes_.count(), 1u);
}

}  // namespace
