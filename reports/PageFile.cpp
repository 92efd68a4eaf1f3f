#include "reports/PageFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/text/WideText.h"

PageFile::~PageFile() {
  if (IsOpen()) Close();
}

bool PageFile::Open(const std::wstring& path) {
  if (IsOpen()) Close();
  std::string file = ToUtf8(path);
  // Open without truncating first, so that a file held by another writer is left as it is.
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

namespace {
constexpr size_t kBlockBytes = 1 << 18;
}  // namespace

bool PageFile::Write(std::wstring_view text) {
  if (fd_ < 0 || failed_) return false;
  AppendUtf16LE(pending_, text);
  return pending_.size() < kBlockBytes || Flush();
}

bool PageFile::Flush() {
  size_t done = 0;
  while (done < pending_.size() && !failed_) {
    ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0 && errno != EINTR) failed_ = true;
    if (n > 0) done += static_cast<size_t>(n);
  }
  pending_.clear();
  return !failed_;
}

bool PageFile::Close() {
  if (fd_ < 0) return false;
  bool ok = Flush();
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  failed_ = false;
  return ok;
}
