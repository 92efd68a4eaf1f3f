// An X server of the test program's own (Xvfb) for the desktop host's tests: started before the
// first test, named in DISPLAY for the programs the tests start, and stopped at the end. Without
// Xvfb the test program fails with the reason; it never runs its tests without a display.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

class XvfbDisplay : public ::testing::Environment {
 public:
  void SetUp() override {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    pid_ = ::fork();
    ASSERT_GE(pid_, 0) << "cannot start Xvfb: fork failed";
    if (pid_ == 0) {
      ::close(pipeEnds[0]);
      int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
      std::string fd = std::to_string(pipeEnds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(pipeEnds[1]);
    // Xvfb writes its display number once it accepts clients (at most ten seconds).
    std::string number;
    pollfd wait{pipeEnds[0], POLLIN, 0};
    for (int rounds = 0; rounds < 100 && number.find('\n') == std::string::npos; ++rounds) {
      if (::poll(&wait, 1, 100) <= 0) continue;
      char buffer[16];
      ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeEnds[0]);
    if (number.find('\n') == std::string::npos) {
      Stop();
      FAIL() << "no X server for the desktop tests: Xvfb could not be started (the xvfb package installs it)";
    }
    number.erase(number.find('\n'));
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
    // A private X server has no accessibility bus for GTK to reach.
    ::setenv("NO_AT_BRIDGE", "1", 1);
  }
  void TearDown() override { Stop(); }

 private:
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  pid_t pid_ = -1;
};
