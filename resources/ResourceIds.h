// Identifiers of the band library's resources: the registry script, the type library, the
// bitmaps and the string table.
#pragma once

constexpr unsigned IDR_TESSELBAND = 102;  // registry script
constexpr unsigned IDR_TYPELIB = 1;       // type library

constexpr unsigned IDB_TOOLBAR = 206;    // five 16 by 15 images: Add, Change, Delete, Show, Options
constexpr unsigned IDB_CHECKED = 214;    // 17 by 14, the history-log entry while it is checked
constexpr unsigned IDB_UNCHECKED = 216;  // 14 by 14, the history-log entry while it is not

constexpr unsigned IDS_PROJNAME = 100;     // "Pendrel"
constexpr unsigned IDS_BAND_TITLE = 101;   // "Bookmark"
constexpr unsigned IDS_SEARCH_BOX = 103;   // the search box's placeholder label
constexpr unsigned IDS_CATEGORY_BOX = 104; // the category box's placeholder label
constexpr unsigned IDS_BUTTON_ADD = 32768;
constexpr unsigned IDS_BUTTON_CHANGE = 32769;
constexpr unsigned IDS_BUTTON_DELETE = 32770;
constexpr unsigned IDS_BUTTON_OPTIONS = 32771;
constexpr unsigned IDS_BUTTON_SHOW = 32772;
