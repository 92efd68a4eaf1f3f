// The user's special folders, as the shell names them.
#pragma once
#include <filesystem>
#include <string>

constexpr int CSIDL_FAVORITES = 0x0006;

enum class FolderCreation { CreateWhenMissing, DoNotCreate };

// The longest path the shell gives for a special folder, in characters.
constexpr size_t kMaxSpecialFolderPath = 259;

// The user's home folder: $HOME, or when that is unset or empty the home the user database
// gives for the user. Empty when neither names one: no folder shared with other accounts (such
// as /tmp) ever stands in for it.
std::filesystem::path HomeFolder();

// Why HomeFolder() is empty, as a sentence for a person; for the programs' messages.
std::string NoHomeFolderReason();

// The folder `csidl` names: for CSIDL_FAVORITES, "$HOME/Favorites" (made, readable by the user
// alone, when missing and `creation` asks for it). Empty when there is no such folder: no HOME,
// a path longer than kMaxSpecialFolderPath, a folder that cannot be made, or another csidl.
std::wstring SHGetSpecialFolderPath(int csidl, FolderCreation creation);
