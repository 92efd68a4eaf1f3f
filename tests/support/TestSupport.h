// Shared test fixtures: a private temporary folder with its own registry, and a message-box
// handler that records every box and answers from a queue.
#pragma once
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ui/MessageBox.h"

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
// The whole content of a file, as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// What a shell command line printed on its standard output (and standard error, where the line
// joins it there) and the status it ended with.
struct CommandOutput {
  int status;
  std::string output;
};
CommandOutput RunCommandLine(const std::string& commandLine);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::wstring wpath() const;

 private:
  std::filesystem::path path_;
};

// Records message boxes while it lives; answers from `answers` in order, then IDOK/IDNO.
class RecordedMessageBoxes {
 public:
  RecordedMessageBoxes();
  ~RecordedMessageBoxes();
  void Answer(int answer);
  std::vector<MessageBoxRequest> boxes() const;
  std::vector<std::wstring> texts() const;
  size_t count() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<MessageBoxRequest> boxes_;
  std::deque<int> answers_;
  MessageBoxHandler previous_;
};

// Sets (or, for a null `value`, removes) an environment variable while it lives, and puts back
// what was there before.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

// Calls `refused` while `file`, then `folder`, is writable by others and (as root, who may give a
// file away) while `file` is another account's; each is made the user's own alone again after.
void WhileNotPrivate(const std::filesystem::path& file, const std::filesystem::path& folder,
                     const std::function<void()>& refused);

// A test with its own registry folder (XDG_CONFIG_HOME) and data folder, and recorded boxes.
class IsolatedTest : public ::testing::Test {
 protected:
  IsolatedTest();
  ~IsolatedTest() override;
  TempDir temp_;
  RecordedMessageBoxes boxes_;

 private:
  ScopedEnv config_;
};
