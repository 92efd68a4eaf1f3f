#include "host/cli/Installer.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>

#include "host/cli/BandRegistration.h"
#include "host/cli/EmbeddedFiles.h"
#include "host/core/UserFolders.h"
#include "platform/ado/Connection.h"
#include "platform/registry/RegistryKey.h"
#include "platform/shell/SpecialFolder.h"
#include "platform/text/WideText.h"

namespace {

const wchar_t kSettingsKey[] = L"Software\\Vellorin\\Pendrel\\User";

using Database = ado::SqliteHandle;

std::optional<std::wstring> ReadSetting(HKEY key, const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD size = sizeof(buffer) / sizeof(buffer[0]) * 2;
  DWORD type = 0;
  if (RegQueryValueExW(key, name, &type, buffer, &size) != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return std::wstring(buffer);
}

bool WriteSetting(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2)) ==
         ERROR_SUCCESS;
}

// Creates the database file with the schema, or adds what an existing one lacks.
bool SetUpDatabase(const std::filesystem::path& file, const std::string& installAgain, std::ostream& out,
                   std::ostream& err) {
  bool existed = std::filesystem::exists(file);
  if (!existed) {
    // Created with owner-only permissions before SQLite ever opens it.
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      err << "pendrel install: cannot create " << file.string() << ": " << std::strerror(errno) << "\n";
      return false;
    }
    ::close(fd);
  }
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  Database db(raw);
  std::string schema(EmbeddedFileData("resources/schema.sql"));
  char* message = nullptr;
  if (rc == SQLITE_OK) rc = sqlite3_exec(db.get(), "PRAGMA journal_mode=WAL;", nullptr, nullptr, &message);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db.get(), schema.c_str(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    err << "pendrel install: " << file.string() << " is not a usable bookmark database ("
        << (message ? message : sqlite3_errstr(rc)) << "); it was left as it is. "
        << MoveAsideAdvice(file, installAgain) << "\n";
    sqlite3_free(message);
    if (!existed) std::filesystem::remove(file);
    return false;
  }
  ::chmod(file.c_str(), 0600);
  out << (existed ? "database: kept " : "database: created ") << file.string() << "\n";
  return true;
}

bool InstallHelpPage(const std::filesystem::path& folder, const char* name, std::ostream& out, std::ostream& err) {
  std::filesystem::path target = folder / name;
  if (std::filesystem::exists(target)) {
    out << "help: kept " << target.string() << "\n";
    return true;
  }
  std::string_view data = EmbeddedFileData(std::string("resources/help/") + name);
  std::ofstream file(target, std::ios::binary);
  file.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (!file) {
    err << "pendrel install: cannot write " << target.string() << "\n";
    return false;
  }
  out << "help: created " << target.string() << "\n";
  return true;
}

}  // namespace

std::filesystem::path DefaultDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data) return std::filesystem::path(data) / "pendrel";
  std::filesystem::path home = HomeFolder();
  if (home.empty()) return {};
  return home / ".local" / "share" / "pendrel";
}

std::string MoveAsideAdvice(const std::filesystem::path& database, const std::string& installCommand) {
  const std::string file = database.string();
  return "Move it aside and install again: mv " + ShellWord(file) + " " + ShellWord(file + ".old") + " && " +
         installCommand;
}

int RunInstall(const InstallOptions& options, std::ostream& out, std::ostream& err) {
  // Everything is checked before anything is written: the settings are read, not created, first.
  if (std::optional<std::string> unreadable = UnreadableHive(HKEY_CURRENT_USER)) {
    err << "pendrel install: cannot read the settings: " << *unreadable << "\n";
    return 1;
  }
  std::optional<std::wstring> storedFolder;
  {
    RegistryKey stored;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, stored.Out()) == ERROR_SUCCESS)
      storedFolder = ReadSetting(stored.get(), L"CurDir");
  }
  std::filesystem::path folder;
  if (options.dataFolder)
    folder = std::filesystem::absolute(*options.dataFolder).lexically_normal();
  else if (storedFolder && !storedFolder->empty())
    folder = ToUtf8(*storedFolder);
  else
    folder = DefaultDataFolder();
  if (folder.empty()) {
    err << "pendrel install: there is no data folder: " << NoHomeFolderReason() << ", or give one with --data\n";
    return 1;
  }
  std::string text = folder.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  folder = text;
  std::wstring wideFolder = FromUtf8(text);
  if (wideFolder.size() > kMaxDataFolderLength) {
    err << "pendrel install: the data folder path " << text << " has " << wideFolder.size()
        << " characters; the toolbar accepts at most " << kMaxDataFolderLength
        << ". Choose a shorter folder with --data.\n";
    return 2;
  }

  if (std::optional<std::string> refusal = RefusalAsDataFolder(folder)) {
    err << "pendrel install: " << text << " cannot be the data folder: " << *refusal
        << "; give a folder of its own with --data\n";
    return 1;
  }
  if (std::optional<std::string> problem = DataFolderProblem(folder)) {
    err << "pendrel install: " << *problem << "\n";
    return 1;
  }
  const std::string installAgain =
      options.dataFolder ? "pendrel install --data " + ShellWord(text) : std::string("pendrel install");

  RegistryKey settings;
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, settings.Out(),
                      &disposition) != ERROR_SUCCESS) {
    err << "pendrel install: cannot write the settings in " << HiveFile(HKEY_CURRENT_USER).string()
        << " (the registry folder cannot be written)\n";
    return 1;
  }

  std::error_code ec;
  bool folderExisted = std::filesystem::is_directory(folder);
  std::filesystem::create_directories(folder / "help", ec);
  if (ec) {
    err << "pendrel install: cannot create " << (folder / "help").string() << ": " << ec.message() << "\n";
    return 1;
  }
  if (!folderExisted) ::chmod(folder.c_str(), 0700);
  out << (folderExisted ? "data folder: kept " : "data folder: created ") << text << "\n";

  if (!SetUpDatabase(folder / kDatabaseFileName, installAgain, out, err)) return 1;
  if (!InstallHelpPage(folder / "help", "help.html", out, err)) return 1;
  if (!InstallHelpPage(folder / "help", "about.html", out, err)) return 1;

  struct Default {
    const wchar_t* name;
    std::wstring value;
    bool replace;  // an explicit --data replaces the folder the settings named before
  };
  const Default defaults[] = {
      {L"CurDir", wideFolder, options.dataFolder.has_value()},
      {L"History", L"0", false},
      {L"SearchCondition", L"OR", false},
  };
  for (const auto& setting : defaults) {
    std::optional<std::wstring> current = ReadSetting(settings.get(), setting.name);
    if (current && (!setting.replace || *current == setting.value)) {
      out << "setting: kept " << ToUtf8(setting.name) << " = " << ToUtf8(*current) << "\n";
      continue;
    }
    if (!WriteSetting(settings.get(), setting.name, setting.value)) {
      err << "pendrel install: cannot write the setting " << ToUtf8(setting.name) << "\n";
      return 1;
    }
    out << "setting: wrote " << ToUtf8(setting.name) << " = " << ToUtf8(setting.value) << "\n";
  }
  return ChangeBandRegistration(Registration::Register, out, err) ? 0 : 1;
}
