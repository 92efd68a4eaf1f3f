// A program run on the parent side of a pseudo-terminal, as a person at a terminal runs it.
#pragma once
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

// The program on the parent side of a pseudo-terminal; killed if it is still running at the end.
class TerminalProgram {
 public:
  // Runs `args` with the test's environment and `extra` variables.
  TerminalProgram(const std::vector<std::string>& args, const std::vector<std::string>& extra) {
    std::vector<std::string> environment(extra);
    for (char** variable = environ; *variable; ++variable) environment.emplace_back(*variable);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    winsize size{};
    size.ws_col = 100;
    size.ws_row = 30;
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) {
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
    winsize size{};
    size.ws_col = columns;
    size.ws_row = rows;
    ioctl(master_, TIOCSWINSZ, &size);
  }
  void Type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  // Reads what the program writes until `wanted` has come after what was read before (at most
  // 60 s: a sanitizer build on a busy machine is slow) and returns all that came; the terminal's
  // "\r\n" as "\n".
  std::string ReadUntil(const std::string& wanted) {
    std::string got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (got.find(wanted) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd poll{master_, POLLIN, 0};
      if (::poll(&poll, 1, 100) <= 0) continue;
      char buffer[4096];
      ssize_t count = read(master_, buffer, sizeof buffer);
      if (count <= 0) break;
      for (ssize_t i = 0; i < count; ++i)
        if (buffer[i] != '\r') got += buffer[i];
    }
    return got;
  }
  // Reads what the program writes until it closes the terminal (at most 60 s); "\r\n" as "\n".
  std::string ReadToEnd() {
    std::string got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd poll{master_, POLLIN, 0};
      if (::poll(&poll, 1, 100) <= 0) continue;
      char buffer[4096];
      ssize_t count = read(master_, buffer, sizeof buffer);
      if (count <= 0) break;
      for (ssize_t i = 0; i < count; ++i)
        if (buffer[i] != '\r') got += buffer[i];
    }
    return got;
  }
  // Waits for the program to end (at most 60 s), reading what it still writes; its exit status,
  // 128 and the signal for one that a signal ended, or -1 when it has not ended.
  int Wait() {
    // A busy machine (the suite runs tests side by side) can take its time; 60 s as ReadUntil.
    for (int i = 0; i < 1200; ++i) {
      pollfd poll{master_, POLLIN, 0};
      char buffer[4096];
      if (::poll(&poll, 1, 50) > 0 && read(master_, buffer, sizeof buffer) <= 0) usleep(50'000);
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
    }
    return -1;
  }

 private:
  int master_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
};
