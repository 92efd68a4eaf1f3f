// The pages Pendrel writes itself: the result page (which is also the history and all-bookmarks
// page) and the help and about pages, all files in the data folder the per-user settings name.
// The desktop window shows them with the scripts of their markup switched off, so that an address
// a bookmark holds (javascript:...) never runs in them.
#pragma once
#include <filesystem>
#include <optional>
#include <string_view>

// The data folder the per-user settings name (HKEY_CURRENT_USER\Software\Vellorin\Pendrel\User,
// CurDir); nothing when they name none.
std::optional<std::filesystem::path> SettingsDataFolder();

// Whether `url` is a file: address of `folder` or of anything below it, however the address
// names it ("." and ".." parts, symbolic links). False for every other address.
bool IsFileWithin(std::wstring_view url, const std::filesystem::path& folder);

// Whether `url` is one of Pendrel's own pages (a file in SettingsDataFolder).
bool IsOwnPage(std::wstring_view url);
