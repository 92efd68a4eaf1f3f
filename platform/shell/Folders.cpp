#include "platform/shell/Folders.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/shell/PosixFile.h"

namespace {

EntryKind KindOf(int folderFd, const char* name, unsigned char type) {
  if (type == DT_DIR) return EntryKind::Folder;
  if (type == DT_REG) return EntryKind::File;
  if (type != DT_LNK && type != DT_UNKNOWN) return EntryKind::Other;
  struct stat info {};
  if (type == DT_UNKNOWN) {
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
    if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
    if (S_ISREG(info.st_mode)) return EntryKind::File;
    if (!S_ISLNK(info.st_mode)) return EntryKind::Other;
  }
  // A link counts as a file when it leads to one.
  if (::fstatat(folderFd, name, &info, 0) == 0 && S_ISREG(info.st_mode)) return EntryKind::File;
  return EntryKind::Other;
}

}  // namespace

bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  auto path = SystemPath(folder);
  if (!path) return false;
  UniqueDir dir(::opendir(path->c_str()));
  if (!dir) return false;
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

bool IsFolder(const std::wstring& path) {
  auto systemPath = SystemPath(path);
  struct stat info {};
  return systemPath && ::stat(systemPath->c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateFolder(const std::wstring& path) {
  auto systemPath = SystemPath(path);
  return systemPath && ::mkdir(systemPath->c_str(), 0700) == 0;
}
