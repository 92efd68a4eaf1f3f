#include "platform/shell/SpecialFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/shell/Folders.h"
#include "platform/text/WideText.h"

std::filesystem::path HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 4096);
  // An entry larger than the suggested size asks for a larger buffer; a bound keeps a broken
  // user database from growing it for ever.
  for (int attempt = 0; attempt < 8; ++attempt) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    int rc = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || !found || !found->pw_dir || !*found->pw_dir) return {};
    return found->pw_dir;
  }
  return {};
}

std::string NoHomeFolderReason() {
  return "HOME is not set and the user database gives no home folder for user id " + std::to_string(::getuid()) +
         "; set HOME to your home folder";
}

std::wstring SHGetSpecialFolderPath(int csidl, FolderCreation creation) {
  if (csidl != CSIDL_FAVORITES) return {};
  // The shell's folders follow HOME alone: without it there is no Favorites folder to exchange
  // with, which is safe, and nothing is written into a home the person did not name.
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  std::wstring path = FromUtf8(home);
  while (path.size() > 1 && path.back() == L'/') path.pop_back();
  path += path == L"/" ? L"Favorites" : L"/Favorites";
  if (path.size() > kMaxSpecialFolderPath) return {};
  if (IsFolder(path)) return path;
  if (creation == FolderCreation::CreateWhenMissing && CreateFolder(path)) return path;
  return {};
}
