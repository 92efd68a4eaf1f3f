// What the bookmark store holds, for the store itself and for anyone who hands it bookmarks: the
// sizes of its text columns, in characters (the database refuses a longer value: its schema
// carries the same numbers as CHECK constraints), and the characters a category name cannot hold.
#pragma once
#include <cstddef>
#include <string_view>

// LinksData.HomePage, and every other column that holds an address.
inline constexpr size_t kAddressColumnSize = 2048;
// LinksData.Description.
inline constexpr size_t kDescriptionColumnSize = 1024;
// LinksData.Category and LinksCategory.Category.
inline constexpr size_t kCategoryColumnSize = 255;

// The characters a category name cannot hold: it names a folder when bookmarks are exchanged with
// other browsers.
inline constexpr std::wstring_view kForbiddenCategoryCharacters = L"/\\:?<>|";
