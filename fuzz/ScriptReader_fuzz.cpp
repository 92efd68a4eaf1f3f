// The host's script reader: a script file or what a person types, any bytes at all. Whatever it
// holds, reading ends (at its end or with an error), line numbers only grow, and every command
// read is a word.
#include <sstream>

#include "fuzz/FuzzSupport.h"
#include "host/core/ScriptReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in{std::string(AsBytes(data, size))};
  ScriptReader reader(in);
  size_t last = 0;
  for (size_t reads = 0;; ++reads) {
    FUZZ_CHECK(reads <= size + 1, "the reader does not come to an end");
    ScriptRead read = reader.Next();
    if (read.status == ReadStatus::End) break;
    if (read.status == ReadStatus::Error) {
      FUZZ_CHECK(!read.error.empty(), "an error without a reason");
      break;
    }
    FUZZ_CHECK(read.line.number > last, "a line number that does not grow");
    last = read.line.number;
    FUZZ_CHECK(!read.line.command.empty(), "a command line without a command");
    FUZZ_CHECK(read.line.command.find_first_of(L" \t\n") == std::wstring::npos, "a command of more than one word");
    FUZZ_CHECK(read.line.command[0] != L'#', "a comment read as a command");
  }
  return 0;
}
