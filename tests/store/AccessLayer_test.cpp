#include <fstream>

#include <gtest/gtest.h>

#include "platform/ado/JetSql.h"
#include "platform/text/WideText.h"
#include "store/CADODatabase.h"
#include "store/CADORecordset.h"
#include "store/CCustomException.h"
#include "store/ErrorDump.h"
#include "tests/support/TestDatabase.h"

namespace {

std::wstring ConnectionString(const std::wstring& folder) {
  return L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder +
         L"/Bookmark.mdb;Jet OLEDB:Database Password=Qm482tk7";
}

// The message of the CCustomException that `action` raises.
template <class Action>
std::wstring MessageOf(Action action) {
  try {
    action();
  } catch (const CCustomException& e) {
    return e.GetMessage();
  }
  ADD_FAILURE() << "no CCustomException";
  return L"";
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class AccessLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTestDataFolder(temp_);
    db_.Open(ConnectionString(folder_));
  }
  void TearDown() override { ado::InjectCreationFailures(0); }
  TempDir temp_;
  std::wstring folder_;
  CADODatabase db_;
};

TEST(ErrorDump, HasFourPartsEachEndingInABlank) {
  EXPECT_EQ(DumpComError(ComError(DB_E_ERRORSINCOMMAND)),
            L"Error Code = 80040e14 Error Message = IDispatch error #3092 Error Source = (null) "
            L"Error Description = (null) ");
  EXPECT_EQ(DumpComError(ComError(MakeHResult(0x12345678), std::wstring(L"src"), std::wstring(L"desc"))),
            L"Error Code = 12345678 Error Message = Unknown error 0x12345678 Error Source = src "
            L"Error Description = desc ");
  EXPECT_EQ(DumpComError(ComError(E_POINTER)),
            L"Error Code = 80004003 Error Message = Invalid pointer Error Source = (null) Error Description = (null) ");
}

TEST(AccessLayerOpen, TheDataSourceIsReadWholeFromTheConnectionString) {
  EXPECT_EQ(ado::DataSourceOf(ConnectionString(L"/home/ann/data")), L"/home/ann/data/Bookmark.mdb");
  EXPECT_EQ(ado::DataSourceOf(L"Provider=x;Data Source=/data;v2/x=1/Bookmark.mdb;Jet OLEDB:Database Password=p"),
            L"/data;v2/x=1/Bookmark.mdb");
  EXPECT_EQ(ado::DataSourceOf(L"data source=/a;"), L"/a");
  EXPECT_EQ(ado::DataSourceOf(L"Provider=x"), L"");
}

TEST(AccessLayerOpen, AMissingFileGivesTheOpenPrefixDirectlyFollowedByTheDump) {
  TempDir temp;
  CADODatabase db;
  std::wstring message = MessageOf([&] { db.Open(ConnectionString(temp.wpath())); });
  EXPECT_EQ(message.rfind(L"CADODatabase::OpenError Code = 80004005 ", 0), 0u) << message;
  EXPECT_NE(message.find(L"Bookmark.mdb"), std::wstring::npos);
  EXPECT_TRUE(EndsWith(message, L"'. ")) << message;
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "Bookmark.mdb"));  // never created
}

TEST(AccessLayerOpen, AFileThatIsNoDatabaseIsRefused) {
  TempDir temp;
  { std::ofstream(temp.path() / "Bookmark.mdb") << "plain text, not a database"; }
  CADODatabase db;
  std::wstring message = MessageOf([&] { db.Open(ConnectionString(temp.wpath())); });
  EXPECT_NE(message.find(L"Unrecognized database format"), std::wstring::npos) << message;
}

TEST(AccessLayerOpen, ADatabaseOrFolderAnotherAccountCouldWriteIsNeverOpened) {
  TempDir temp;
  const std::filesystem::path folder = std::filesystem::path(ToUtf8(MakeTestDataFolder(temp)));
  CADODatabase db;
  WhileNotPrivate(folder / "Bookmark.mdb", folder, [&] {
    std::wstring message = MessageOf([&] { db.Open(ConnectionString(FromUtf8(folder.string()))); });
    EXPECT_NE(message.find(L"as it is not yours alone"), std::wstring::npos) << ToUtf8(message);
    EXPECT_FALSE(db.IsOpen());
  });
  db.Open(ConnectionString(FromUtf8(folder.string())));
  EXPECT_TRUE(db.IsOpen());
}

TEST(AccessLayerOpen, ConnectionCreationFailuresGiveTheirTwoMessages) {
  TempDir temp;
  std::wstring folder = MakeTestDataFolder(temp);
  CADODatabase db;
  ado::InjectCreationFailures(1);
  EXPECT_EQ(MessageOf([&] { db.Open(ConnectionString(folder)); }),
            L"successfully Connection created after calling CoInitialize locally.\nYou need to CoInitiliaze first.");
  ado::InjectCreationFailures(2);
  EXPECT_EQ(MessageOf([&] { db.Open(ConnectionString(folder)); }),
            L"creating the connection object failed again even after CoInitialize");
  ado::InjectCreationFailures(0);
  db.Open(ConnectionString(folder));
  EXPECT_TRUE(db.IsOpen());
}

TEST(AccessLayerOpen, AConnectionNeverOpenedFailsWithAnInvalidPointer) {
  CADODatabase db;
  EXPECT_EQ(MessageOf([&] { db.Execute(L"delete from History"); }).rfind(L"Error Code = 80004003 ", 0), 0u);
}

TEST_F(AccessLayerTest, AnEmptyResult) {
  CADORecordset rs(db_.GetConnection());
  rs.Open(L"select * from LinksData");
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(rs.GetRecordCount(), 0);
  rs.Close();
  rs.Close();  // a second close does nothing
  EXPECT_FALSE(rs.HasRecords(L"select * from LinksCategory"));
  EXPECT_FALSE(rs.IsOpen());
}

TEST_F(AccessLayerTest, NullsBlanksAndNumbers) {
  db_.Execute(L"insert into LinksData (HomePage, Category, Description) values ('  http://a/  ', null, '   ')");
  CADORecordset rs(db_.GetConnection());
  rs.Open(L"select HomePage, Category, Description, 42 as Answer, '17' as Text, 2.5 as Half, 'x' as Word "
          L"from LinksData");
  ASSERT_FALSE(rs.IsEOF());
  EXPECT_EQ(rs.GetFieldText(L"homepage"), L"http://a/");  // names compare without regard to case
  EXPECT_EQ(rs.GetFieldText(L"Category"), L"");
  EXPECT_EQ(rs.GetFieldInt(L"Category"), 0);
  EXPECT_EQ(rs.GetFieldText(L"Description"), L"");
  EXPECT_EQ(rs.GetFieldInt(L"Answer"), 42);
  EXPECT_EQ(rs.GetFieldText(L"Answer"), L"42");
  EXPECT_EQ(rs.GetFieldInt(L"Text"), 17);
  EXPECT_EQ(rs.GetFieldInt(L"Half"), 2);  // halves round to even
  EXPECT_EQ(MessageOf([&] { rs.GetFieldInt(L"Word"); }).rfind(L"Error Code = 80020005 ", 0), 0u);
  EXPECT_EQ(MessageOf([&] { rs.GetFieldText(L"NoSuchColumn"); }).rfind(L"Error Code = 800a0cc1 ", 0), 0u);
  EXPECT_TRUE(rs.IsOpen());  // the cursor keeps its state after a failed read
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(MessageOf([&] { rs.MoveNext(); }).rfind(L"Error Code = 800a0bcd ", 0), 0u);
}

TEST_F(AccessLayerTest, CountingRowsLeavesTheCursorAtTheEnd) {
  for (int i = 0; i < 5; ++i) db_.Execute(L"insert into LinksCategory(Category) values ('c" + std::to_wstring(i) + L"')");
  CADORecordset rs(db_.GetConnection());
  rs.Open(L"select * from LinksCategory");
  EXPECT_EQ(rs.GetRecordCount(), 5);
  EXPECT_TRUE(rs.IsEOF());
  rs.Close();
  EXPECT_TRUE(rs.HasRecords(L"select * from LinksCategory where Category = 'c3'"));
}

TEST_F(AccessLayerTest, FailingStatementsGiveTheDump) {
  std::wstring syntax = MessageOf([&] { db_.Execute(L"insert into LinksData values ("); });
  EXPECT_EQ(syntax.rfind(L"Error Code = 80040e14 Error Message = IDispatch error #3092 Error Source = SQLite "
                         L"Error Description = ", 0), 0u) << syntax;
  EXPECT_TRUE(EndsWith(syntax, L" ")) << syntax;

  std::wstring tooLong = MessageOf([&] {
    db_.Execute(L"insert into LinksCategory(Category) values ('" + std::wstring(300, L'x') + L"')");
  });
  EXPECT_EQ(tooLong.rfind(L"Error Code = 80040e57 ", 0), 0u) << tooLong;
  EXPECT_NE(tooLong.find(L"The field is too small"), std::wstring::npos);
  EXPECT_TRUE(EndsWith(tooLong, L") ")) << tooLong;
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 0);

  CADORecordset rs(db_.GetConnection());
  EXPECT_EQ(MessageOf([&] { rs.Open(L"select * from NoSuchTable"); }).rfind(L"Error Code = 80040e37 ", 0), 0u);
  EXPECT_FALSE(rs.IsOpen());
  rs.Open(L"select * from LinksData");
  EXPECT_EQ(MessageOf([&] { rs.Open(L"select * from LinksData"); }).rfind(L"Error Code = 800a0e79 ", 0), 0u);
}

TEST_F(AccessLayerTest, OnlyOneStatementRunsPerCall) {
  db_.Execute(L"insert into LinksCategory(Category) values ('kept')");
  std::wstring message = MessageOf([&] { db_.Execute(L"delete from History; drop table LinksCategory"); });
  EXPECT_NE(message.find(L"Characters found after end of SQL statement."), std::wstring::npos);
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 1);
  db_.Execute(L"delete from History;");  // a closing semicolon is fine
}

TEST_F(AccessLayerTest, YesAndNoAreLiteralsOutsideQuotesAndBrackets) {
  EXPECT_EQ(TranslateJetLiterals(L"update FormURL set Active = no where [no] = 'yes' and \"Yes\" = Yes"),
            L"update FormURL set Active = 0 where [no] = 'yes' and \"Yes\" = 1");
  EXPECT_EQ(TranslateJetLiterals(L"select 'it''s yes' from t where a=yes"), L"select 'it''s yes' from t where a=1");
  EXPECT_EQ(TranslateJetLiterals(L"select notes, yesterday, fu.no from t"), L"select notes, yesterday, fu.no from t");
  db_.Execute(L"insert into FormURL(URL, FormName, active, [domain], [action]) values ('u', 'yes', yes, 'd', 'a')");
  EXPECT_EQ(QueryText(folder_, "select Active || FormName from FormURL"), "1yes");
}

TEST_F(AccessLayerTest, ARecordsetThatCouldNotBeCreatedFailsEveryUse) {
  ado::InjectCreationFailures(1);
  CADORecordset rs(db_.GetConnection());
  ado::InjectCreationFailures(0);
  EXPECT_EQ(MessageOf([&] { rs.Open(L"select * from LinksData"); }).rfind(L"Error Code = 80004003 ", 0), 0u);
  EXPECT_EQ(MessageOf([&] { rs.Close(); }).rfind(L"Error Code = 80004003 ", 0), 0u);
  EXPECT_THROW(rs.IsOpen(), ComError);  // the state query lets the component's error through
}

TEST_F(AccessLayerTest, ClosingTheConnection) {
  EXPECT_TRUE(db_.IsOpen());
  db_.Close();
  EXPECT_FALSE(db_.IsOpen());
  EXPECT_EQ(MessageOf([&] { db_.Close(); }).rfind(L"Error Code = 800a0e78 ", 0), 0u);
}

}  // namespace
