// A real child process for the fault tests: a program started with its standard input and output
// on pipes, so a test can wait for a line the child writes when it has reached a point, and then
// kill it there. The child is killed and reaped when the object goes, if it still runs.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

class ChildProcess {
 public:
  // Starts `program` with `args` (argv[1..]); throws std::runtime_error when it cannot start.
  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line the child writes, without its line feed; none when its output ends or nothing
  // whole comes within `timeout`.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // Closes the child's standard input: a child that waits on it ends.
  void CloseInput();
  // Sends SIGKILL.
  void Kill();
  // Waits for the child's end (at most `timeout`, then kills it); its wait status.
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(30));

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string pending_;
  std::optional<int> status_;
};

// The test helper program built beside the tests (tests/support/child).
std::string TestChildProgram();
