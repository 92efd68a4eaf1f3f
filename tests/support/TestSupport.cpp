#include "tests/support/TestSupport.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <memory>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <random>

#include "platform/text/WideText.h"

TempDir::TempDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("pendrel-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::wstring TempDir::wpath() const { return FromUtf8(path_.string()); }

RecordedMessageBoxes::RecordedMessageBoxes() {
  previous_ = SetMessageBoxHandler([this](const MessageBoxRequest& request) {
    std::lock_guard lock(mutex_);
    boxes_.push_back(request);
    if (!answers_.empty()) {
      int answer = answers_.front();
      answers_.pop_front();
      return answer;
    }
    return request.Buttons() == MB_YESNO ? IDNO : IDOK;
  });
}

RecordedMessageBoxes::~RecordedMessageBoxes() { SetMessageBoxHandler(previous_); }

void RecordedMessageBoxes::Answer(int answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back(answer);
}

std::vector<MessageBoxRequest> RecordedMessageBoxes::boxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

std::vector<std::wstring> RecordedMessageBoxes::texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::wstring> out;
  for (const auto& b : boxes_) out.push_back(b.text);
  return out;
}

size_t RecordedMessageBoxes::count() const {
  std::lock_guard lock(mutex_);
  return boxes_.size();
}

void RecordedMessageBoxes::clear() {
  std::lock_guard lock(mutex_);
  boxes_.clear();
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_ = true;
    old_ = old;
  }
  if (value)
    ::setenv(name, value, 1);
  else
    ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (had_)
    ::setenv(name_.c_str(), old_.c_str(), 1);
  else
    ::unsetenv(name_.c_str());
}

IsolatedTest::IsolatedTest() : config_("XDG_CONFIG_HOME", (temp_.path() / "config").c_str()) {}

IsolatedTest::~IsolatedTest() = default;

CommandOutput RunCommandLine(const std::string& commandLine) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(commandLine.c_str(), "r"), ::pclose);
  if (!pipe) return {-1, {}};
  std::string output;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) output.append(buffer.data(), n);
  int status = ::pclose(pipe.release());
  return {WEXITSTATUS(status), std::move(output)};
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WhileNotPrivate(const std::filesystem::path& file, const std::filesystem::path& folder,
                     const std::function<void()>& refused) {
  auto refusedAs = [&](const char* how) {
    SCOPED_TRACE(how);
    refused();
  };
  ::chmod(file.c_str(), 0666);
  refusedAs("a file others can write");
  ::chmod(file.c_str(), 0600);
  ::chmod(folder.c_str(), 0777);
  refusedAs("a folder others can write");
  ::chmod(folder.c_str(), 0700);
  if (::geteuid() != 0) return;
  ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
  refusedAs("a file of another account");
  ASSERT_EQ(::chown(file.c_str(), 0, 0), 0);
}
