// The exchange with the browser's Favorites: a folder tree of Internet-shortcut files (".url")
// in which a folder stands for a category and a file name for a description. Import walks the
// tree into bookmark records; export writes records as shortcuts. Both run on the user-interface
// thread inside their menu command. Reference counted (hold it through CComPtr, see MakeCounted).
//
// The shortcut object is made on first use and let go after each shortcut read or written; a
// read or write that fails keeps it for the next one.
//
// Below the Favorites folder nothing is followed that is a link: the walk passes over links to
// files and folders, and the export writes no shortcut through a link named like a category or
// a shortcut. The Favorites folder itself may be a link (the user's own choice of where it is).
#pragma once
#include <map>
#include <set>
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
  // The longest shortcut path written, in characters; the export shortens a longer name to fit.
  static constexpr size_t kMaxShortcutPath = 259;
  // The longest file or folder name the file system holds, in bytes of UTF-8.
  static constexpr size_t kMaxNameBytes = 255;

  CFavoritesExchange() = default;
  ~CFavoritesExchange() override = default;

  // Told each shortcut file name read and each address written; does nothing here.
  virtual void ReportProgress(const std::wstring& text);

  // Appends one record per shortcut below the Favorites folder: category = the name of the
  // folder holding the file, description = the file name without ".url", address = the
  // shortcut's URL. Only regular files are read (a FIFO, a device or a link is passed over, never
  // opened). A shortcut without an address, or with one a browser runs as script or inline
  // content (IsScriptAddress), is passed over. A regular file that cannot be read as a shortcut
  // raises CCustomException and ends the walk. Raises CCustomException when there is no
  // Favorites folder.
  void CollectFavorites(CBookmarkRecordList& list);
  // Writes one shortcut per record, in list order, then empties the list. Records of one category
  // and description get files of their own: "NAME.url", then "NAME (2).url", "NAME (3).url"... A
  // name too long for the file system or for kMaxShortcutPath is shortened to fit. A record that
  // still cannot be written is skipped. Returns how many were skipped. Raises CCustomException
  // when there is no Favorites folder (the list is kept).
  size_t ExportFavorites(CBookmarkRecordList& list);

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
  // The names taken in one export: every shortcut path written, and per name without its number
  // the next number to try.
  struct TakenNames {
    std::set<std::wstring> paths;
    std::map<std::wstring, size_t> nextNumber;
  };

  void ScanFolder(const std::wstring& folder, const std::wstring& category, int depth, CBookmarkRecordList& list);
  // False when the record got no shortcut.
  bool WriteFavorite(const std::wstring& favorites, const CBookmarkRecord& record, TakenNames& taken);
  static bool EnsureFolder(const std::wstring& folder);
  static std::wstring FavoritesFolder();
  void HoldShortcut();
  void ReleaseShortcut();

  CComPtr<IUniformResourceLocator> locator_;
  CComPtr<IPersistFile> persistFile_;
};
