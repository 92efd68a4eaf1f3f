#include "links/CFavoritesExchange.h"

#include <vector>

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

void CFavoritesExchange::CollectFavorites(CBookmarkRecordList& list) { ScanFolder(FavoritesFolder(), 0, list); }

void CFavoritesExchange::ScanFolder(const std::wstring& folder, int depth, CBookmarkRecordList& list) {
  std::vector<FolderEntry> entries;
  if (!ListFolder(folder, entries)) return;
  for (const FolderEntry& entry : entries) {
    std::wstring path = folder + L"/" + entry.name;
    if (entry.kind == EntryKind::Folder) {
      if (depth < kMaxFolderDepth) ScanFolder(path, depth + 1, list);
      continue;
    }
    ReportProgress(entry.name);
    // Any name with ".url" in it, in any case, is taken for a shortcut; only the exact ".url"
    // is cut from the description.
    if (ToLower(entry.name).find(L".url") == std::wstring::npos) continue;
    std::wstring address = ReadShortcutUrl(path);
    // A shortcut without an address would make a bookmark that leads nowhere.
    if (address.empty()) continue;
    list.emplace_back(FolderName(folder), ReplaceAll(entry.name, L".url", L""), std::move(address));
  }
}

std::wstring CFavoritesExchange::FolderName(const std::wstring& folder) {
  size_t slash = folder.rfind(L'/');
  std::wstring name = slash == std::wstring::npos ? folder : folder.substr(slash + 1);
  return ReplaceAll(name, L"\"", L"");
}

void CFavoritesExchange::ExportFavorites(CBookmarkRecordList& list) {
  if (list.empty()) return;
  FavoritesFolder();  // no folder, no writing: the list stays for the caller
  for (const CBookmarkRecord& record : list) {
    ReportProgress(record.address);
    WriteFavorite(record);
  }
  list.clear();
}

void CFavoritesExchange::WriteFavorite(const CBookmarkRecord& record) {
  std::wstring favorites = FavoritesFolder();
  std::wstring category = ReplaceInvalidNameChars(record.category);
  std::wstring description = ReplaceInvalidNameChars(record.description);
  std::wstring path;
  if (record.category != kFavoritesCategory) {
    // "." and ".." would name the Favorites folder itself or the folder above it.
    if (category == L"." || category == L"..") return;
    std::wstring folder = favorites + L"/" + category;
    EnsureFolder(folder);
    path = folder + L"/" + description + L".url";
  } else {
    path = favorites + L"/" + description + L".url";
  }
  try {
    WriteShortcut(path, record.address);
  } catch (const CCustomException&) {
    // That record gets no shortcut; the export goes on.
  }
}

std::wstring CFavoritesExchange::ReplaceInvalidNameChars(const std::wstring& name) {
  std::wstring out = name;
  for (wchar_t& c : out)
    if (kForbiddenCategoryCharacters.find(c) != std::wstring_view::npos) c = L' ';
  return out;
}

void CFavoritesExchange::EnsureFolder(const std::wstring& folder) {
  // A folder that cannot be made shows in the write that follows it.
  if (!IsFolder(folder)) CreateFolder(folder);
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
