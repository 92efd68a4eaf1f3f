// `pendrel install`, run as a person runs it.
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "platform/text/WideText.h"
#include "store/CCustomException.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"
#include "toolbar/Settings.h"

namespace {

// `environment` goes before the command, e.g. "HOME='/x' ".
CommandOutput RunPendrel(const std::string& args, const std::string& environment = "") {
  return RunCommandLine(environment + std::string(PENDREL_BIN_DIR) + "/pendrel " + args + " 2>&1");
}

unsigned Mode(const std::filesystem::path& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 0777;
}

class InstallTest : public IsolatedTest {
 protected:
  std::filesystem::path data_ = temp_.path() / "data";
};

TEST_F(InstallTest, SetsUpTheDataFolderDatabaseHelpAndSettings) {
  CommandOutput run = RunPendrel("install --data " + data_.string());
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("database: created " + (data_ / "Bookmark.mdb").string()), std::string::npos);
  // The band is registered from beside the program, and listed among the browser's toolbars.
  EXPECT_NE(run.output.find("band: registered " + std::string(PENDREL_BIN_DIR) + "/libPendrelBand.so\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer\\Toolbar",
                               L"{669695BC-A811-4A9D-8CDF-BA8C795F261D}"),
            L"Pendrel");
  EXPECT_EQ(Mode(data_), 0700u);
  EXPECT_EQ(Mode(data_ / "Bookmark.mdb"), 0600u);
  EXPECT_NE(ReadFileBytes(data_ / "help" / "help.html").find("<title>Pendrel help</title>"), std::string::npos);
  EXPECT_NE(ReadFileBytes(data_ / "help" / "about.html").find("About Pendrel"), std::string::npos);

  std::wstring folder = FromUtf8(data_.string());
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue), folder);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue), L"0");
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue), L"OR");

  for (const char* table : {"LinksData", "LinksCategory", "History", "FormURL", "FormURLData"})
    EXPECT_EQ(QueryCount(folder, table), 0) << table;
  // The table fills in the time of each history row, to the millisecond.
  ExecuteSql(folder, "insert into History (URL, Title) values ('http://a/', 't')");
  std::string time = QueryText(folder, "select CreateTime from History");
  EXPECT_EQ(time.size(), 23u) << time;  // YYYY-MM-DD HH:MM:SS.mmm
  EXPECT_EQ(QueryText(folder, "select count(*) from sqlite_master where type = 'index' and "
                              "name in ('LinksData_HomePage', 'LinksData_Category', 'LinksCategory_Category')"),
            "3");
}

TEST_F(InstallTest, RunningAgainChangesNothingAndKeepsTheDatabase) {
  ASSERT_EQ(RunPendrel("install --data " + data_.string()).status, 0);
  std::wstring folder = FromUtf8(data_.string());
  ExecuteSql(folder, "insert into LinksData (HomePage, Category, Description) values ('http://kept/', 'c', 'd')");
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"1");
  { std::ofstream(data_ / "help" / "help.html") << "my own notes"; }

  CommandOutput again = RunPendrel("install");
  ASSERT_EQ(again.status, 0) << again.output;
  EXPECT_NE(again.output.find("database: kept"), std::string::npos);
  EXPECT_EQ(QueryCount(folder, "LinksData"), 1);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue), L"1");
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue), folder);
  EXPECT_EQ(ReadFileBytes(data_ / "help" / "help.html"), "my own notes");
}

TEST_F(InstallTest, AFolderPathOver127CharactersIsRefused) {
  std::string base = temp_.path().string() + "/";
  std::filesystem::path fits = base + std::string(127 - base.size(), 'a');
  std::filesystem::path tooLong = base + std::string(128 - base.size(), 'b');
  CommandOutput refused = RunPendrel("install --data " + tooLong.string());
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.output.find("has 128 characters; the toolbar accepts at most 127"), std::string::npos)
      << refused.output;
  EXPECT_FALSE(std::filesystem::exists(tooLong));
  CommandOutput accepted = RunPendrel("install --data " + fits.string());
  EXPECT_EQ(accepted.status, 0) << accepted.output;
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue), FromUtf8(fits.string()));
}

TEST_F(InstallTest, AFileThatIsNoDatabaseIsLeftAlone) {
  std::filesystem::create_directories(data_);
  { std::ofstream(data_ / "Bookmark.mdb") << "not a database"; }
  CommandOutput run = RunPendrel("install --data " + data_.string());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("is not a usable bookmark database"), std::string::npos) << run.output;
  EXPECT_EQ(ReadFileBytes(data_ / "Bookmark.mdb"), "not a database");
}

TEST_F(InstallTest, AnUnreadableSettingsHiveIsReportedAndLeftByteForByte) {
  const std::filesystem::path hive = HiveFile(HKEY_CURRENT_USER);
  std::filesystem::create_directories(hive.parent_path());
  const std::string cases[] = {"", "REGEDIT4\n\n[Software\\Cut", std::string("\0\xff\xfe\x01 binary", 11)};
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    { std::ofstream(hive, std::ios::binary | std::ios::trunc) << bytes; }
    // The commands that keep their settings there stop and say why; the others go on without it.
    for (const std::string& command : {"install --data " + data_.string(), std::string("uninstall")}) {
      CommandOutput run = RunPendrel(command);
      EXPECT_NE(run.status, 0) << command << ": " << run.output;
      EXPECT_NE(run.output.find("registry"), std::string::npos) << command << ": " << run.output;
      EXPECT_EQ(ReadFileBytes(hive), bytes) << command;
    }
    for (const std::string& command : {std::string("register"), std::string("run - </dev/null")}) {
      RunPendrel(command);
      // Nothing read it as an empty hive and wrote over it, not even on the way out.
      EXPECT_EQ(ReadFileBytes(hive), bytes) << command;
    }
  }
}

TEST_F(InstallTest, BadArgumentsShowTheUsage) {
  CommandOutput run = RunPendrel("install --bogus");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("usage:"), std::string::npos);
  EXPECT_EQ(RunPendrel("frobnicate").status, 2);
}

TEST_F(InstallTest, UninstallUnregistersAndRemovesTheSettingsAndKeepsTheDataUnlessPurged) {
  const std::string library = std::string(PENDREL_BIN_DIR) + "/libPendrelBand.so";
  ASSERT_EQ(RunPendrel("install --data " + data_.string()).status, 0);
  std::wstring folder = FromUtf8(data_.string());
  ExecuteSql(folder, "insert into LinksData (HomePage, Category, Description) values ('http://kept/', 'c', 'd')");
  WriteRegistryString(HKEY_CURRENT_USER, L"Software\\Vellorin\\Other", L"Name", L"someone else's");

  CommandOutput run = RunPendrel("uninstall");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "band: unregistered " + library +
                            "\nsettings: removed HKEY_CURRENT_USER\\Software\\Vellorin\\Pendrel\\User\n"
                            "data folder: kept " + data_.string() + " (pendrel uninstall --purge removes it)\n");
  EXPECT_THROW(ReadRegistryString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer\\Toolbar",
                                  L"{669695BC-A811-4A9D-8CDF-BA8C795F261D}"),
               CCustomException);
  EXPECT_THROW(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue), CCustomException);
  EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, L"Software\\Vellorin\\Other", L"Name"), L"someone else's");
  EXPECT_EQ(QueryCount(folder, "LinksData"), 1);

  // Installed again on the same folder, the bookmark is still there; --purge lists the folder
  // and removes it.
  ASSERT_EQ(RunPendrel("install --data " + data_.string()).status, 0);
  EXPECT_EQ(QueryCount(folder, "LinksData"), 1);
  run = RunPendrel("uninstall --purge");
  ASSERT_EQ(run.status, 0) << run.output;
  for (const std::string& line : std::vector<std::string>{"data folder " + data_.string() + " holds:\n", "  Bookmark.mdb\n", "  help/\n",
                                 "  help/help.html\n", "data folder: removed " + data_.string() + "\n"})
    EXPECT_NE(run.output.find(line), std::string::npos) << line << run.output;
  EXPECT_FALSE(std::filesystem::exists(data_));

  // Nothing left to take away: still no error.
  run = RunPendrel("uninstall --purge");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("settings: none\n"), std::string::npos) << run.output;
}

TEST_F(InstallTest, PurgeRemovesOnlyADataFolder) {
  std::filesystem::path notData = temp_.path() / "papers";
  std::filesystem::create_directories(notData);
  { std::ofstream(notData / "precious.txt") << "mine"; }
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, FromUtf8(notData.string()));
  CommandOutput run = RunPendrel("uninstall --purge");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("the data folder " + notData.string() + " was not removed: it holds no Bookmark.mdb"),
            std::string::npos)
      << run.output;
  EXPECT_TRUE(std::filesystem::exists(notData / "precious.txt"));

  // The home folder, and any folder above it, even with a Bookmark.mdb in it.
  std::filesystem::path home = temp_.path() / "home";
  std::filesystem::create_directories(home);
  { std::ofstream(home / "Bookmark.mdb") << ""; }
  for (const std::filesystem::path& named : {home, temp_.path()}) {
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, FromUtf8(named.string() + "/"));
    run = RunPendrel("uninstall --purge", "HOME='" + home.string() + "' ");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("was not removed: it is the home folder or a folder above it"), std::string::npos)
        << run.output;
    EXPECT_TRUE(std::filesystem::exists(home / "Bookmark.mdb"));
  }
}

TEST_F(InstallTest, RegistrationCommandsTakeNoArguments) {
  for (const char* command : {"register now", "unregister all", "uninstall --everything", "uninstall --purge more"}) {
    CommandOutput run = RunPendrel(command);
    EXPECT_EQ(run.status, 2) << command;
    EXPECT_NE(run.output.find("pendrel uninstall [--purge]"), std::string::npos) << run.output;
  }
  CommandOutput run = RunPendrel("register");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "band: registered " + std::string(PENDREL_BIN_DIR) + "/libPendrelBand.so\n");
}

}  // namespace
