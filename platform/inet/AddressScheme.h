// The scheme of an address as a browser reads it, and the addresses that must never come in from
// a file: a browser runs them as script or shows inline content in place of a page.
#pragma once
#include <string>
#include <string_view>

// The scheme of `address` in lower case, as a browser parses it: C0 control characters and
// blanks at either end are dropped, tabs and line breaks (TAB, LF, CR) anywhere are removed, and
// the scheme is a letter followed by letters, digits, "+", "-" or ".", up to the first ":".
// Empty for an address without a scheme (a relative one).
std::wstring BrowserScheme(std::wstring_view address);

// The scheme `text` starts with, in lower case: a letter, then letters, digits, "+", "-" or ".",
// up to the first ":". With `rest`, what follows that colon. Empty when `text` starts with none;
// nothing is cleaned first (see BrowserScheme).
std::wstring LeadingScheme(std::wstring_view text, std::wstring_view* rest = nullptr);

// Whether a browser would run `address` as script or show content it carries in itself: its
// scheme (BrowserScheme) is javascript, vbscript or data. Such an address is refused wherever an
// address enters the store from a file.
bool IsScriptAddress(std::wstring_view address);
