// `pendrel [ADDRESS]` for a person at a terminal: the screen after each command, the prompt, and
// an error that leaves the session going.
#include <gtest/gtest.h>

#include <sstream>

#include "band/DllEntryPoints.h"
#include "host/cli/WindowCommands.h"
#include "host/engine/Url.h"
#include "platform/text/WideText.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"
#include "toolbar/Settings.h"

namespace {

class WindowCommandsTest : public IsolatedTest {};

TEST_F(WindowCommandsTest, TerminalSessionShowsTheWindowAfterEachCommandAndGoesOnAfterAnError) {
  WriteFile(temp_.path() / "a.html", "<title>A</title><a href='b.html'>next</a>");
  WriteFile(temp_.path() / "b.html", "<title>B</title><p>second page");
  std::string a = (temp_.path() / "a.html").string();
  std::string b = ToUtf8(FileUrlFromPath(FromUtf8((temp_.path() / "b.html").string())));
  std::istringstream in("bogus\nfollow next\n");  // the input ends without quit
  std::ostringstream out;
  EXPECT_EQ(RunWindow({a}, in, out, CommandSource::Terminal), 0);
  std::string text = out.str();
  // The first screen shows the page, with the status text; each command is prompted for.
  size_t firstScreen = text.find("title: A\nstatus: Done\ntitle: A\ntext: next\nlink 1: next -> ");
  EXPECT_NE(firstScreen, std::string::npos) << text;
  size_t error = text.find("pendrel> error: unknown command \"bogus\"\npendrel> navigate: " + b + "\n");
  EXPECT_NE(error, std::string::npos) << text;
  EXPECT_GT(error, firstScreen);
  EXPECT_NE(text.find("location: " + b + "\ntitle: B\nstatus: Done\ntitle: B\ntext: second page\npendrel> "),
            std::string::npos)
      << text;

  std::ostringstream usage;
  EXPECT_EQ(RunWindow({a, a}, in, usage, CommandSource::Terminal), 2);
}

TEST_F(WindowCommandsTest, AQuestionAtTheTerminalWaitsForYOrN) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  std::wstring data = MakeTestDataFolder(temp_);
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, data);
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"0");
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue, L"OR");
  WriteFile(temp_.path() / "a.html", "<title>A</title>");
  std::string a = (temp_.path() / "a.html").string();
  std::string url = ToUtf8(FileUrlFromPath(FromUtf8(a)));
  ExecuteSql(data, "insert into LinksCategory (Category) values ('C')");
  ExecuteSql(data, "insert into LinksData values ('" + url + "', 'C', 'A')");

  // The first answer is neither; then n keeps the bookmark, and Y deletes it.
  std::istringstream in("click Delete\nmaybe\nn\nclick Delete\nY\nquit\n");
  std::ostringstream out;
  EXPECT_EQ(RunWindow({a}, in, out, CommandSource::Terminal), 0);
  std::string text = out.str();
  std::string ask = "Delete bookmark: Do you want to delete " + url + "? (y/n)? ";
  EXPECT_NE(text.find("pendrel> " + ask + ask + "question: Delete bookmark | Do you want to delete " + url + "? -> no\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("pendrel> " + ask + "question: Delete bookmark | Do you want to delete " + url +
                      "? -> yes\nbox: PendrelBand | " + url + " is successfully deleted.\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(QueryCount(data, "LinksData"), 0);
}

}  // namespace
