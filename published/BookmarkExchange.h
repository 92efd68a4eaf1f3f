// The bookmark store as the band offers it to a host that exchanges bookmarks with other
// browsers' files (`pendrel import` and `pendrel export`): the one way a host reaches the store.
//
// How a host reaches it: as it reaches the band. The band's class (CLSID_PendrelBand) is looked up
// in HKEY_CLASSES_ROOT\CLSID\{class id}\InprocServer32, whose default value names the band
// library; the host loads that library and asks its DllGetClassObject for the class factory of
// CLSID_BookmarkExchange, and the factory for IID_IBookmarkExchange. The class is served by the
// band library but not registered on its own. The object keeps the library loaded while it lives;
// the host lets go of it before it lets go of the library.
//
// Nothing of the band's own classes crosses: bookmarks cross as plain values, errors as an
// HRESULT plus, where the band has one, a text a person reads. The object is used on one thread.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"
#include "platform/com/Unknown.h"

// {669695BC-A811-4A9D-8CDF-BA8C795F261D}: the band's class, whose library serves the exchange.
inline constexpr CLSID CLSID_PendrelBand{0x669695BC, 0xA811, 0x4A9D,
                                         {0x8C, 0xDF, 0xBA, 0x8C, 0x79, 0x5F, 0x26, 0x1D}};
// {CE73D69C-9C0A-41F4-8AE6-A81C1AE0FA3D}
inline constexpr CLSID CLSID_BookmarkExchange{0xCE73D69C, 0x9C0A, 0x41F4,
                                              {0x8A, 0xE6, 0xA8, 0x1C, 0x1A, 0xE0, 0xFA, 0x3D}};
// {8A4D2506-7DFF-4171-8F0E-0188888CDF1C}
inline constexpr IID IID_IBookmarkExchange{0x8A4D2506, 0x7DFF, 0x4171,
                                           {0x8F, 0x0E, 0x01, 0x88, 0x88, 0x8C, 0xDF, 0x1C}};

// What Open answers when the settings name no data folder (the program is not installed, or its
// settings cannot be read).
inline constexpr HRESULT BOOKMARKS_E_NO_DATA_FOLDER = HResultFromWin32(ERROR_FILE_NOT_FOUND);
// What AddBookmarks answers when the store refused the whole add and has shown why itself (in a
// message box): nothing was stored.
inline constexpr HRESULT BOOKMARKS_E_NOT_STORED = E_ABORT;

// One bookmark: its category (empty for none), its description and its address.
struct ExchangedBookmark {
  std::wstring category;
  std::wstring description;
  std::wstring address;
};

// What an add did with the bookmarks it was given.
struct ExchangeCounts {
  size_t stored = 0;
  size_t alreadyStored = 0;  // the address, or its alternate form, was stored before
  size_t refused = 0;        // the database refused it (a value longer than its column)
};

// Hears of each address an add handles, as it handles it.
struct IBookmarkProgress {
  virtual void OnAddress(const std::wstring& address) = 0;

 protected:
  ~IBookmarkProgress() = default;
};

struct IBookmarkExchange : IUnknown {
  // Opens the store in the data folder the settings name. `dataFolder` is set to that folder
  // whenever the settings name one, so that a host can say what is wrong with it. S_OK;
  // BOOKMARKS_E_NO_DATA_FOLDER; E_FAIL when the store in that folder cannot be opened. Once a
  // store is open, Open answers E_UNEXPECTED; before it, so do the other calls.
  virtual HRESULT Open(std::wstring& dataFolder) = 0;
  // Stores the bookmarks whose addresses are not stored yet, in one transaction, telling
  // `progress` (may be null) of each address; empties `bookmarks`. Values must fit the columns
  // (published/BookmarkLimits.h): a bookmark the database refuses is counted and skipped.
  // S_OK with `counts`; BOOKMARKS_E_NOT_STORED; another failure with `why` when the add stopped.
  virtual HRESULT AddBookmarks(std::vector<ExchangedBookmark>& bookmarks, IBookmarkProgress* progress,
                               ExchangeCounts& counts, std::wstring& why) = 0;
  // Every bookmark, in address order, into `bookmarks`; a failure with `why`.
  virtual HRESULT LoadAllBookmarks(std::vector<ExchangedBookmark>& bookmarks, std::wstring& why) = 0;

 protected:
  ~IBookmarkExchange() = default;
};
