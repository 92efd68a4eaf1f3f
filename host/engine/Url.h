// Addresses as the engine handles them: what a user types, links resolved against their page,
// file addresses and the encoding of form data.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// The scheme of an absolute address in lower case ("http", "file", "about"), or empty when
// `address` has none.
std::wstring SchemeOf(std::wstring_view address);

// Whether a page at `from` may send the browser to `to`: no script runs from an address
// (javascript: and data: are refused), and a web page never opens local files.
bool PageMayOpen(std::wstring_view from, std::wstring_view to);

// The address to load for what a user typed: an address with a scheme stays as it is; a path
// (absolute, or relative to the working folder) becomes a file:// address; anything else is
// taken as a host name and gets "http://". An empty text opens about:blank.
std::wstring AddressFromUserInput(std::wstring_view input);

// The file:// address of an absolute path; characters that would end the path part (space, "%",
// "#", "?") are percent-encoded.
std::wstring FileUrlFromPath(std::wstring_view absolutePath);
// The path of a file:// address (percent-escapes decoded), or empty for another address.
std::wstring PathFromFileUrl(std::wstring_view address);

// `reference` (an href, a src, an action) resolved against the page address `base`. A reference
// with a scheme of its own stays as it is; an empty one gives `base` without its fragment.
std::wstring ResolveUrl(std::wstring_view base, std::wstring_view reference);

// `address` without its "#fragment".
std::wstring WithoutFragment(std::wstring_view address);

// One name/value pair of a form data set.
struct FormEntry {
  std::wstring name;
  std::wstring value;
};
// `text` with every line break (CR, LF or CRLF) as CRLF, as form data sends them.
std::wstring WithCrLf(std::wstring_view text);
// application/x-www-form-urlencoded, in UTF-8: "a=1&b=x+y", line breaks as CRLF.
std::string EncodeFormUrlencoded(const std::vector<FormEntry>& entries);
