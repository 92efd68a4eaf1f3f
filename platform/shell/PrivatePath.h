// Whether a file or folder is the user's own. The folders and files that hold a person's settings
// and bookmarks must belong to them and be writable by nobody else: another account that could
// write there could plant what the program trusts (a hive naming a library to load) or read what
// it keeps (the remembered logins of the database).
#pragma once
#include <filesystem>
#include <optional>
#include <string>

enum class PrivateKind { Folder, File };

// Why `path` is not the user's own folder or regular file, as a clause ("it belongs to user id
// 65534, not to you (user id 1000)"); none when it is, and none when nothing is there. The entry
// is looked at without following a symbolic link first: a link counts only when the link is the
// user's and what it leads to passes the same test.
std::optional<std::string> WhyNotPrivate(const std::filesystem::path& path, PrivateKind kind);

// The same test for a file already open (the file that was opened, whatever its name names now).
std::optional<std::string> WhyNotPrivateFile(int fd);
