// `pendrel install`, run as a person runs it.
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>
#include <re2/re2.h>

#include "host/cli/EmbeddedFiles.h"
#include "platform/registry/Registry.h"
#include "platform/text/WideText.h"
#include "published/BookmarkLimits.h"
#include "store/CCustomException.h"
#include "tests/support/BrowserTestSupport.h"
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

// Expects `text` among what a run printed; `what` names the run in a failure.
void ExpectSays(const CommandOutput& run, const std::string& text, const std::string& what = "") {
  EXPECT_NE(run.output.find(text), std::string::npos) << what << ": " << run.output;
}

// Expects `args` to fail with status 1 and to say `text`; what it printed.
CommandOutput Refused(const std::string& args, const std::string& text, const std::string& environment = "") {
  CommandOutput run = RunPendrel(args, environment);
  EXPECT_EQ(run.status, 1) << environment << args << ": " << run.output;
  ExpectSays(run, text, environment + args);
  return run;
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

TEST_F(InstallTest, AFileThatIsNoHiveOrNoDatabaseIsLeftAloneAndEveryCommandSaysHowToMoveItAside) {
  ASSERT_EQ(RunPendrel("install --data " + data_.string()).status, 0);
  const std::filesystem::path machine = HiveFile(HKEY_LOCAL_MACHINE);
  const std::string listed = ReadFileBytes(machine);
  ASSERT_NE(listed.find("{669695BC-A811-4A9D-8CDF-BA8C795F261D}"), std::string::npos);
  // With the classes hive unreadable, registration touches neither the toolbar list nor the class, and the window
  // names the hive instead of sending the person to register, which cannot. Moved aside as said, all works again.
  using Strings = std::vector<std::string>;
  const std::tuple<std::filesystem::path, std::string, Strings, std::string, std::string, std::string> hives[] = {
      {HiveFile(HKEY_CLASSES_ROOT), "REGEDIT4\n\n[CLSID\\Cut", Strings{"unregister", "register", "uninstall"},
       "register`", "no toolbar: ", "register"},
      {HiveFile(HKEY_CURRENT_USER), "not a hive", Strings{"install"}, "install`, which writes the settings anew",
       "no toolbar: the band's creation failed (8007000e): ", "install --data " + data_.string()},
  };
  for (const auto& [hive, bytes, commands, advice, window, again] : hives) {
    WriteFile(hive, bytes);
    for (const std::string& command : commands) {
      Refused(command, "the registry hive " + hive.string() + " is not readable (it was left as it is); move it aside "
                       "with `mv " + hive.string() + " " + hive.string() + ".old`, then run `pendrel " + advice);
      EXPECT_EQ(ReadFileBytes(machine), listed) << command;
      EXPECT_EQ(ReadFileBytes(hive), bytes) << command;
    }
    ExpectSays(RunPendrel("run - </dev/null"), window + "the registry hive " + hive.string() + " is not readable");
    std::filesystem::rename(hive, hive.string() + ".old");
    CommandOutput run = RunPendrel(again);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadFileBytes(hive.string() + ".old"), bytes);
  }

  // A database that is none: import and export send the person to the same next step as install.
  const std::string database = (data_ / "Bookmark.mdb").string();
  WriteFile(database, "not a database");
  WriteFile(temp_.path() / "in.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><DT><A HREF=\"http://a/\">a</A></DL>");
  for (const std::string& command : {"import " + (temp_.path() / "in.html").string(),
                                     "export " + (temp_.path() / "out.html").string(), std::string("install")}) {
    CommandOutput run = Refused(command, "is not a");
    ExpectSays(run, "Move it aside and install again: mv " + database + " " + database + ".old && pendrel install\n",
               command);
    EXPECT_EQ(run.output.find("run `pendrel install`"), std::string::npos) << command << ": " << run.output;
    EXPECT_EQ(ReadFileBytes(database), "not a database");
  }
  // Given a folder, install names it in the command it suggests; doing what it says works.
  ExpectSays(RunPendrel("install --data " + data_.string()), ".old && pendrel install --data " + data_.string() + "\n");
  const std::string moveAside =
      "mv " + database + " " + database + ".old && " + PENDREL_BIN_DIR + "/pendrel install >/dev/null";
  ASSERT_EQ(std::system(moveAside.c_str()), 0);
  EXPECT_EQ(QueryCount(FromUtf8(data_.string()), "LinksData"), 0);
  EXPECT_EQ(ReadFileBytes(database + ".old"), "not a database");
}

TEST_F(InstallTest, HelpVersionAndBadArguments) {
  for (const char* option : {"-h", "--help"}) {
    CommandOutput run = RunCommandLine(std::string(PENDREL_BIN_DIR) + "/pendrel " + option + " 2>/dev/null");
    EXPECT_EQ(run.status, 0) << option;
    EXPECT_EQ(run.output.rfind("usage:\n", 0), 0u) << run.output;
    ExpectSays(run, "pendrel --version", option);
  }
  CommandOutput run = RunCommandLine(std::string(PENDREL_BIN_DIR) + "/pendrel --version 2>/dev/null");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, "pendrel 1.0.0.1\n");
  run = RunPendrel("install --bogus");
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

  // A data folder that is a link: both the folder it names and the link go.
  const std::filesystem::path real = temp_.path() / "real";
  const std::filesystem::path link = temp_.path() / "link";
  std::filesystem::create_directories(real);
  ::chmod(real.c_str(), 0700);
  std::filesystem::create_directory_symlink(real, link);
  ASSERT_EQ(RunPendrel("install --data " + link.string()).status, 0);
  ASSERT_TRUE(std::filesystem::exists(real / "Bookmark.mdb"));
  run = RunPendrel("uninstall --purge");
  EXPECT_EQ(run.status, 0) << run.output;
  ExpectSays(run, "  Bookmark.mdb\n");
  ExpectSays(run, "data folder: removed " + real.string() + " and the link " + link.string() + " to it\n");
  EXPECT_FALSE(std::filesystem::exists(real));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST_F(InstallTest, TheRootTheHomeAboveAndFoldersAnotherAccountCouldHavePlantedAreRefused) {
  const std::filesystem::path home = temp_.path() / "home";
  std::filesystem::create_directories(home);
  const std::string environment = "HOME='" + home.string() + "' ";
  const bool rootHeldOne = std::filesystem::exists("/Bookmark.mdb");
  for (const std::filesystem::path& folder : {std::filesystem::path("/"), home, temp_.path()}) {
    Refused("install --data " + folder.string(), "cannot be the data folder: it is the " +
            std::string(folder == "/" ? "root folder" : "home folder or a folder above it"), environment);
    EXPECT_FALSE(std::filesystem::exists(home / "Bookmark.mdb"));
    EXPECT_FALSE(std::filesystem::exists(home / "help"));
  }
  EXPECT_EQ(std::filesystem::exists("/Bookmark.mdb"), rootHeldOne);
  // A regression wrote into the root folder: take away what it wrote.
  if (!rootHeldOne && std::filesystem::exists("/Bookmark.mdb"))
    for (const char* left : {"/Bookmark.mdb", "/Bookmark.mdb-wal", "/Bookmark.mdb-shm", "/help/help.html",
                             "/help/about.html", "/help"})
      std::filesystem::remove(left);

  // A data folder and database writable by others before the first install: nothing kept, nothing written.
  const std::filesystem::path database = data_ / "Bookmark.mdb";
  MakeTestDataFolder(temp_, "data");
  ::chmod(data_.c_str(), 0777);
  Refused("install --data " + data_.string(), "the data folder " + data_.string() +
          " is not yours alone: its group or other users can write it (mode 0777). Nothing was changed.");
  EXPECT_FALSE(std::filesystem::exists(HiveFile(HKEY_CURRENT_USER)));  // nor by the refusals above
  ::chmod(data_.c_str(), 0700);
  ::chmod(database.c_str(), 0666);
  CommandOutput run =
      Refused("install --data " + data_.string(), "the database " + database.string() + " is not yours alone");
  EXPECT_EQ(run.output.find("database: kept"), std::string::npos) << run.output;
  ::chmod(database.c_str(), 0600);
  ASSERT_EQ(RunPendrel("install --data " + data_.string()).status, 0);

  // After the install: any of them made another's stops every command that would use it, changing nothing.
  const std::filesystem::path classes = HiveFile(HKEY_CLASSES_ROOT);
  const std::tuple<std::filesystem::path, unsigned, uid_t, const char*> cases[] = {
      {database, 0606, 0, "the database "},
      {database, 0600, 65534, "the database "},
      {data_, 0770, 0, "the data folder "},
      {RegistryFolder(), 0777, 0, "the registry folder "},
      {classes, 0600, 65534, "the registry hive "},
      {HiveFile(HKEY_CURRENT_USER), 0620, 0, "the registry hive "},
  };
  for (const auto& [path, mode, owner, says] : cases) {
    if (owner != 0 && ::geteuid() != 0) continue;
    SCOPED_TRACE(path.string() + " " + std::to_string(mode) + " " + std::to_string(owner));
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ::chmod(path.c_str(), mode);
    ASSERT_EQ(::chown(path.c_str(), owner, owner), 0);
    const std::string classesBytes = ReadFileBytes(classes);
    for (const std::string& command : {std::string("run - </dev/null"), std::string("install"),
                                       std::string("unregister"), std::string("uninstall --purge"),
                                       "import " + (temp_.path() / "none.html").string()}) {
      Refused(command, "pendrel: " + std::string(says) + path.string() + " is not yours alone: ");
      EXPECT_EQ(ReadFileBytes(classes), classesBytes) << command;
      EXPECT_TRUE(std::filesystem::exists(database)) << command;
    }
    ::chmod(path.c_str(), before.st_mode & 07777);
    ASSERT_EQ(::chown(path.c_str(), before.st_uid, before.st_gid), 0);
  }
  EXPECT_EQ(RunPendrel("run - </dev/null").status, 0);
  EXPECT_EQ(RunPendrel("install --data " + (home / "bookmarks").string(), environment).status, 0);  // below home
}

TEST_F(InstallTest, WithoutAHomeNothingGoesToASharedFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs to run as a user id without an entry in the user database";
  const std::array<std::string, 2> shared = {"/tmp/.config/pendrel", "/tmp/.local/share/pendrel"};
  const std::array<bool, 2> existed = {std::filesystem::exists(shared[0]), std::filesystem::exists(shared[1])};
  // A user id the user database does not know, with HOME unset and empty: no home at all.
  for (const char* home : {"-u HOME", "HOME="}) {
    for (const char* command : {"install", "register", "run -", "import x.html", ""}) {
      Refused(std::string(command) + " </dev/null",
              "HOME is not set and the user database gives no home folder for user id 54321; set HOME to your "
              "home folder",
              std::string("setpriv --reuid=54321 --regid=54321 --clear-groups env -u XDG_CONFIG_HOME -u "
                          "XDG_DATA_HOME ") + home + " ");
    }
  }
  for (size_t i = 0; i < shared.size(); ++i) {
    EXPECT_EQ(std::filesystem::exists(shared[i]), existed[i]) << shared[i];
    std::error_code ec;  // a regression made it as the test's user: take it away again
    if (!existed[i]) std::filesystem::remove_all(shared[i], ec);
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

// A column whose CHECK differs from the size the store's callers cut values to refuses what they let through.
TEST(InstalledSchemaTest, BookmarkColumnsHoldThePublishedSizes) {
  const std::string schema(EmbeddedFileData("resources/schema.sql"));
  ASSERT_FALSE(schema.empty());
  std::map<std::string, std::vector<size_t>> sizes;
  re2::StringPiece rest(schema);
  size_t size = 0;
  for (std::string column; RE2::FindAndConsume(&rest, R"(CHECK \(length\((\w+)\) <= (\d+))", &column, &size);)
    sizes[column].push_back(size);
  // LinksData's columns, then LinksCategory's; the history and the forms keep addresses too.
  EXPECT_EQ(sizes["HomePage"], std::vector<size_t>{kAddressColumnSize});
  EXPECT_EQ(sizes["Description"], std::vector<size_t>{kDescriptionColumnSize});
  EXPECT_EQ(sizes["Category"], (std::vector<size_t>{kCategoryColumnSize, kCategoryColumnSize}));
  EXPECT_EQ(sizes["URL"], (std::vector<size_t>{kAddressColumnSize, kAddressColumnSize}));
  EXPECT_EQ(sizes["action"], std::vector<size_t>{kAddressColumnSize});
}

}  // namespace
