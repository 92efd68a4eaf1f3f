#include "links/CFavoritesExchange.h"

#include <algorithm>
#include <vector>

#include "platform/inet/AddressScheme.h"
#include "platform/shell/Folders.h"
#include "platform/shell/SpecialFolder.h"
#include "platform/text/WideText.h"
#include "published/BookmarkLimits.h"
#include "store/CCustomException.h"

void CFavoritesExchange::ReportProgress(const std::wstring&) {}

std::wstring CFavoritesExchange::FavoritesFolder() {
  std::wstring folder = SHGetSpecialFolderPath(CSIDL_FAVORITES, FolderCreation::CreateWhenMissing);
  // Without it every path would start at the root of the disk.
  if (folder.empty()) throw CCustomException(L"The Favorites folder could not be found or created.");
  return folder;
}

namespace {

// The first characters of `name` that take at most `maxBytes` bytes of UTF-8.
std::wstring CutToBytes(const std::wstring& name, size_t maxBytes) {
  size_t bytes = 0, kept = 0;
  for (; kept < name.size(); ++kept) {
    bytes += ToUtf8(std::wstring_view(&name[kept], 1)).size();
    if (bytes > maxBytes) break;
  }
  return name.substr(0, kept);
}

}  // namespace

void CFavoritesExchange::CollectFavorites(CBookmarkRecordList& list) {
  const std::wstring favorites = FavoritesFolder();
  // The walk starts where the Favorites folder really is: below it, no link is followed.
  std::wstring real = RealFolderPath(favorites);
  ScanFolder(real.empty() ? favorites : real, FolderName(favorites), 0, list);
}

void CFavoritesExchange::ScanFolder(const std::wstring& folder, const std::wstring& category, int depth,
                                    CBookmarkRecordList& list) {
  std::vector<FolderEntry> entries;
  if (!ListFolder(folder, entries)) return;
  for (const FolderEntry& entry : entries) {
    std::wstring path = folder + L"/" + entry.name;
    if (entry.kind == EntryKind::Folder) {
      if (depth < kMaxFolderDepth) ScanFolder(path, FolderName(path), depth + 1, list);
      continue;
    }
    ReportProgress(entry.name);
    // Only a regular file is opened: a FIFO would block the walk for ever, and a link may lead
    // anywhere.
    if (entry.kind != EntryKind::File) continue;
    // Any name with ".url" in it, in any case, is taken for a shortcut; only the exact ".url"
    // is cut from the description.
    if (ToLower(entry.name).find(L".url") == std::wstring::npos) continue;
    std::wstring address = ReadShortcutUrl(path);
    // A shortcut without an address would make a bookmark that leads nowhere; one that runs
    // script would run it in whatever page is shown when it is clicked.
    if (address.empty() || IsScriptAddress(address)) continue;
    list.emplace_back(category, ReplaceAll(entry.name, L".url", L""), std::move(address));
  }
}

std::wstring CFavoritesExchange::FolderName(const std::wstring& folder) {
  size_t slash = folder.rfind(L'/');
  std::wstring name = slash == std::wstring::npos ? folder : folder.substr(slash + 1);
  return ReplaceAll(name, L"\"", L"");
}

size_t CFavoritesExchange::ExportFavorites(CBookmarkRecordList& list) {
  if (list.empty()) return 0;
  std::wstring favorites = FavoritesFolder();  // no folder, no writing: the list stays for the caller
  // Shortcuts are written where the Favorites folder really is: below it, no link is followed.
  if (std::wstring real = RealFolderPath(favorites); !real.empty()) favorites = std::move(real);
  TakenNames taken;
  size_t skipped = 0;
  for (const CBookmarkRecord& record : list) {
    ReportProgress(record.address);
    if (!WriteFavorite(favorites, record, taken)) ++skipped;
  }
  list.clear();
  return skipped;
}

bool CFavoritesExchange::WriteFavorite(const std::wstring& favorites, const CBookmarkRecord& record,
                                       TakenNames& taken) {
  constexpr std::wstring_view kExtension = L".url";
  std::wstring folder = favorites;
  // A bookmark without a category has always gone into the Favorites folder itself.
  if (!record.category.empty() && record.category != kFavoritesCategory) {
    std::wstring category = CutToBytes(ReplaceInvalidNameChars(record.category), kMaxNameBytes);
    // "." and ".." would name the Favorites folder itself or the folder above it.
    if (category == L"." || category == L"..") return false;
    folder += L"/" + category;
    if (!EnsureFolder(folder)) return false;
  }
  const std::wstring description = ReplaceInvalidNameChars(record.description);
  // The first name free in this export, "NAME.url" or "NAME (N).url", cut to fit the file
  // system's name and the path's length.
  if (folder.size() + 1 + kExtension.size() > kMaxShortcutPath) return false;
  const size_t maxChars = kMaxShortcutPath - folder.size() - 1 - kExtension.size();
  const std::wstring key = folder + L"/" + description;
  size_t& number = taken.nextNumber[key];
  std::wstring path;
  for (number = std::max<size_t>(number, 1);; ++number) {
    const std::wstring suffix = number == 1 ? std::wstring() : L" (" + std::to_wstring(number) + L")";
    const size_t suffixBytes = ToUtf8(suffix).size() + kExtension.size();
    if (suffix.size() > maxChars || suffixBytes > kMaxNameBytes) return false;
    std::wstring name = CutToBytes(description.substr(0, maxChars - suffix.size()), kMaxNameBytes - suffixBytes);
    path = folder + L"/" + name + suffix + std::wstring(kExtension);
    if (taken.paths.insert(path).second) break;
  }
  ++number;
  try {
    WriteShortcut(path, record.address);
  } catch (const CCustomException&) {
    return false;  // that record gets no shortcut; the export goes on
  }
  return true;
}

std::wstring CFavoritesExchange::ReplaceInvalidNameChars(const std::wstring& name) {
  std::wstring out = name;
  for (wchar_t& c : out)
    if (kForbiddenCategoryCharacters.find(c) != std::wstring_view::npos) c = L' ';
  return out;
}

bool CFavoritesExchange::EnsureFolder(const std::wstring& folder) {
  // A link of that name is not a folder to write into; making the folder then fails too. The
  // shortcut's own write refuses a link put there after this look.
  return IsFolder(folder, LinkHandling::DoNotFollow) || CreateFolder(folder);
}

void CFavoritesExchange::HoldShortcut() {
  if (!locator_) {
    void* raw = nullptr;
    if (FAILED(CreateInternetShortcut(IID_IUniformResourceLocator, &raw)))
      throw CCustomException(L"failed to instantiate UniformResourceLocator object");
    locator_.Attach(static_cast<IUniformResourceLocator*>(raw));
  }
  if (!persistFile_) {
    persistFile_ = locator_.QueryInterface<IPersistFile>(IID_IPersistFile);
    if (!persistFile_) throw CCustomException(L"Failed to query IPersistFile interface");
  }
}

void CFavoritesExchange::ReleaseShortcut() {
  persistFile_.reset();
  locator_.reset();
}

std::wstring CFavoritesExchange::ReadShortcutUrl(const std::wstring& path) {
  HoldShortcut();
  if (FAILED(persistFile_->Load(path))) throw CCustomException(L"Failed to execute Load method");
  std::wstring url;
  if (FAILED(locator_->GetURL(&url))) throw CCustomException(L"Failed to execute GetURL method");
  ReleaseShortcut();
  return url;
}

void CFavoritesExchange::WriteShortcut(const std::wstring& path, const std::wstring& url) {
  HoldShortcut();
  if (FAILED(locator_->SetURL(url))) throw CCustomException(L"Failed to run SetURL method");
  // A longer path would have to be cut, and a cut path names another file.
  if (path.size() > kMaxShortcutPath || FAILED(persistFile_->Save(path)))
    throw CCustomException(L"Failed to save shortcut");
  ReleaseShortcut();
}
