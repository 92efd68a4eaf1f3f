// A FIFO for code that must never wait on one: when a call outlives its limit, the FIFO is opened
// as a writer, which lets a reader blocked on it go on, so the test fails instead of hanging.
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

  // True when `call`, run on a thread of its own, ended within `limit`; what it raised, the test sees.
  bool RunWithin(const std::function<void()>& call, std::chrono::milliseconds limit) const {
    std::packaged_task<void()> task(call);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool inTime = done.wait_for(limit) == std::future_status::ready;
    for (int attempt = 0; !inTime && attempt < 200; ++attempt) {
      if (int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0) ::close(fd);
      if (done.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready) break;
    }
    runner.join();
    done.get();
    return inTime;
  }

 private:
  std::filesystem::path path_;
};
