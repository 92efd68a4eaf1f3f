// The person's own folders as the programs check them before they use any: the registry folder
// with its hives, and the data folder with its database. Every check stands in the platform
// (RegistryProblem, WhyNotPrivate); this gathers them for the programs' first step and words what
// a person does about a refusal.
#pragma once
#include <filesystem>
#include <optional>
#include <string>

#include "platform/registry/Registry.h"

// The database file in a data folder.
inline constexpr char kDatabaseFileName[] = "Bookmark.mdb";

// Why `folder` (a data folder) or the database in it is not the person's alone, as a sentence
// that ends with what to do; none when both are (or are not there yet).
std::optional<std::string> DataFolderProblem(const std::filesystem::path& folder);

// Why a program must not go on: no home folder, a registry folder or hive that is not the
// person's alone, or the same of the data folder the settings name (CurDir) and its database.
// None when everything there is theirs.
std::optional<std::string> UserFoldersProblem();

// Why `folder` must never be a data folder, which `pendrel install` writes into and `pendrel
// uninstall --purge` removes whole: the root folder, or the home folder or a folder above it
// (symbolic links resolved). None when it may be.
std::optional<std::string> RefusalAsDataFolder(const std::filesystem::path& folder);

// When the file of `hive` cannot be read as a hive: which file it is and how to restore it, as a
// sentence for a person. None when the hive reads (or is missing, which reads as empty).
std::optional<std::string> UnreadableHive(HKEY hive);

// `path` as one word of a shell command: as it is when it holds only plain characters, else in
// single quotes.
std::string ShellWord(const std::string& path);
