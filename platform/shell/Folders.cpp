#include "platform/shell/Folders.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/shell/PosixFile.h"

namespace {

EntryKind KindOf(int folderFd, const char* name, unsigned char type) {
  if (type == DT_DIR) return EntryKind::Folder;
  if (type == DT_REG) return EntryKind::File;
  if (type != DT_UNKNOWN) return EntryKind::Other;
  struct stat info {};
  if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
  if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
  if (S_ISREG(info.st_mode)) return EntryKind::File;
  return EntryKind::Other;
}

}  // namespace

bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  auto path = SystemPath(folder);
  if (!path) return false;
  UniqueFd folderFd(::open(path->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folderFd) return false;
  UniqueDir dir(::fdopendir(folderFd.get()));
  if (!dir) return false;
  folderFd.release();  // the listing owns it now
  int fd = ::dirfd(dir.get());
  while (const dirent* entry = ::readdir(dir.get())) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    if (entries.size() == kMaxFolderEntries) {
      entries.clear();
      return false;
    }
    std::wstring name = FromUtf8(entry->d_name);
    if (ToUtf8(name) != entry->d_name) continue;
    entries.push_back({std::move(name), KindOf(fd, entry->d_name, entry->d_type)});
  }
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return true;
}

bool IsFolder(const std::wstring& path, LinkHandling links) {
  auto systemPath = SystemPath(path);
  struct stat info {};
  if (!systemPath) return false;
  int found = links == LinkHandling::Follow ? ::stat(systemPath->c_str(), &info) : ::lstat(systemPath->c_str(), &info);
  return found == 0 && S_ISDIR(info.st_mode);
}

std::wstring RealFolderPath(const std::wstring& folder) {
  auto systemPath = SystemPath(folder);
  if (!systemPath) return {};
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(systemPath->c_str(), nullptr), &std::free);
  if (!real) return {};
  std::wstring path = FromUtf8(real.get());
  return ToUtf8(path) == real.get() ? path : std::wstring();
}

bool CreateFolder(const std::wstring& path) {
  auto systemPath = SystemPath(path);
  return systemPath && ::mkdir(systemPath->c_str(), 0700) == 0;
}
