// `pendrel browse`: the events and the page text it prints for a run over several addresses.
#include <gtest/gtest.h>

#include <sstream>

#include "host/cli/BrowseCommand.h"
#include "host/engine/Url.h"
#include "platform/text/WideText.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(BrowseCommandTest, PrintsEventsAndEachPageAsText) {
  TempDir temp;
  WriteFile(temp.path() / "page.html",
            "<html><head><title>A\\B</title></head><body><h1>Head</h1><p>one\ttwo</p>"
            "<a href='other.html?a=1'>Other <b>page</b></a><pre>x\ty</pre>"
            "<form><input name=user value='a\\b'><select name=s><option>x<option selected>y</select>"
            "<textarea name=t>l1\nl2</textarea><input type=' PassWord ' name=pass value='S3cret-bank'>"
            "<input type=password name=pin value='p\xC3\xA4ss\xF0\x9F\x98\x80'></form></body></html>");
  std::string path = (temp.path() / "page.html").string();
  std::string url = ToUtf8(FileUrlFromPath(FromUtf8(path)));
  std::string base = url.substr(0, url.rfind('/') + 1);
  std::ostringstream out, err;
  ASSERT_EQ(RunBrowse({path, "about:blank"}, out, err), 0);
  std::vector<std::string> expected = {
      "event: BeforeNavigate2 " + url,
      "event: StatusTextChange Opening page " + url + "...",
      "event: ProgressChange 0 100",
      "event: NavigateComplete2 " + url,
      "event: CommandStateChange 2 false",
      "event: CommandStateChange 1 false",
      "event: TitleChange A\\\\B",
      "event: DownloadComplete",
      "event: ProgressChange 100 100",
      "event: StatusTextChange Done",
      "event: DocumentComplete " + url,
      "title: A\\\\B",
      "text: Head\\none two\\nOther page\\nx\\ty",
      "link 1: Other page -> " + base + "other.html?a=1",
      "field: user = a\\\\b",
      "field: s = y",
      "field: t = l1\\nl2",
      // A password shows one star a character, however its type is written.
      "field: pass = ***********",
      "field: pin = *****",
      "event: BeforeNavigate2 about:blank",
      "event: StatusTextChange Opening page about:blank...",
      "event: ProgressChange 0 100",
      "event: NavigateComplete2 about:blank",
      "event: CommandStateChange 2 true",
      "event: CommandStateChange 1 false",
      "event: TitleChange about:blank",
      "event: DownloadComplete",
      "event: ProgressChange 100 100",
      "event: StatusTextChange Done",
      "event: DocumentComplete about:blank",
      "title: about:blank",
      "text: ",
      "event: OnQuit",
  };
  EXPECT_EQ(SplitLines(out.str()), expected);
  EXPECT_EQ(err.str(), "");
}

TEST(BrowseCommandTest, WithoutAddressItShowsItsUsage) {
  std::ostringstream out, err;
  EXPECT_EQ(RunBrowse({}, out, err), 2);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("usage: pendrel browse"), std::string::npos);
}

}  // namespace
