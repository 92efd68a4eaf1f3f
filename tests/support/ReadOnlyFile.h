// A file made read-only while the object lives, for the tests of a store whose file cannot be
// written. Permission bits do not stop the superuser, so for the superuser the file is made
// immutable instead, which stops every writer.
#pragma once
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>

class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(std::filesystem::path file) : file_(std::move(file)) {
    if (::geteuid() == 0) {
      immutable_ = SetImmutable(true);
    } else {
      std::filesystem::permissions(file_, std::filesystem::perms::owner_read,
                                   std::filesystem::perm_options::replace);
    }
  }
  ~ReadOnlyFile() { Lift(); }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  // Whether the file is really read-only for this process.
  bool Holds() const { return ::geteuid() != 0 || immutable_; }
  void Lift() {
    if (immutable_) immutable_ = !SetImmutable(false);
    if (::geteuid() != 0)
      std::filesystem::permissions(file_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::replace);
  }

 private:
  bool SetImmutable(bool on) {
    int fd = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
  }

  std::filesystem::path file_;
  bool immutable_ = false;
};
