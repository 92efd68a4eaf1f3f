// Whether an address that a server handed back (a redirect's target, a refresh tag's address) may
// replace a stored bookmark. The server is outside input: a user part ("http://bank@evil/")
// shows a person one host and sends the browser to another, control and bidirectional-formatting
// characters make the address read differently from what it is, and an address longer than the
// store's column cannot be stored at all.
#pragma once
#include <cstddef>
#include <string_view>

// The most characters the store keeps in a bookmark's address (LinksData.HomePage).
constexpr size_t kMaxStoredAddressLength = 2048;

// True when `address` is not empty, holds at most kMaxStoredAddressLength characters, no C0 or
// C1 control character, no DEL, no bidirectional-formatting character, and no "@" in its
// authority (from the "//" after the scheme to the first "/", "?" or "#").
bool IsPlausibleAddress(std::wstring_view address);
