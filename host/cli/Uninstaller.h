// `pendrel uninstall [--purge]`: takes Pendrel away from a person's account.
//
// Unregisters the band, removes the settings (HKEY_CURRENT_USER\Software\Vellorin\Pendrel\User,
// and the keys above it that nothing else is left in), and keeps the data folder, which holds the
// person's bookmarks. With --purge it first prints what the data folder holds, then removes it;
// it refuses a folder that is not a Pendrel data folder (one without Bookmark.mdb), the root
// folder or the home folder and the folders above it, since a setting can name any folder, and a
// folder that is not the person's alone. A data folder that is a symbolic link is removed where
// the link leads, then the link; it is reported removed only when neither is left.
#pragma once
#include <iosfwd>

enum class DataFolder { Keep, Purge };

// Writes what it did to `out`, one line each, and problems to `err`. Returns the exit status:
// 0 when everything asked for was done, 1 otherwise (what could be done still is).
int RunUninstall(DataFolder data, std::ostream& out, std::ostream& err);

// The most entries of the data folder --purge lists by name; the rest are counted, up to
// kMaxCountedEntries.
constexpr int kMaxListedEntries = 200;
constexpr int kMaxCountedEntries = 1'000'000;
