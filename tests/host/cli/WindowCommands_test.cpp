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

TEST_F(WindowCommandsTest, TerminalSessionShowsWhatEachCommandChangedAsTextToRead) {
  // A page whose text tries to drive the terminal, with a long paragraph, a list, preformatted text and a password.
  WriteFile(temp_.path() / "a.html",
            "<title>A\x1b]0;owned\x07</title><h1>Head</h1><p>one two three four five six seven eight nine ten "
            "eleven twelve</p><ul><li>first<li>second</ul><pre>x\ty\nz</pre><p>\xE2\x80\xAEreversed <a "
            "href='b.html'>next</a><form><input name=user value=ann><input type=password name=pass "
            "value=S3cret-bank></form>");
  std::string body;
  for (int i = 0; i < 40; ++i) body += "<p>line " + std::to_string(i) + "</p>";
  WriteFile(temp_.path() / "b.html", "<title>B</title>" + body);
  std::string a = (temp_.path() / "a.html").string();
  // Runs a session on `a` at a terminal of the given size, from `input`; what it printed.
  auto session = [&](const std::string& input, size_t rows) {
    std::istringstream in(input);
    std::ostringstream out;
    StreamLineSource lines(in, out);
    EXPECT_EQ(RunWindowAtTerminal({a}, lines, out, TerminalOptions{30, rows, ""}), 0);
    return out.str();
  };
  std::string text = session("bogus\nfollow next\npage\n", 12);  // the input ends without quit
  for (const char* hostile : {"\x1b", "\x07", "\xE2\x80\xAE", "S3cret"})
    EXPECT_EQ(text.find(hostile), std::string::npos) << hostile << "\n" << text;
  // Each screen: blocks on lines of their own, set apart, wrapped to 30 columns, cut after a screenful; the status.
  const std::string firstScreen =
      "A\xEF\xBF\xBD]0;owned\xEF\xBF\xBD\n===========\n\nHead\n\n"
      "one two three four five six\nseven eight nine ten eleven\ntwelve\n"
      "-- the page goes on: page shows all of it --\nstatus: Done\n"
      "pendrel> error: unknown command \"bogus\"\npendrel> \n"
      "B\n=\n\nline 0\n\nline 1\n\nline 2\n-- the page goes on: page shows all of it --\n"
      "status: Done\npendrel> B\n=\n\nline 0\n";
  EXPECT_NE(text.find(firstScreen), std::string::npos) << text;
  // `page` without a pager prints the whole page, and the session ends with the input.
  EXPECT_NE(text.find("\nline 38\n\nline 39\npendrel> \n"), std::string::npos) << text;

  // The whole first page, as `page` lays it out.
  text = session("page\nquit\n", 100);
  EXPECT_NE(text.find("* first\n* second\n\nx       y\nz\n\n\xEF\xBF\xBDreversed [1]next\n\n"
                      "[user = ann] [pass =\n***********]\n"),
            std::string::npos)
      << text;

  std::istringstream in;
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
  // Asked as a box, its caption on a line of its own, until the answer is y or n, which is not echoed back.
  std::string ask = "\n== Delete bookmark ==\nDo you want to delete " + url + "?\n(y/n)? ";
  EXPECT_NE(text.find("pendrel> " + ask + "(y/n)? pendrel> " + ask + "\n== PendrelBand ==\n" + url +
                      " is successfully deleted.\npendrel> "),
            std::string::npos)
      << text;
  EXPECT_EQ(QueryCount(data, "LinksData"), 0);
}

}  // namespace
