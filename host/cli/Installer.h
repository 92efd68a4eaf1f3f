// `pendrel install`: sets up a person's data folder and settings.
//
// Creates the data folder (mode 0700) with Bookmark.mdb (mode 0600, the five tables and their
// indexes) and the help pages, writes the settings CurDir, History ("0") and SearchCondition
// ("OR") where they are missing, and registers the band (see BandRegistration). Running it again
// changes nothing but the registration, which is written anew: an existing database is never
// replaced, existing help pages and settings are kept.
#pragma once
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

struct InstallOptions {
  // The data folder; none for the CurDir setting when there is one, else the default folder.
  std::optional<std::filesystem::path> dataFolder;
};

// Writes what it did to `out`, one line each, and problems to `err`. Returns the exit status.
// Refuses, changing nothing, a data folder that is the root, the home folder or above it, and a
// data folder or database that is not the person's alone.
int RunInstall(const InstallOptions& options, std::ostream& out, std::ostream& err);

// $XDG_DATA_HOME/pendrel, or ~/.local/share/pendrel; empty when there is no home folder.
std::filesystem::path DefaultDataFolder();

// What a person does about a file in the database's place that is no database: the sentence
// with the command that moves it aside and `installCommand`, which makes a new one.
std::string MoveAsideAdvice(const std::filesystem::path& database, const std::string& installCommand);

// The longest data folder the settings can hold (the system appends to it).
constexpr size_t kMaxDataFolderLength = 127;
