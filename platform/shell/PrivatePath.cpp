#include "platform/shell/PrivatePath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string Octal(unsigned mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", mode & 07777);
  return text;
}

std::optional<std::string> WhyNotOwn(const struct stat& info, PrivateKind kind) {
  if (kind == PrivateKind::Folder && !S_ISDIR(info.st_mode)) return "it is not a folder";
  if (kind == PrivateKind::File && !S_ISREG(info.st_mode)) return "it is not a regular file";
  const uid_t you = ::geteuid();
  if (info.st_uid != you)
    return "it belongs to user id " + std::to_string(info.st_uid) + ", not to you (user id " + std::to_string(you) +
           ")";
  if (info.st_mode & (S_IWGRP | S_IWOTH))
    return "its group or other users can write it (mode " + Octal(info.st_mode) + ")";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> WhyNotPrivate(const std::filesystem::path& path, PrivateKind kind) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return std::nullopt;
    return std::string("it cannot be examined (") + std::strerror(errno) + ")";
  }
  if (S_ISLNK(info.st_mode)) {
    if (info.st_uid != ::geteuid())
      return "it is a symbolic link that belongs to user id " + std::to_string(info.st_uid) + ", not to you";
    if (::stat(path.c_str(), &info) != 0) return "it is a symbolic link that leads nowhere";
    if (auto why = WhyNotOwn(info, kind)) {
      std::error_code ec;
      return "it is a symbolic link to " + std::filesystem::canonical(path, ec).string() + ", and there " + *why;
    }
    return std::nullopt;
  }
  return WhyNotOwn(info, kind);
}

std::optional<std::string> WhyNotPrivateFile(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return std::string("it cannot be examined (") + std::strerror(errno) + ")";
  return WhyNotOwn(info, PrivateKind::File);
}
