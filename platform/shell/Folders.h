// Folders on the disk: their listing and their creation. Paths are wide texts, UTF-8 on the disk.
#pragma once
#include <string>
#include <vector>

enum class EntryKind {
  Folder,  // a folder (a link to a folder is Other: a walk never follows one back up the tree)
  File,    // a regular file, or a link to one
  Other,   // anything else
};

struct FolderEntry {
  std::wstring name;
  EntryKind kind;
};

// The most entries one listing gives.
constexpr size_t kMaxFolderEntries = 100000;

// The entries of `folder` ("." and ".." left out) sorted by name, in `entries`. False, with
// `entries` empty, when the folder cannot be read or holds more than kMaxFolderEntries entries.
// A name that is not UTF-8 cannot be named in wide text and is left out.
bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries);

// Whether `path` names a folder or a link to one.
bool IsFolder(const std::wstring& path);

// Makes the one folder `path` (its parent must exist), readable by the user alone. False when it
// cannot be made, also when something of that name exists.
bool CreateFolder(const std::wstring& path);
