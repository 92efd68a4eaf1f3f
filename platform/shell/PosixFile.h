// Owners of the shell's POSIX handles and the path conversion they share; for the shell's own
// sources only.
#pragma once
#include <dirent.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/text/WideText.h"

// The bytes of a path as the system takes them; none for a path holding a NUL character, which
// the system would cut short and so reach another file.
inline std::optional<std::string> SystemPath(const std::wstring& path) {
  if (path.find(L'\0') != std::wstring::npos) return std::nullopt;
  return ToUtf8(path);
}

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(std::exchange(other.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }
  // Closes what is held; false when the close reports an error (a write that did not land).
  bool reset(int fd = -1) {
    int old = std::exchange(fd_, fd);
    return old < 0 || ::close(old) == 0;
  }
  int get() const { return fd_; }
  // Gives up the descriptor without closing it (another owner took it).
  int release() { return std::exchange(fd_, -1); }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

class UniqueDir {
 public:
  explicit UniqueDir(DIR* dir) : dir_(dir) {}
  UniqueDir(const UniqueDir&) = delete;
  UniqueDir& operator=(const UniqueDir&) = delete;
  ~UniqueDir() {
    if (dir_) ::closedir(dir_);
  }
  DIR* get() const { return dir_; }
  explicit operator bool() const { return dir_ != nullptr; }

 private:
  DIR* dir_;
};
