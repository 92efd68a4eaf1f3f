#include "reports/PageFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/text/WideText.h"

PageFile::~PageFile() { Close(); }

bool PageFile::Open(const std::wstring& path) {
  Close();
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

bool PageFile::Write(std::wstring_view text) {
  if (fd_ < 0) return false;
  std::string bytes = ToUtf16LE(text);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

void PageFile::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}
