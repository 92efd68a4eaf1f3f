// The README's terminal sessions, replayed in its order in one fresh home, against stand-in pages on
// 127.0.0.1 for the addresses it names. A fenced block whose first line is `$ COMMAND` runs that pendrel
// command on a pseudo-terminal of 100 by 30, and its session goes on over the blocks that follow until
// the next `$ `; `pendrel> TEXT` and `(y/n)? TEXT` are typed at that prompt, `...` stands for lines left
// out, and every other line must come out of the program, in that order. Where the sentence before a
// block says "for example", its numbers may differ.
#include <re2/re2.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/LoopbackServer.h"
#include "tests/support/TerminalProgram.h"
#include "tests/support/TestSupport.h"

namespace {

// The titles of the stand-ins for the pages the README visits, by host and path.
const std::map<std::string, std::string> kStandIns = {
    {"www.debian.org/", "Debian -- The Universal Operating System"},
    {"www.kernel.org/", "The Linux Kernel Archives"},
    {"lwn.net/", "Welcome to LWN.net [LWN.net]"},
};

struct TranscriptLine {
  std::string text;
  bool example = false;  // numbers may differ
};

struct Session {
  std::string command;  // after "$ "
  std::vector<TranscriptLine> lines;
};

// The README's transcripts as sessions, one for each `$ ` line.
std::vector<Session> Sessions(const std::string& readme) {
  std::vector<Session> sessions;
  std::istringstream in(readme);
  for (std::string line, before; std::getline(in, line);) {
    if (!line.starts_with("```")) {
      if (!line.empty()) before = line;
      continue;
    }
    std::vector<std::string> block;
    while (std::getline(in, line) && !line.starts_with("```")) block.push_back(line);
    if (block.empty() || !(block[0].starts_with("$ ") || (block[0].starts_with("pendrel> ") && !sessions.empty())))
      continue;
    bool example = RE2::PartialMatch(before, "(?i)for example");
    for (const std::string& text : block)
      if (text.starts_with("$ "))
        sessions.push_back({text.substr(2), {}});
      else
        sessions.back().lines.push_back({text, example});
  }
  return sessions;
}

// What the program wrote, as lines a person reads: terminal control sequences taken out,
// trailing blanks dropped.
std::vector<std::string> ScreenLines(std::string text) {
  static const RE2 control("\\x1b\\[[0-9;?]*[ -/]*[@-~]|\\x1b[@-Z\\\\-_]|[\\x07\\x08]");
  RE2::GlobalReplace(&text, control, "");
  RE2::GlobalReplace(&text, " +(\n|$)", "\\1");
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class ReadmeSessionTest : public IsolatedTest {
 protected:
  // The README's words for this machine: its addresses the stand-ins' (each must have one),
  // /home/you and ~ the test's home, the installed toolbar the built one.
  std::string Local(std::string text) const {
    static const RE2 address("(https?://([A-Za-z0-9.-]+/))");
    re2::StringPiece rest(text);
    for (std::string whole, site; RE2::FindAndConsume(&rest, address, &whole, &site);)
      EXPECT_TRUE(kStandIns.contains(site)) << "no stand-in page for " << whole;
    const std::string standIn = "http://127.0.0.1:" + std::to_string(server_.port()) + "/\\1";
    RE2::GlobalReplace(&text, "https?://([A-Za-z0-9.-]+/)", standIn);
    RE2::GlobalReplace(&text, "/home/you\\b", home_.string());
    RE2::GlobalReplace(&text, "(^| )~/", "\\1" + home_.string() + "/");
    RE2::GlobalReplace(&text, "/usr/lib/pendrel/", std::string(PENDREL_BIN_DIR) + "/");
    return text;
  }

  // Runs one session on a pseudo-terminal and checks its lines.
  void Replay(const Session& session) {
    SCOPED_TRACE("$ " + session.command);
    std::istringstream words(Local(session.command));
    std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
    ASSERT_EQ(args.at(0), "pendrel") << "the README's sessions run pendrel";
    args[0] = std::string(PENDREL_BIN_DIR) + "/pendrel";
    TerminalProgram program(args, {"TERM=xterm", "PAGER=cat", "LC_ALL=C.UTF-8", "COLUMNS=100", "LINES=30"});
    ASSERT_TRUE(program.Started());
    std::string output;
    for (const TranscriptLine& line : session.lines)
      for (const char* prompt : {"pendrel> ", "(y/n)? "})
        if (line.text.starts_with(prompt)) {
          output += program.ReadUntil(prompt);
          program.Type(Local(line.text.substr(std::string(prompt).size())) + "\n");
        }
    output += program.ReadToEnd();
    EXPECT_EQ(program.Wait(), 0) << output;

    std::vector<std::string> screen = ScreenLines(output);
    // A command the README types without showing an error must not meet one.
    auto inReadme = [&](const std::string& shown) {
      return std::any_of(session.lines.begin(), session.lines.end(),
                         [&](const TranscriptLine& line) { return Local(line.text) == shown; });
    };
    for (const std::string& shown : screen) EXPECT_TRUE(!shown.starts_with("error: ") || inReadme(shown)) << shown;
    auto digitless = [](std::string text) { return RE2::GlobalReplace(&text, "[0-9]+", "N"), text; };
    size_t at = 0;
    for (const TranscriptLine& line : session.lines) {
      if (line.text == "..." || line.text.empty()) continue;
      std::string wanted = Local(line.text);
      RE2::GlobalReplace(&wanted, " +$", "");
      auto found = std::find_if(screen.begin() + at, screen.end(), [&](const std::string& shown) {
        return line.example ? digitless(shown) == digitless(wanted) : shown == wanted;
      });
      if (found == screen.end()) {
        std::string rest;
        for (size_t i = at; i < screen.size(); ++i) rest += screen[i] + "\n";
        ADD_FAILURE() << "the README shows \"" << line.text << "\", the program printed (from there on):\n" << rest;
        return;
      }
      at = found - screen.begin() + 1;
    }
  }

  ~ReadmeSessionTest() override {
    std::error_code ignored;
    if (!home_.empty()) std::filesystem::remove_all(home_, ignored);
  }

  // A home whose path is about as long as /home/you, so that messages wrap where the README's do.
  std::filesystem::path home_ = [] {
    char name[] = "/tmp/you-XXXXXX";
    return std::filesystem::path(mkdtemp(name) ? name : "");
  }();
  ScopedEnv home_env_{"HOME", home_.c_str()};
  ScopedEnv dataHome_{"XDG_DATA_HOME", nullptr};
  ScopedEnv configHome_{"XDG_CONFIG_HOME", nullptr};
  DirectConnections direct_;
  LoopbackServer server_{[](httplib::Server& server) {
    for (const auto& [path, title] : kStandIns)
      server.Get("/" + path, [title](const httplib::Request&, httplib::Response& response) {
        response.set_content("<html><head><title>" + title + "</title></head><body><h1>" + title +
                                 "</h1><p>A page standing in for the real one.</p></body></html>",
                             "text/html");
      });
  }};
};

TEST_F(ReadmeSessionTest, TheReadmeSessionsPrintWhatTheReadmeShows) {
  std::vector<Session> sessions = Sessions(ReadFileBytes(std::string(PENDREL_SOURCE_DIR) + "/README.md"));
  ASSERT_GE(sessions.size(), 4u);
  ASSERT_FALSE(home_.empty());
  // A bookmark file as another browser exports it: one page the session stored already, a new one and
  // a bookmarklet.
  std::ofstream(home_ / "bookmarks.html")
      << "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n<DL><p>\n"
         "<DT><H3>Linux</H3>\n<DL><p>\n"
      << "<DT><A HREF=\"" << Local("https://www.debian.org/") << "\">Debian</A>\n"
      << "<DT><A HREF=\"" << Local("https://lwn.net/") << "\">LWN.net</A>\n"
      << "</DL><p>\n<DT><A HREF=\"javascript:void(0)\">A bookmarklet</A>\n</DL><p>\n";
  for (const Session& session : sessions) Replay(session);
}

}  // namespace
