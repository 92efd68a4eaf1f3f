// The exchange with the browser's Favorites: a folder tree of Internet-shortcut files (".url")
// in which a folder stands for a category and a file name for a description. Import walks the
// tree into bookmark records; export writes records as shortcuts. Both run on the user-interface
// thread inside their menu command. Reference counted (hold it through CComPtr, see MakeCounted).
//
// The shortcut object is made on first use and let go after each shortcut read or written; a
// read or write that fails keeps it for the next one.
#pragma once
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/CountedObject.h"
#include "platform/shell/InternetShortcut.h"
#include "store/CBookmarkRecord.h"

class CFavoritesExchange : public CountedObject {
 public:
  // The category of the shortcuts directly in the Favorites folder, both ways.
  static constexpr wchar_t kFavoritesCategory[] = L"Favorites";
  // How deep below the Favorites folder the walk goes; deeper folders are passed over, as are
  // folders that cannot be listed.
  static constexpr int kMaxFolderDepth = 32;
  // The longest shortcut path written, in characters; a longer one is not written.
  static constexpr size_t kMaxShortcutPath = 259;

  CFavoritesExchange() = default;
  ~CFavoritesExchange() override = default;

  // Told each shortcut file name read and each address written; does nothing here.
  virtual void ReportProgress(const std::wstring& text);

  // Appends one record per shortcut below the Favorites folder: category = the name of the
  // folder holding the file, description = the file name without ".url", address = the
  // shortcut's URL. A shortcut that cannot be read raises CCustomException and ends the walk.
  // Raises CCustomException when there is no Favorites folder.
  void CollectFavorites(CBookmarkRecordList& list);
  // Writes one shortcut per record, in list order (a later record replaces an earlier one of the
  // same category and description), then empties the list. A record that cannot be written is
  // skipped. Raises CCustomException when there is no Favorites folder (the list is kept).
  void ExportFavorites(CBookmarkRecordList& list);

  // The URL of the shortcut file `path`; empty for a shortcut without one. Raises
  // CCustomException when the file cannot be read as a shortcut.
  std::wstring ReadShortcutUrl(const std::wstring& path);
  // Writes `url` as the shortcut file `path`, replacing a file of that name. Raises
  // CCustomException when it cannot.
  void WriteShortcut(const std::wstring& path, const std::wstring& url);

  // The category a folder stands for: the last component of `folder`, without double quotes.
  static std::wstring FolderName(const std::wstring& folder);
  // `name` with each of / \ : ? < > | replaced by a blank.
  static std::wstring ReplaceInvalidNameChars(const std::wstring& name);

 private:
  void ScanFolder(const std::wstring& folder, int depth, CBookmarkRecordList& list);
  void WriteFavorite(const CBookmarkRecord& record);
  static void EnsureFolder(const std::wstring& folder);
  static std::wstring FavoritesFolder();
  void HoldShortcut();
  void ReleaseShortcut();

  CComPtr<IUniformResourceLocator> locator_;
  CComPtr<IPersistFile> persistFile_;
};
