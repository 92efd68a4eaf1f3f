// The script reader: what a line means, what is skipped, and where it stops reading.
#include <gtest/gtest.h>

#include <sstream>

#include "host/core/ScriptReader.h"

namespace {

std::vector<ScriptRead> ReadAll(const std::string& script) {
  std::istringstream in(script);
  ScriptReader reader(in);
  std::vector<ScriptRead> reads;
  for (;;) {
    ScriptRead read = reader.Next();
    if (read.status == ReadStatus::End) break;
    reads.push_back(read);
    if (read.status == ReadStatus::Error) break;
  }
  return reads;
}

TEST(ScriptReaderTest, SplitsCommandFromItsArgumentAndSkipsBlankAndCommentLines) {
  std::vector<ScriptRead> reads = ReadAll(
      "# a comment\n"
      "\n"
      "   \t \n"
      "navigate http://127.0.0.1/a b\n"
      "  # an indented comment\n"
      "type search  two  spaces \r\n"
      "show\n"
      "quit");
  ASSERT_EQ(reads.size(), 4u);
  EXPECT_EQ(reads[0].line.number, 4u);
  EXPECT_EQ(reads[0].line.command, L"navigate");
  EXPECT_EQ(reads[0].line.argument, L"http://127.0.0.1/a b");
  // The argument is the rest after the one space that ends the command, as written; a line may
  // end in CR LF.
  EXPECT_EQ(reads[1].line.number, 6u);
  EXPECT_EQ(reads[1].line.command, L"type");
  EXPECT_EQ(reads[1].line.argument, L"search  two  spaces ");
  EXPECT_EQ(reads[2].line.command, L"show");
  EXPECT_EQ(reads[2].line.argument, L"");
  // The last line needs no line feed.
  EXPECT_EQ(reads[3].line.command, L"quit");
  EXPECT_EQ(reads[3].line.number, 8u);
}

TEST(ScriptReaderTest, ArgumentsTakeLineFeedTabAndBackslashEscapesOnly) {
  std::vector<ScriptRead> reads = ReadAll(
      "type search a\\nb\\tc\\\\d\n"
      "fill path C:\\dir\\\\x\\q\\\n"
      "type category caf\xc3\xa9 \xe4\xb8\xad\n");
  ASSERT_EQ(reads.size(), 3u);
  EXPECT_EQ(reads[0].line.argument, L"search a\nb\tc\\d");
  // Any other backslash stays as written, a last one too.
  EXPECT_EQ(reads[1].line.argument, L"path C:\\dir\\x\\q\\");
  EXPECT_EQ(reads[2].line.argument, L"category caf\u00e9 \u4e2d");
  // An escaped backslash does not start another escape.
  EXPECT_EQ(UnescapeArgument(L"\\\\n"), L"\\n");
}

TEST(ScriptReaderTest, StopsAtALineLongerThanItsBound) {
  std::string longLine = "type search " + std::string(kMaxScriptLineBytes, 'x') + "\n";
  std::vector<ScriptRead> reads = ReadAll("show\n" + longLine + "quit\n");
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].status, ReadStatus::Line);
  EXPECT_EQ(reads[1].status, ReadStatus::Error);
  EXPECT_NE(reads[1].error.find(L"line 2 is longer than"), std::wstring::npos);

  // A line of exactly the bound is read whole.
  std::string fits = "fill q " + std::string(kMaxScriptLineBytes - 7, 'y');
  reads = ReadAll(fits + "\n");
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].status, ReadStatus::Line);
  EXPECT_EQ(reads[0].line.argument.size(), kMaxScriptLineBytes - 5);
}

}  // namespace
