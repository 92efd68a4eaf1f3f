// The user's special folders, as the shell names them.
#pragma once
#include <string>

constexpr int CSIDL_FAVORITES = 0x0006;

enum class FolderCreation { CreateWhenMissing, DoNotCreate };

// The longest path the shell gives for a special folder, in characters.
constexpr size_t kMaxSpecialFolderPath = 259;

// The folder `csidl` names: for CSIDL_FAVORITES, "$HOME/Favorites" (made, readable by the user
// alone, when missing and `creation` asks for it). Empty when there is no such folder: no home,
// a path longer than kMaxSpecialFolderPath, a folder that cannot be made, or another csidl.
std::wstring SHGetSpecialFolderPath(int csidl, FolderCreation creation);
