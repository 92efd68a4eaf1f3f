// The status line of long commands at a terminal.
#include "host/cli/StatusLine.h"

#include <sstream>

#include <gtest/gtest.h>

namespace {

TEST(StatusLineTest, RewritesOneLineAndShowsPerItemTextsAtMostOncePerInterval) {
  std::ostringstream out;
  {
    StatusLine status(out, StatusDisplay::Terminal, std::chrono::hours(1));
    status.Show(L"Starting");
    status.ShowProgress(L"item 1");  // within the interval: not shown
    status.Show(L"Done " + std::wstring(100, L'x'));
  }  // the line ends with the object
  EXPECT_EQ(out.str(), "\r\033[KStarting\r\033[KDone " + std::string(StatusLine::kMaxWidth - 8, 'x') + "...\n");

  std::ostringstream quiet;
  {
    StatusLine status(quiet, StatusDisplay::Off);
    status.Show(L"Starting");
    status.ShowProgress(L"item");
  }
  EXPECT_EQ(quiet.str(), "");
}

}  // namespace
