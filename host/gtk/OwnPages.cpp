#include "host/gtk/OwnPages.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "host/engine/Url.h"
#include "platform/registry/RegistryKey.h"
#include "platform/text/WideText.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Vellorin\\Pendrel\\User";
constexpr wchar_t kDataFolderValue[] = L"CurDir";

// The path as the file system resolves it, as far as it exists; empty when it cannot be read.
std::filesystem::path Resolved(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  return error ? std::filesystem::path() : resolved;
}

}  // namespace

std::optional<std::filesystem::path> SettingsDataFolder() {
  RegistryKey settings;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, settings.Out()) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(settings.get(), kDataFolderValue, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ ||
      size < 2)
    return std::nullopt;
  std::wstring text(size / 2, L'\0');
  if (RegQueryValueExW(settings.get(), kDataFolderValue, &type, text.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  text.resize(std::min<size_t>(text.size(), size / 2));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  if (text.empty()) return std::nullopt;
  return std::filesystem::path(ToUtf8(text));
}

bool IsFileWithin(std::wstring_view url, const std::filesystem::path& folder) {
  const std::wstring path = PathFromFileUrl(url);
  if (path.empty() || folder.empty()) return false;
  const std::filesystem::path file = Resolved(std::filesystem::path(ToUtf8(path)));
  const std::filesystem::path root = Resolved(folder);
  if (file.empty() || root.empty() || !file.is_absolute()) return false;
  // Part by part, so that /data2/page is not taken for a page of /data.
  auto parts = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
  return parts.first == root.end() || (std::next(parts.first) == root.end() && parts.first->empty());
}

bool IsOwnPage(std::wstring_view url) {
  if (SchemeOf(url) != L"file") return false;
  const auto folder = SettingsDataFolder();
  return folder && IsFileWithin(url, *folder);
}
