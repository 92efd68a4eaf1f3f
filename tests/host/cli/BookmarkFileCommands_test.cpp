// `pendrel import FILE` and `pendrel export FILE` against a real store: in the process for the
// detail, and through the built program as a person runs it.
#include "host/cli/BookmarkFileCommands.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/text/WideText.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestFifo.h"
#include "toolbar/Settings.h"

namespace {

using Rows = std::vector<std::vector<std::wstring>>;

const char kAllRows[] = "select Category, Description, HomePage from LinksData order by HomePage";

class BookmarkFileCommandsTest : public IsolatedTest {
 protected:
  BookmarkFileCommandsTest() : folder_(MakeTestDataFolder(temp_)) {
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, folder_);
  }

  std::filesystem::path File(const std::string& name, const std::string& content) {
    std::filesystem::path file = temp_.path() / name;
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }

  struct Result {
    int status;
    std::string out, err;
  };
  // With a status line that shows every text, as a terminal would with time between them.
  Result Import(const std::filesystem::path& file, StatusDisplay display = StatusDisplay::Off) {
    std::ostringstream out, err;
    StatusLine status(err, display, std::chrono::milliseconds(0));
    int rc = RunImportBookmarkFile({file.string()}, out, err, status);
    return {rc, out.str(), err.str()};
  }
  Result Export(const std::filesystem::path& file, StatusDisplay display = StatusDisplay::Off) {
    std::ostringstream out, err;
    StatusLine status(err, display, std::chrono::milliseconds(0));
    int rc = RunExportBookmarkFile({file.string()}, out, err, status);
    return {rc, out.str(), err.str()};
  }
  Rows AllRows() const { return QueryRows(folder_, kAllRows); }

  std::wstring folder_;
};

TEST_F(BookmarkFileCommandsTest, ImportStoresEachLinkUnderItsInnermostFolderAndSaysWhatItSkipped) {
  ExecuteSql(folder_, "insert into LinksData (HomePage, Category, Description) values ('http://stored', 'Mine', 'kept')");
  std::filesystem::path file = File("bookmarks.html", R"FILE(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><A HREF="http://top/" ADD_DATE="1">At the top</A>
    <DT><H3 PERSONAL_TOOLBAR_FOLDER="true">Bookmarks bar</H3>
    <DL><p>
        <DT><A HREF="http://stored/">Stored already, by its alternate form</A>
        <DT><A HREF="JavaScript:alert('x')">Script</A>
        <DT><H3>Work</H3>
        <DL><p>
            <DT><H3>Projects</H3>
            <DL><p>
                <DT><A HREF="http://project/">It&#39;s a project</A>
                <DT><A HREF="data:text/plain,hi">Inline</A>
                <DT><A HREF="place:folder=TOOLBAR">Smart folder</A>
            </DL><p>
            <DT><A HREF="http://work/">Work page</A>
        </DL><p>
        <DT><H3>News/Views: a|b</H3>
        <DL><p>
            <DT><A HREF="http://news/">News</A>
            <DT><A HREF="http://project/">The same address twice in one file</A>
            <DT><A HREF="http://long-title/">LONG</A>
            <DT><A HREF="http://long-address/LONGADDRESS">Too long to store</A>
            <DT><A HREF="">No address</A>
        </DL><p>
    </DL><p>
</DL><p>
)FILE");
  std::string text = ReadFileBytes(file);
  text.replace(text.find("LONGADDRESS"), 11, std::string(2100, 'a'));
  text.replace(text.find("LONG<"), 4, std::string(1500, 'L'));
  file = File("bookmarks.html", text);

  Result run = Import(file);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "imported 5, skipped 7 (already stored 2, unsupported 5)\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(boxes_.count(), 0u);
  EXPECT_EQ(AllRows(), (Rows{{L"News Views  a b", std::wstring(1024, L'L'), L"http://long-title/"},
                             {L"News Views  a b", L"News", L"http://news/"},
                             {L"Projects", L"It's a project", L"http://project/"},
                             {L"Mine", L"kept", L"http://stored"},
                             {L"Bookmarks", L"At the top", L"http://top/"},
                             {L"Work", L"Work page", L"http://work/"}}));
  // Every category is one the toolbar can list and pick (the bulk add makes the category of a
  // skipped bookmark too).
  EXPECT_EQ(QueryColumn(folder_, "select Category from LinksCategory order by Category"),
            (std::vector<std::wstring>{L"Bookmarks", L"Bookmarks bar", L"News Views  a b", L"Projects", L"Work"}));

  // The same file again adds nothing.
  Result again = Import(file);
  EXPECT_EQ(again.out, "imported 0, skipped 12 (already stored 7, unsupported 5)\n");
  EXPECT_EQ(QueryCount(folder_, "LinksData"), 6);
}

TEST_F(BookmarkFileCommandsTest, NoScriptAddressHoweverDisguisedAndNoNulReachesTheStore) {
  std::string text = R"FILE(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3>Odd@Folder</H3>
    <DL><p>
        <DT><A HREF="java&#9;script:alert(1)">tab</A>
        <DT><A HREF="java&#10;script:alert(1)">line feed</A>
        <DT><A HREF="jav&#13;ascript:alert(1)">carriage return</A>
        <DT><A HREF="&#1;javascript:alert(1)">control</A>
        <DT><A HREF="@javascript:alert(1)">raw control</A>
        <DT><A HREF="VBScript:msgbox(1)">vb</A>
        <DT><A HREF=" DATA:text/html,&lt;script&gt;alert(1)&lt;/script&gt;">data</A>
        <DT><A HREF="http://nul/@x">NUL in the address</A>
        <DT><A HREF="http://fine/">Desc@with NUL</A>
        <DT><A HREF="http://plain/javascript:">plain</A>
        <DT><A>no address</A>
    </DL><p>
</DL><p>
)FILE";
  // NULs in the folder name, the address and the description; a raw control before a scheme.
  for (size_t at = text.find('@'), n = 0; at != std::string::npos; at = text.find('@', at), ++n)
    text[at] = n == 1 ? '\x01' : '\0';
  Result run = Import(File("hostile.html", text));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "imported 2, skipped 9 (already stored 0, unsupported 9)\n");
  EXPECT_EQ(boxes_.count(), 0u);
  EXPECT_EQ(AllRows(), (Rows{{L"Odd Folder", L"Desc with NUL", L"http://fine/"},
                             {L"Odd Folder", L"plain", L"http://plain/javascript:"}}));
  EXPECT_EQ(QueryColumn(folder_, "select Category from LinksCategory"), std::vector<std::wstring>{L"Odd Folder"});
}

TEST_F(BookmarkFileCommandsTest, TagsNameTheCategoryInAFolderMadeForAllLinksAndSurviveARoundTrip) {
  // As buku writes it (one toolbar folder for all links), beside a folder of one's own and a tagged link outside.
  Result run = Import(File("buku.html", R"FILE(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1700000000" LAST_MODIFIED="1700000000" PERSONAL_TOOLBAR_FOLDER="true">buku bookmarks</H3>
    <DL><p>
        <DT><A HREF="http://kernel/" ADD_DATE="1700000000" LAST_MODIFIED="1700000000" TAGS="linux,news">Kernel</A>
        <DT><A HREF="http://soup/" ADD_DATE="1700000000" TAGS=",recipes,">Soup</A>
        <DT><A HREF="http://plain/" ADD_DATE="1700000000">Untagged</A>
        <DT><A HREF="http://slash/" ADD_DATE="1700000000" TAGS="a/b:c">Slash</A>
    </DL><p>
    <DT><H3>Work</H3>
    <DL><p>
        <DT><A HREF="http://job/" TAGS="ignored">Job</A>
    </DL><p>
    <DT><A HREF="http://top/" TAGS="toplevel">Top</A>
</DL><p>
)FILE"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "imported 6, skipped 0 (already stored 0, unsupported 0)\n");
  const Rows expected{{L"Work", L"Job", L"http://job/"},         {L"linux", L"Kernel", L"http://kernel/"},
                      {L"buku bookmarks", L"Untagged", L"http://plain/"}, {L"a b c", L"Slash", L"http://slash/"},
                      {L"recipes", L"Soup", L"http://soup/"},    {L"toplevel", L"Top", L"http://top/"}};
  EXPECT_EQ(AllRows(), expected);

  // The export writes each category as the link's tag too.
  std::filesystem::path exported = temp_.path() / "exported.html";
  ASSERT_EQ(Export(exported).status, 0);
  std::string text = ReadFileBytes(exported);
  EXPECT_NE(text.find("<DT><A HREF=\"http://kernel/\" ADD_DATE=\""), std::string::npos);
  EXPECT_NE(text.find("\" TAGS=\"linux\">Kernel</A>"), std::string::npos) << text;
  EXPECT_NE(text.find("\" TAGS=\"a b c\">Slash</A>"), std::string::npos) << text;

  // Back into an empty store: the same rows.
  std::wstring other = MakeTestDataFolder(temp_, "other");
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, other);
  ASSERT_EQ(Import(exported).status, 0);
  EXPECT_EQ(QueryRows(other, kAllRows), expected);

  // A lone category stands in the single top folder, where the tag decides; one a tag cannot hold comes by its folder.
  for (const char* category : {"Only one", "Soups, stews"}) {
    std::wstring single = MakeTestDataFolder(temp_, category);
    ExecuteSql(single, std::string("insert into LinksData (Category, Description, HomePage) values ('") + category +
                           "', 'd', 'http://d/')");
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, single);
    ASSERT_EQ(Export(exported).status, 0);
    ExecuteSql(single, "delete from LinksData");
    ASSERT_EQ(Import(exported).status, 0);
    EXPECT_EQ(QueryRows(single, kAllRows), (Rows{{FromUtf8(category), L"d", L"http://d/"}}));
  }
}

TEST_F(BookmarkFileCommandsTest, LinksOutsideEveryFolderTakeTheNameOfTheTopFolder) {
  ASSERT_EQ(Import(File("a.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1><H1>Favorites</H1>"
                                  "<DL><DT><A HREF=\"http://a/\">a</A><DT><H3></H3><DL><DT><A HREF=\"http://b/\">b</A>"))
                .status,
            0);
  // No heading: "Bookmarks".
  ASSERT_EQ(Import(File("b.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1><DT><A HREF=\"http://c/\">c</A>")).status, 0);
  EXPECT_EQ(AllRows(), (Rows{{L"Favorites", L"a", L"http://a/"},
                             {L"Favorites", L"b", L"http://b/"},
                             {L"Bookmarks", L"c", L"http://c/"}}));
}

TEST_F(BookmarkFileCommandsTest, AFileThatIsNoBookmarkFileIsRefusedAndTheStoreStaysAsItWas) {
  ExecuteSql(folder_, "insert into LinksData (HomePage, Category, Description) values ('http://stored/', 'Mine', 'kept')");
  const Rows before = AllRows();
  for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
           {"empty.html", ""},
           {"page.html", "<!DOCTYPE html><html><head><title>A page</title></head><body><p>Text</p></body></html>"},
           {"notes.txt", "just some text with <angle brackets> & ampersands"}}) {
    Result run = Import(File(name, content));
    EXPECT_EQ(run.status, 1) << name;
    EXPECT_EQ(run.out, "") << name;
    EXPECT_NE(run.err.find("is not a bookmark file"), std::string::npos) << name << ": " << run.err;
    EXPECT_EQ(AllRows(), before) << name;
    EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 0) << name;
  }
  Result missing = Import(temp_.path() / "missing.html");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;
  // `pendrel import FIFO` ends at once: no writer is waited for.
  TestFifo fifo(temp_.path() / "fifo.html");
  Result fromFifo{};
  EXPECT_TRUE(fifo.RunWithin([&] { fromFifo = Import(fifo.path()); }, std::chrono::seconds(5)))
      << "the import waited on a FIFO";
  EXPECT_EQ(fromFifo.status, 1);
  EXPECT_NE(fromFifo.err.find("not a regular file"), std::string::npos) << fromFifo.err;

  // A bookmark file without links is no error: there is nothing to import.
  Result none = Import(File("none.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n</DL><p>\n"));
  EXPECT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(none.out, "imported 0, skipped 0 (already stored 0, unsupported 0)\n");
  EXPECT_EQ(AllRows(), before);
}

TEST_F(BookmarkFileCommandsTest, WithoutADataFolderOrDatabaseBothCommandsSayToInstallFirst) {
  std::filesystem::path file = File("a.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1><DT><A HREF=\"http://a/\">a</A>");
  {
    ScopedEnv noSettings("XDG_CONFIG_HOME", (temp_.path() / "empty-config").c_str());
    for (const Result& run : {Import(file), Export(temp_.path() / "out.html")}) {
      EXPECT_EQ(run.status, 1);
      EXPECT_NE(run.err.find("run `pendrel install` first"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(temp_.path() / "out.html"));
  }

  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, temp_.wpath() + L"/nowhere");
  Result run = Import(file);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot be opened; run `pendrel install` first"), std::string::npos) << run.err;

  std::ostringstream out, err;
  StatusLine status(err, StatusDisplay::Off);
  EXPECT_EQ(RunImportBookmarkFile({}, out, err, status), 2);
  EXPECT_EQ(RunExportBookmarkFile({"a", "b"}, out, err, status), 2);
  EXPECT_NE(err.str().find("usage: pendrel export FILE.html"), std::string::npos);
}

TEST_F(BookmarkFileCommandsTest, ExportWritesOneFolderPerCategoryInPageOrderAndImportGivesTheSameRowsBack) {
  const char* rows[][3] = {
      {"Zeta", "banana", "http://z1/"},
      {"Alpha", "cherry & <cream>", "http://a1/?x=1&y=2"},
      {"Alpha", "apple", "http://a3/"},
      {"Alpha", "apple", "http://a2/"},  // the same description: by address
      {"It's \"quoted\"", "Caf\xc3\xa9 \xf0\x9f\x98\x80", "https://q/\xc3\xa9"},
      {"Zeta", "", "http://z2/"},
  };
  auto quoted = [](std::string text) {
    for (size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 2)) text.insert(at, 1, '\'');
    return "'" + text + "'";
  };
  for (const auto& row : rows)
    ExecuteSql(folder_, "insert into LinksData (Category, Description, HomePage) values (" + quoted(row[0]) + ", " +
                            quoted(row[1]) + ", " + quoted(row[2]) + ")");
  const Rows stored = AllRows();
  std::filesystem::path file = temp_.path() / "export.html";

  Result run = Export(file);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "exported 6 in 3 folders\n");
  std::string text = ReadFileBytes(file);
  auto at = [&](const std::string& piece) {
    size_t position = text.find(piece);
    EXPECT_NE(position, std::string::npos) << piece;
    return position;
  };
  // Folders in category order; in each, the links as the all-bookmarks page orders them.
  EXPECT_LT(at(">Alpha</H3>"), at(">It&#39;s &quot;quoted&quot;</H3>"));
  EXPECT_LT(at(">It&#39;s &quot;quoted&quot;</H3>"), at(">Zeta</H3>"));
  EXPECT_LT(at("HREF=\"http://a2/\""), at("HREF=\"http://a3/\""));
  EXPECT_LT(at("HREF=\"http://a3/\""), at(">cherry &amp; &lt;cream&gt;</A>"));
  EXPECT_LT(at("HREF=\"http://z2/\""), at("HREF=\"http://z1/\""));
  at("HREF=\"http://a1/?x=1&amp;y=2\"");

  // Into an empty store, under the same settings.
  std::wstring other = MakeTestDataFolder(temp_, "other");
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, other);
  Result back = Import(file);
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.out, "imported 6, skipped 0 (already stored 0, unsupported 0)\n");
  EXPECT_EQ(QueryRows(other, kAllRows), stored);

  // Exporting again replaces the file whole; an export that cannot be written leaves it.
  ASSERT_EQ(Export(file).status, 0);
  Result blocked = Export(temp_.path() / "no-such-folder" / "x.html");
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.err.find("cannot write"), std::string::npos) << blocked.err;
}

TEST_F(BookmarkFileCommandsTest, AtATerminalBothShowTheToolbarsStatusTexts) {
  std::filesystem::path file = File("a.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><DT><H3>C</H3><DL>"
                                              "<DT><A HREF=\"http://one/\">one</A><DT><A HREF=\"http://two/\">two</A>");
  Result run = Import(file, StatusDisplay::Terminal);
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "imported 2, skipped 0 (already stored 0, unsupported 0)\n");  // results stay apart
  size_t start = run.err.find("Importing bookmarks... Please wait.");
  size_t processing = run.err.find("Processing address http://one/...");
  size_t end = run.err.find("Successfully imported from IE bookmarks\n");
  EXPECT_NE(start, std::string::npos) << run.err;
  EXPECT_LT(start, processing) << run.err;
  EXPECT_LT(processing, end) << run.err;

  Result exported = Export(temp_.path() / "out.html", StatusDisplay::Terminal);
  ASSERT_EQ(exported.status, 0);
  EXPECT_LT(exported.err.find("Exporting bookmarks... Please wait."),
            exported.err.find("Successfully exported to IE bookmarks\n"));

  EXPECT_EQ(Import(file).err, "");  // not at a terminal: nothing but the result
}

TEST_F(BookmarkFileCommandsTest, AHundredThousandLinks) {
  std::string text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<H1>Bookmarks</H1>\n<DL><p>\n";
  const int links = 100000;
  for (int folder = 0; folder < 100; ++folder) {
    text += "    <DT><H3>Folder " + std::to_string(folder) + "</H3>\n    <DL><p>\n";
    for (int i = 0; i < links / 100; ++i) {
      std::string n = std::to_string(folder * (links / 100) + i);
      text += "        <DT><A HREF=\"https://site" + n + ".example/page?a=1&amp;b=" + n + "\" ADD_DATE=\"1700000000\">Page " +
              n + " &#8211; a title</A>\n";
    }
    text += "    </DL><p>\n";
  }
  text += "</DL><p>\n";
  Result run = Import(File("big.html", text));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "imported 100000, skipped 0 (already stored 0, unsupported 0)\n");
  EXPECT_EQ(QueryCount(folder_, "LinksData"), links);
  EXPECT_EQ(QueryCount(folder_, "LinksCategory"), 100);
  EXPECT_EQ(QueryText(folder_, "select Category || '|' || Description from LinksData where HomePage = "
                               "'https://site54321.example/page?a=1&b=54321'"),
            "Folder 54|Page 54321 \xe2\x80\x93 a title");

  std::filesystem::path out = temp_.path() / "out.html";
  Result exported = Export(out);
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(exported.out, "exported 100000 in 100 folders\n");
}

// Through the built program, as a person runs it: settings and data in a folder of the test's own.
class PendrelImportExportTest : public IsolatedTest {
 protected:
  PendrelImportExportTest()
      : home_("HOME", temp_.path().c_str()), data_("XDG_DATA_HOME", (temp_.path() / "share").c_str()) {}

  CommandOutput Pendrel(const std::string& args) {
    return RunCommandLine(std::string(PENDREL_BIN_DIR) + "/pendrel " + args + " </dev/null 2>&1");
  }
  std::string Quoted(const std::filesystem::path& path) const { return '\'' + path.string() + '\''; }

  ScopedEnv home_;
  ScopedEnv data_;
};

TEST_F(PendrelImportExportTest, ImportThenExportAfterInstall) {
  std::filesystem::path file = temp_.path() / "firefox.html";
  std::ofstream(file) << "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><H3>Reading</H3>\n<DL><p>\n"
                         "<DT><A HREF=\"https://lwn.net/\" ADD_DATE=\"1700000000\">LWN.net</A>\n"
                         "<DT><A HREF=\"javascript:void(0)\">x</A>\n</DL><p>\n</DL><p>\n";
  CommandOutput early = Pendrel("import " + Quoted(file));
  EXPECT_EQ(early.status, 1);
  EXPECT_NE(early.output.find("run `pendrel install` first"), std::string::npos) << early.output;

  std::filesystem::path data = temp_.path() / "data";
  ASSERT_EQ(Pendrel("install --data " + Quoted(data)).status, 0);
  CommandOutput imported = Pendrel("import " + Quoted(file));
  EXPECT_EQ(imported.status, 0) << imported.output;
  EXPECT_EQ(imported.output, "imported 1, skipped 1 (already stored 0, unsupported 1)\n");
  EXPECT_EQ(QueryText(FromUtf8(data.string()), "select Category || '|' || Description from LinksData"),
            "Reading|LWN.net");

  std::filesystem::path page = temp_.path() / "page.html";
  std::ofstream(page) << "<html><body><p>Not bookmarks</p></body></html>";
  CommandOutput refused = Pendrel("import " + Quoted(page));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.output.find("is not a bookmark file"), std::string::npos) << refused.output;

  std::filesystem::path out = temp_.path() / "exported.html";
  CommandOutput exported = Pendrel("export " + Quoted(out));
  EXPECT_EQ(exported.status, 0) << exported.output;
  EXPECT_EQ(exported.output, "exported 1 in 1 folder\n");
  std::string text = ReadFileBytes(out);
  EXPECT_NE(text.find("<DT><H3 "), std::string::npos);
  EXPECT_NE(text.find(">Reading</H3>"), std::string::npos);
  EXPECT_NE(text.find("<DT><A HREF=\"https://lwn.net/\" ADD_DATE=\""), std::string::npos);

  EXPECT_EQ(Pendrel("import").status, 2);
  EXPECT_NE(Pendrel("--help").output.find("pendrel import|export FILE"), std::string::npos);
}

}  // namespace
