// A FIFO in a test's folder, for code that must never wait on one. RunWithin runs a call on a
// thread of its own; when the call has not ended in time, the FIFO is opened as a writer and
// closed again, which lets a reader blocked on it go on, so a program that waits fails its test
// instead of hanging the suite.
#pragma once
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include <gtest/gtest.h>

class TestFifo {
 public:
  explicit TestFifo(std::filesystem::path path) : path_(std::move(path)) {
    EXPECT_EQ(::mkfifo(path_.c_str(), 0600), 0) << path_;
  }
  const std::filesystem::path& path() const { return path_; }

  // True when `call` ended within `limit`; false when it had to be let go through the FIFO.
  bool RunWithin(const std::function<void()>& call, std::chrono::milliseconds limit) const {
    std::packaged_task<void()> task(call);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool inTime = done.wait_for(limit) == std::future_status::ready;
    for (int attempt = 0; !inTime && attempt < 200; ++attempt) {
      int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
      if (done.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready) break;
    }
    runner.join();
    done.get();  // what the call raised, the test sees
    return inTime;
  }

 private:
  std::filesystem::path path_;
};
