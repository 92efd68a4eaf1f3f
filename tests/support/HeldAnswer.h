// A test server's answer held back until the test lets it go: a handler calls Hold() and stays
// there until Release() (or at most 20 s), so a test can act while a request is in flight.
// Release before the server is stopped, or the stop waits for the held handler.
#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

class HeldAnswer {
 public:
  // In the server's handler: says it is held, and waits to be let go.
  void Hold() {
    std::unique_lock lock(mutex_);
    held_ = true;
    changed_.notify_all();
    changed_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
    held_ = false;
  }
  // Lets every held answer go, and every later one through at once.
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  // Waits until an answer is held (at most 10 s); false when none came.
  bool WaitUntilHeld() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return held_; });
  }
  bool StillHeld() {
    std::lock_guard lock(mutex_);
    return held_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool released_ = false;
};
