// The help pages `pendrel install` puts into the data folder name the setup menu's entries as a
// running toolbar shows them.
#include <re2/re2.h>

#include <set>

#include "tests/support/PendrelRunFixture.h"

namespace {

using HelpPagesTest = PendrelRunFixture;

TEST_F(HelpPagesTest, EveryMenuEntryTheHelpPagesNameIsOneTheMenuShows) {
  // The menu as it stands, and again with the history log on: its entry then reads "Disable".
  RunResult run = Run("show\nmenu Enable History Log\nshow\n");
  ASSERT_EQ(run.status, 0) << run.Text();
  std::set<std::string> shown;
  for (std::string line : run.lines) {
    if (!line.starts_with("menu: ") || line == "menu: -") continue;
    RE2::GlobalReplace(&line, " \\[(greyed|checked)\\]", "");
    shown.insert(line.substr(6));
  }
  ASSERT_TRUE(shown.contains("Disable History Log")) << run.Text();

  static const RE2 menuEntry("<b class=\"menu\">([^<]*)</b>");
  std::set<std::string> named;
  for (const char* page : {"help.html", "about.html"}) {
    std::string html = ReadFileBytes(temp_.path() / "data" / "help" / page);
    ASSERT_FALSE(html.empty()) << page;
    // Each `<b class="menu">` element's text, blanks and line breaks joined to one blank.
    re2::StringPiece rest(html);
    for (std::string name; RE2::FindAndConsume(&rest, menuEntry, &name);) {
      RE2::GlobalReplace(&name, "\\s+", " ");
      EXPECT_TRUE(shown.contains(name)) << page << " names the menu entry \"" << name << "\", which the menu lacks";
      named.insert(name);
    }
  }
  // And the help page describes every entry the menu has.
  for (const std::string& entry : shown) EXPECT_TRUE(named.contains(entry)) << "the help pages omit \"" << entry << "\"";
}

}  // namespace
