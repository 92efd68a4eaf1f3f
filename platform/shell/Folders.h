// Folders on the disk: their listing and their creation. Paths are wide texts, UTF-8 on the disk.
#pragma once
#include <string>
#include <vector>

enum class EntryKind {
  Folder,  // a folder
  File,    // a regular file
  Other,   // anything else, links included: a walk never follows one out of its tree
};

struct FolderEntry {
  std::wstring name;
  EntryKind kind;
};

// The most entries one listing gives.
constexpr size_t kMaxFolderEntries = 100000;

// The entries of `folder` ("." and ".." left out) sorted by name, in `entries`. False, with
// `entries` empty, when the folder cannot be read or holds more than kMaxFolderEntries entries.
// A name that is not UTF-8 cannot be named in wide text and is left out. When `folder` itself
// (its last component) is a link, it is not listed either (false).
bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries);

enum class LinkHandling { Follow, DoNotFollow };

// Whether `path` names a folder; with Follow, a link to one counts too.
bool IsFolder(const std::wstring& path, LinkHandling links = LinkHandling::Follow);

// `folder` with every link in it resolved and no "." or ".." left; empty when it does not exist
// or cannot be resolved.
std::wstring RealFolderPath(const std::wstring& folder);

// Makes the one folder `path` (its parent must exist), readable by the user alone. False when it
// cannot be made, also when something of that name exists.
bool CreateFolder(const std::wstring& path);
