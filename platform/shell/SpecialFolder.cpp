#include "platform/shell/SpecialFolder.h"

#include <cstdlib>

#include "platform/shell/Folders.h"
#include "platform/text/WideText.h"

std::wstring SHGetSpecialFolderPath(int csidl, FolderCreation creation) {
  if (csidl != CSIDL_FAVORITES) return {};
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
