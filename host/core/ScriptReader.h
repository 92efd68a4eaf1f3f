// The host's script language, read one line at a time: one command a line; blank lines and
// lines starting with '#' are skipped; the first word is the command and the rest of the line
// (after the one space that ends the command) its argument, taken as written except that \n, \t
// and \\ stand for a line feed, a tab and a backslash. A person at the terminal types the same
// lines.
#pragma once
#include <cstddef>
#include <fstream>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

// The longest line and the most lines a script may have; past them the reader stops with an
// error instead of growing without end.
constexpr size_t kMaxScriptLineBytes = 64 * 1024;
constexpr size_t kMaxScriptLines = 1'000'000;

struct ScriptLine {
  size_t number = 0;  // from 1, counting every line read, skipped ones included
  std::wstring command;
  std::wstring argument;  // escapes already replaced
};

enum class ReadStatus { Line, End, Error };

struct ScriptRead {
  ReadStatus status = ReadStatus::End;
  ScriptLine line;    // for Line
  std::wstring error;  // for Error: why the script cannot be read on
};

class ScriptReader {
 public:
  // Reads from `in`, which must outlive the reader. Bytes are UTF-8; a line may end in "\r\n".
  explicit ScriptReader(std::istream& in) : in_(in) {}

  // The next command line, the end of the script, or an error (a line too long, too many lines,
  // a read that failed).
  ScriptRead Next();
  // The number of the line read last (0 before the first).

 private:
  enum class RawLine { Read, End, TooLong, Failed };
  RawLine ReadRawLine(std::string& bytes);

  std::istream& in_;
  size_t number_ = 0;
};

// Replaces \n, \t and \\ with a line feed, a tab and a backslash; every other backslash stays.
std::wstring UnescapeArgument(std::wstring_view text);

// Opens the script file `name` into `file`; why not, as a sentence, when it is a folder or cannot
// be opened.
std::optional<std::wstring> OpenScript(const std::string& name, std::ifstream& file);
