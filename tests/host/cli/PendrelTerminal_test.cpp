// `pendrel ADDRESS` at a terminal, as a person meets it: the built program on a pseudo-terminal, in a
// fresh home, a large documentation page from 127.0.0.1, keys typed as a person types them (libedit).
#include "tests/support/DocumentationPage.h"
#include "tests/support/PendrelRunFixture.h"
#include "tests/support/TerminalProgram.h"

namespace {

using PendrelTerminalTest = PendrelRunFixture;

TEST_F(PendrelTerminalTest, APersonBrowsesALargePageBookmarksItAndUsesTheHistory) {
  LoopbackServer docs([](httplib::Server& server) {
    server.Get("/fs.html", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(DocumentationPage(), "text/html");
    });
  });
  const std::string page = ToUtf8(docs.Url("/fs.html"));
  TerminalProgram pendrel({std::string(PENDREL_BIN_DIR) + "/pendrel", "about:blank"},
                          {"TERM=xterm", "PAGER=cat", "LC_ALL=C.UTF-8"});
  ASSERT_TRUE(pendrel.Started());
  // Types `keys`, reads up to `prompt` and expects every one of `shown` on the screen.
  auto step = [&](const std::string& keys, const std::vector<std::string>& shown,
                  const std::string& prompt = "pendrel> ") {
    pendrel.Type(keys);
    std::string screen = pendrel.ReadUntil(prompt);
    EXPECT_TRUE(pendrel.TakesKeysOneByOne()) << "at \"" << prompt << "\" after " << keys;
    for (const std::string& text : shown)
      EXPECT_NE(screen.find(text), std::string::npos) << text << "\n--- on the screen ---\n" << screen.substr(0, 4000);
    return screen;
  };
  step("", {"[Add] (Change) (Delete) [Options] | search: about:blank | category:  [0] | [Show]\nstatus: Done\n"});

  // One navigation to a 500 KB page prints a screenful, the toolbar at a glance and the status.
  std::string screen = step(
      "navigate " + page + "\n",
      {"File system | Docs\n==================\n\nFile system\n\n* [1]fs.call0()\n* [2]fs.call1()\n",
       "-- the page goes on: page shows all of it --\n[Add] (Change) (Delete) [Options] | search: File system | Docs | "
       "category:  [0] | [Show]\nstatus: Done\n"});
  EXPECT_LT(screen.size(), 4096u);

  // Bookmarked under a new category: the box is shown, and the toolbar line again as it changed.
  step("type category Node docs\n", {"| category: Node docs [0] |"});
  screen = step("click Add\n", {"== PendrelBand ==\n" + page + " is successfully added.\n"});
  EXPECT_LT(screen.size(), 1024u);

  // A question keeps its line breaks and waits for y: the category goes with its bookmark.
  step("menu Delete category\n",
       {"== Delete Category ==\nThis category \"Node docs\" and\nall bookmarks under this category will be erased.\n"
        "    Are you sure?\n(y/n)? "},
       "(y/n)? ");
  step("y\n", {});
  EXPECT_EQ(QueryCount(DataFolder(), "LinksData"), 0);
  // The answer is not a command: the Up key brings back the command before it, which Ctrl-A and
  // Ctrl-K then take away again, leaving an empty line that does nothing.
  step("\x1b[A", {"menu Delete category"}, "menu Delete category");
  EXPECT_EQ(step("\x01\x0b\n", {}).find("== "), std::string::npos);

  // The whole page through the pager, wrapped to the terminal's new width; then `show` and, from
  // the history, `show` again with the Up key: the state with the menu, read at a glance.
  pendrel.Resize(60, 30);
  screen = step("page\n", {"\nimport { call5 } from 'node:fs';\n        call5('/etc/passwd', (err, data) => {});\n"});
  size_t widest = 0;
  for (size_t start = 0, end; (end = screen.find('\n', start)) != std::string::npos; start = end + 1)
    widest = std::max(widest, end - start);
  EXPECT_GT(widest, 50u);
  EXPECT_LE(widest, 60u);
  EXPECT_GT(screen.size(), 100'000u);
  step("show\n", {"location: " + page + "\ntitle: File system | Docs\n[Add]", "menu:\n"});
  step("\x1b[A\n", {"location: " + page + "\n"});

  // Ctrl-D at the prompt ends the session as quit does.
  pendrel.Type("\x04");
  EXPECT_EQ(pendrel.Wait(), 0);
}

}  // namespace
