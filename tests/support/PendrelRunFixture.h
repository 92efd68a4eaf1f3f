// The end-to-end fixture of the hosts: the built programs in a fresh home with `pendrel install`
// done first, pages from a server on 127.0.0.1, the lines a script run prints, and the database
// file and the generated page file to check afterwards. Test programs that use it define
// PENDREL_BIN_DIR, the folder of the built programs.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "host/engine/Url.h"
#include "platform/text/WideText.h"
#include "tests/support/HeldAnswer.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

using Lines = std::vector<std::string>;

struct RunResult {
  int status = -1;
  Lines lines;
  bool Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
  bool HasStarting(const std::string& start) const {
    for (const auto& line : lines)
      if (line.starts_with(start)) return true;
    return false;
  }
  // The lines from the first that starts with `start` on, `count` of them (fewer at the end).
  Lines From(const std::string& start, size_t count) const {
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].starts_with(start)) return Lines(lines.begin() + i, lines.begin() + std::min(lines.size(), i + count));
    return {};
  }
  std::string Text() const {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
  }
};

class PendrelRunFixture : public IsolatedTest {
 protected:
  PendrelRunFixture()
      : server_([this](httplib::Server& server) {
          auto page = [](const std::string& title, const std::string& body = "") {
            return [=](const httplib::Request&, httplib::Response& response) {
              response.set_content("<html><head><title>" + title + "</title></head><body>" + body + "</body></html>",
                                   "text/html");
            };
          };
          server.Get("/a", page("Page A", "<a href='/b/'>To B</a><form action='/c'><input name=q></form>"));
          server.Get("/b/", page("Page B"));
          server.Get("/c", page("Page C"));
          server.Get("/s", page("S"));
          server.Get("/login", page("Sign in",
                                    "<form name=login action='/done'><input name=user><input type=password name=pass>"
                                    "<input type=hidden name=token value=t><input type=submit name=go></form>"));
          server.Get("/done", page("Signed in"));
          // A moved page, and one that holds its answer until the test ends (at most 20 s) and
          // then reports a move that a job stopped at the quit must never store.
          server.Get("/old", [this](const httplib::Request&, httplib::Response& response) {
            response.set_redirect(Url("/b/"), 301);
          });
          server.Get("/hang", [this](const httplib::Request&, httplib::Response& response) {
            held_.Hold();
            response.set_redirect(Url("/b/"), 301);
          });
          // A page that comes once the job's request waits in /hang (at most 10 s).
          server.Get("/after-hang", [this](const httplib::Request&, httplib::Response& response) {
            held_.WaitUntilHeld();
            response.set_content("<title>After</title>", "text/html");
          });
        }) {
    RunResult install = RunPendrel("install --data '" + (temp_.path() / "data").string() + "'");
    EXPECT_EQ(install.status, 0) << install.Text();
  }
  ~PendrelRunFixture() override { held_.Release(); }

  // Runs pendrel with `input` (a file; none: nothing) as its standard input.
  static RunResult RunPendrel(const std::string& args, const std::filesystem::path& input = "/dev/null") {
    return RunProgram(std::string(PENDREL_BIN_DIR) + "/pendrel " + args, input);
  }
  // Runs a command line of the shell, its standard error joined to its output.
  static RunResult RunProgram(const std::string& commandLine, const std::filesystem::path& input = "/dev/null") {
    CommandOutput run = RunCommandLine(commandLine + " <'" + input.string() + "' 2>&1");
    RunResult result{run.status, {}};
    std::istringstream in(run.output);
    for (std::string line; std::getline(in, line);) result.lines.push_back(line);
    return result;
  }

  std::filesystem::path Script(const std::string& script) {
    std::filesystem::path file = temp_.path() / ("script" + std::to_string(++scripts_) + ".txt");
    std::ofstream(file, std::ios::binary) << script;
    return file;
  }
  // Runs `script` through the host under test.
  RunResult Run(const std::string& script) { return RunProgram(ScriptCommand(Script(script).string())); }
  // The command line that runs the script file `file` in a browser window.
  virtual std::string ScriptCommand(const std::string& file) const {
    return std::string(PENDREL_BIN_DIR) + "/pendrel run '" + file + "'";
  }

  static bool HasToolbar(const RunResult& run) { return !run.HasStarting("no toolbar: "); }

  std::string Url(const std::string& path) const { return ToUtf8(server_.Url(path)); }
  std::wstring DataFolder() const { return FromUtf8((temp_.path() / "data").string()); }
  std::string PageFileUrl() const { return ToUtf8(FileUrlFromPath(DataFolder() + L"/Bookmark.html")); }
  // The generated page, as text.
  std::string PageFile() const {
    std::string raw = ReadFileBytes(temp_.path() / "data" / "Bookmark.html");
    if (raw.starts_with("\xFF\xFE")) raw.erase(0, 2);
    return ToUtf8(FromUtf16LE(raw));
  }
  std::vector<std::vector<std::wstring>> Bookmarks() const {
    return QueryRows(DataFolder(), "select HomePage, Category, Description from LinksData order by HomePage");
  }

  bool StillHanging() { return held_.StillHeld(); }

  // The programs run find their home and their installed files in the test's folder.
  ScopedEnv home_{"HOME", temp_.path().c_str()};
  ScopedEnv dataHome_{"XDG_DATA_HOME", (temp_.path() / "share").c_str()};
  DirectConnections direct_;
  HeldAnswer held_;
  LoopbackServer server_;

 private:
  int scripts_ = 0;
};
