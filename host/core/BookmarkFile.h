// The bookmark file that every desktop browser imports and exports: an HTML page that starts with
// <!DOCTYPE NETSCAPE-Bookmark-file-1>, whose folders are <DT><H3>name</H3> each followed by a
// <DL> list of their items, and whose links are <DT><A HREF="…" ADD_DATE="…">text</A>.
//
// Reading is a small tokenizer that knows only this format and takes hostile input in its stride:
// the file is bounded in size, each text and attribute value in length, folders in depth, and
// every byte is looked at a bounded number of times, so any file costs linear time and bounded
// memory. Unclosed tags end where the next item begins, as browsers read them.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Where a link stands in the file's folders: what lets its tags name its category.
enum class BookmarkFilePlace {
  Top,           // outside every folder with a name
  CommonFolder,  // in one folder only, one the exporting program made for all links: the folder
                 // marked PERSONAL_TOOLBAR_FOLDER="true", or the single folder of the top list
  OwnFolder,     // in any other folder, or in more than one
};

struct BookmarkFileLink {
  // The innermost folder with a name that holds the link; empty outside every folder.
  std::wstring folder;
  std::wstring title;    // the link text
  std::wstring address;  // the HREF value
  std::wstring tags;     // the TAGS value: the link's tags, separated by commas; empty when none
  BookmarkFilePlace place = BookmarkFilePlace::Top;  // not written by FormatBookmarkFile
};

struct BookmarkFileContents {
  bool hasHeader = false;  // the bookmark-file document type was found
  std::wstring heading;    // the <H1> text: the name of the file's top folder (empty when none)
  std::vector<BookmarkFileLink> links;
  // Links whose HREF is longer than the reader keeps; they are not in `links`.
  size_t overlongLinks = 0;
  // Links (<A> items of a folder's list) without an HREF at all; they are not in `links`.
  size_t linksWithoutAddress = 0;

  // A file without the header and without a single link is some other page, not bookmarks.
  bool IsBookmarkFile() const { return hasHeader || !links.empty() || overlongLinks != 0; }
};

struct BookmarkFileFolder {
  std::wstring name;  // empty: the links go in the top folder itself, before every folder
  std::vector<BookmarkFileLink> links;  // written in this order (their `folder` is not used)
};

// The largest file read; browsers' own exports of very large collections stay far below.
constexpr size_t kMaxBookmarkFileBytes = size_t{256} << 20;
// Bytes kept of one text or attribute value (titles, folder names, addresses); the rest is read
// past. A longer HREF makes the link overlong, a longer text is cut.
constexpr size_t kMaxBookmarkTextBytes = size_t{64} << 10;
// Folders nested deeper than this count as the folder at this depth.
constexpr size_t kMaxBookmarkFolderDepth = 64;

// Texts are decoded (the byte-order mark, a declared charset or UTF-8), character references
// replaced, tabs and line breaks turned into blanks and the ends trimmed.
BookmarkFileContents ParseBookmarkFile(std::string_view bytes);

// Reads at most kMaxBookmarkFileBytes of the regular file `path` into `bytes`. False with a
// reason in `why` when it cannot be read, is larger, or is no regular file (a FIFO or a device is
// refused without waiting for a writer; a link is followed only to a regular file).
bool ReadBookmarkFileBytes(const std::filesystem::path& path, std::string& bytes, std::string& why);

// The file as Firefox and Chromium write it: the header, a UTF-8 charset declaration, the title
// and heading "Bookmarks", then the top folder's list with `folders` in order. Every text is
// HTML-escaped; `addDate` (seconds since 1970) is every item's ADD_DATE, and a link with tags
// carries them as its TAGS.
std::string FormatBookmarkFile(const std::vector<BookmarkFileFolder>& folders, std::int64_t addDate);

// Writes `bytes` to a new file in the folder of `path` (owner-only permissions), flushes it to the
// disk and renames it over `path`, so that `path` holds either the old file or the whole new one.
// False with a reason in `why` when it cannot.
bool ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes, std::string& why);
