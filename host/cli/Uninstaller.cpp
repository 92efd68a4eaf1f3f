#include "host/cli/Uninstaller.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "host/cli/BandRegistration.h"
#include "host/core/UserFolders.h"
#include "platform/registry/RegistryKey.h"
#include "platform/text/WideText.h"

namespace {

// The settings key, then the keys above it, each removed only once nothing else is in it.
const wchar_t* const kSettingsKeys[] = {
    L"Software\\Vellorin\\Pendrel\\User",
    L"Software\\Vellorin\\Pendrel",
    L"Software\\Vellorin",
};

std::optional<std::wstring> ReadDataFolderSetting() {
  RegistryKey settings;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeys[0], 0, KEY_READ, settings.Out()) != ERROR_SUCCESS)
    return std::nullopt;
  wchar_t buffer[1024];
  DWORD size = sizeof(buffer) / sizeof(buffer[0]) * 2;
  DWORD type = 0;
  if (RegQueryValueExW(settings.get(), L"CurDir", &type, buffer, &size) != ERROR_SUCCESS || type != REG_SZ)
    return std::nullopt;
  return std::wstring(buffer);
}

bool IsEmptyKey(const wchar_t* path) {
  RegistryKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return false;
  std::wstring name;
  return RegEnumKeyW(key.get(), 0, name) == ERROR_NO_MORE_ITEMS &&
         RegEnumValueW(key.get(), 0, name) == ERROR_NO_MORE_ITEMS;
}

bool RemoveSettings(std::ostream& out, std::ostream& err) {
  LONG rc = RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeys[0]);
  if (rc == ERROR_FILE_NOT_FOUND) {
    out << "settings: none\n";
  } else if (rc != ERROR_SUCCESS) {
    if (std::optional<std::string> unreadable = UnreadableHive(HKEY_CURRENT_USER))
      err << "pendrel uninstall: cannot remove the settings: " << *unreadable << "\n";
    else
      err << "pendrel uninstall: cannot remove the settings from " << HiveFile(HKEY_CURRENT_USER).string() << "\n";
    return false;
  } else {
    out << "settings: removed HKEY_CURRENT_USER\\" << ToUtf8(kSettingsKeys[0]) << "\n";
  }
  for (size_t i = 1; i < std::size(kSettingsKeys); ++i) {
    if (!IsEmptyKey(kSettingsKeys[i])) break;
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKeys[i]);
  }
  return true;
}

// Why `folder` must not be removed as a data folder; none when it may be.
std::optional<std::string> RefusalToPurge(const std::filesystem::path& folder) {
  if (std::optional<std::string> refusal = RefusalAsDataFolder(folder)) return refusal;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(folder / kDatabaseFileName, ec)) return "it holds no Bookmark.mdb";
  if (std::optional<std::string> problem = DataFolderProblem(folder)) return problem;
  return std::nullopt;
}

bool PurgeDataFolder(const std::filesystem::path& named, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!std::filesystem::exists(named, ec)) {
    out << "data folder: none at " << named.string() << "\n";
    return true;
  }
  if (std::optional<std::string> refusal = RefusalToPurge(named)) {
    err << "pendrel uninstall: the data folder " << named.string() << " was not removed: " << *refusal << "\n";
    return false;
  }
  // Removing a symbolic link removes the link alone: the folder it leads to, with the database,
  // is what is removed, and then the link.
  const bool link = std::filesystem::is_symlink(named, ec);
  const std::filesystem::path folder = link ? std::filesystem::canonical(named, ec) : named;
  if (ec) {
    err << "pendrel uninstall: the data folder " << named.string() << " was not removed: its link cannot be followed\n";
    return false;
  }
  out << "data folder " << folder.string() << " holds:\n";
  int seen = 0;
  auto options = std::filesystem::directory_options::skip_permission_denied;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, options, ec);
       !ec && it != std::filesystem::recursive_directory_iterator() && seen < kMaxCountedEntries; it.increment(ec)) {
    if (++seen > kMaxListedEntries) continue;
    bool folderEntry = it->is_directory(ec) && !it->is_symlink(ec);
    out << "  " << it->path().lexically_relative(folder).string() << (folderEntry ? "/" : "") << "\n";
  }
  if (seen > kMaxListedEntries)
    out << "  ... and " << (seen - kMaxListedEntries) << (seen == kMaxCountedEntries ? " or more" : " more") << "\n";
  std::filesystem::remove_all(folder, ec);
  if (!ec && link) std::filesystem::remove(named, ec);
  if (ec || std::filesystem::exists(std::filesystem::symlink_status(folder)) ||
      std::filesystem::exists(std::filesystem::symlink_status(named))) {
    err << "pendrel uninstall: cannot remove " << folder.string() << (ec ? ": " + ec.message() : std::string())
        << "\n";
    return false;
  }
  if (link)
    out << "data folder: removed " << folder.string() << " and the link " << named.string() << " to it\n";
  else
    out << "data folder: removed " << folder.string() << "\n";
  return true;
}

}  // namespace

int RunUninstall(DataFolder data, std::ostream& out, std::ostream& err) {
  // Read before the settings go: they are what names the data folder.
  std::optional<std::wstring> folder = ReadDataFolderSetting();
  bool ok = ChangeBandRegistration(Registration::Unregister, out, err);
  ok = RemoveSettings(out, err) && ok;
  if (!folder || folder->empty()) {
    out << "data folder: none named in the settings\n";
  } else if (data == DataFolder::Keep) {
    out << "data folder: kept " << ToUtf8(*folder) << " (pendrel uninstall --purge removes it)\n";
  } else {
    ok = PurgeDataFolder(ToUtf8(*folder), out, err) && ok;
  }
  return ok ? 0 : 1;
}
