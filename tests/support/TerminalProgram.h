// A program run on the parent side of a pseudo-terminal, as a person at a terminal runs it; killed if
// it is still running at the end.
#pragma once
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

class TerminalProgram {
 public:
  // Runs `args` with `extra` variables and the test's environment, on a terminal of 100 by 30.
  TerminalProgram(const std::vector<std::string>& args, const std::vector<std::string>& extra) {
    std::vector<char*> argv, envp;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    for (const std::string& variable : extra) envp.push_back(const_cast<char*>(variable.c_str()));
    for (char** variable = environ; *variable; ++variable) envp.push_back(*variable);
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    winsize size{30, 100, 0, 0};  // rows, columns
    if ((pid_ = forkpty(&master_, nullptr, nullptr, &size)) == 0) {
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
  }
  ~TerminalProgram() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }
  TerminalProgram(const TerminalProgram&) = delete;
  TerminalProgram& operator=(const TerminalProgram&) = delete;

  bool Started() const { return pid_ > 0 && master_ >= 0; }
  void Resize(unsigned short columns, unsigned short rows) {
    winsize size{rows, columns, 0, 0};
    ioctl(master_, TIOCSWINSZ, &size);
  }
  // Whether the terminal hands the program each key as it is typed (its line mode off), as it must
  // whenever the program shows a prompt: a Ctrl-D typed then reaches it as a key.
  bool TakesKeysOneByOne() const {
    termios mode{};
    return tcgetattr(master_, &mode) == 0 && !(mode.c_lflag & ICANON);
  }
  void Type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  // What the program writes until `wanted` has come after what was read before, or until it closes
  // the terminal.
  std::string ReadUntil(const std::string& wanted) {
    return Read([&](const std::string& got, bool open) { return !open || got.find(wanted) != std::string::npos; });
  }
  std::string ReadToEnd() { return Read([](const std::string&, bool open) { return !open; }); }
  // Waits for the program to end, reading what it still writes; its exit status, 128 and the signal
  // for one that a signal ended, or -1 when it has not ended.
  int Wait() {
    int status = 0;
    Read([&](const std::string&, bool) { return exited_ = exited_ || waitpid(pid_, &status, WNOHANG) == pid_; });
    return exited_ ? (WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) : -1;
  }

 private:
  // Reads what the program writes, the terminal's "\r\n" as "\n", until `done(got, open)` holds (`open`
  // false once the program has closed the terminal); at most 60 s, for a sanitizer build on a busy machine.
  template <typename Done>
  std::string Read(Done done) {
    std::string got;
    bool open = true;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done(got, open) && std::chrono::steady_clock::now() < deadline) {
      pollfd poll{master_, POLLIN, 0};
      char buffer[4096];
      ssize_t count = 0;
      if (!open)
        usleep(50'000);
      else if (::poll(&poll, 1, 100) > 0 && (count = read(master_, buffer, sizeof buffer)) <= 0)
        open = false;
      for (ssize_t i = 0; i < count; ++i)
        if (buffer[i] != '\r') got += buffer[i];
    }
    return got;
  }

  int master_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
};
