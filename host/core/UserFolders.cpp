#include "host/core/UserFolders.h"

#include <algorithm>
#include <system_error>

#include "platform/registry/Registry.h"
#include "platform/registry/RegistryKey.h"
#include "platform/shell/PrivatePath.h"
#include "platform/shell/SpecialFolder.h"
#include "platform/text/WideText.h"

namespace {

constexpr char kWhatToDo[] =
    ". Nothing was changed. If it is yours, make it yours alone (chown, chmod go-w); if not, move it aside.";

// The data folder the settings name; empty when they name none or cannot be read.
std::filesystem::path DataFolderSetting() {
  RegistryKey settings;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Vellorin\\Pendrel\\User", 0, KEY_READ, settings.Out()) !=
      ERROR_SUCCESS)
    return {};
  wchar_t buffer[1024];
  DWORD size = sizeof(buffer) / sizeof(buffer[0]) * 2;
  DWORD type = 0;
  if (RegQueryValueExW(settings.get(), L"CurDir", &type, buffer, &size) != ERROR_SUCCESS || type != REG_SZ) return {};
  return ToUtf8(buffer);
}

}  // namespace

std::optional<std::string> DataFolderProblem(const std::filesystem::path& folder) {
  if (auto why = WhyNotPrivate(folder, PrivateKind::Folder))
    return "the data folder " + folder.string() + " is not yours alone: " + *why + kWhatToDo;
  const std::filesystem::path database = folder / kDatabaseFileName;
  if (auto why = WhyNotPrivate(database, PrivateKind::File))
    return "the database " + database.string() + " is not yours alone: " + *why + kWhatToDo;
  return std::nullopt;
}

std::optional<std::string> UserFoldersProblem() {
  if (auto problem = RegistryProblem()) {
    if (RegistryFolder().empty()) return *problem;
    return *problem + kWhatToDo;
  }
  std::filesystem::path folder = DataFolderSetting();
  if (folder.empty()) return std::nullopt;
  return DataFolderProblem(folder);
}

std::optional<std::string> RefusalAsDataFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::path real = std::filesystem::weakly_canonical(folder, ec);
  if (ec || real.empty()) return "its path cannot be resolved";
  if (real == real.root_path()) return "it is the root folder";
  if (std::filesystem::path home = HomeFolder(); !home.empty()) {
    std::filesystem::path realHome = std::filesystem::weakly_canonical(home, ec);
    if (!ec && std::mismatch(real.begin(), real.end(), realHome.begin(), realHome.end()).first == real.end())
      return "it is the home folder or a folder above it";
  }
  return std::nullopt;
}

std::string ShellWord(const std::string& path) {
  static constexpr char kPlain[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+,=@%";
  if (!path.empty() && path.find_first_not_of(kPlain) == std::string::npos) return path;
  std::string word = "'";
  for (char c : path) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

std::optional<std::string> UnreadableHive(HKEY hive) {
  RegistryKey root;
  if (RegOpenKeyExW(hive, L"", 0, KEY_READ, root.Out()) != ERROR_BADDB) return std::nullopt;
  const std::string file = HiveFile(hive).string();
  std::string advice = "the registry hive " + file +
                       " is not readable (it was left as it is); move it aside with `mv " + ShellWord(file) + " " +
                       ShellWord(file + ".old") + "`, then run ";
  if (hive == HKEY_CURRENT_USER)
    return advice + "`pendrel install`, which writes the settings anew (give --data DIR if your data folder was not "
                    "the default one)";
  return advice + "`pendrel register`, which writes the toolbar's registration anew";
}
