// A page laid out for a person reading it at a terminal, rather than as the one-item-a-line form
// of PageText: the title, then the text with each block on lines of its own, wrapped to a width,
// links numbered where they stand ("[3]Next page", numbered as the "link N:" lines and
// BrowserWindow::FollowLink count them), form fields with their values ("[user = ann]"; a
// password as stars, see ShownControlValue) and each frame after a line that names it.
//
// Every line is safe to write to a terminal as it is: control characters and the characters that
// change the direction text is shown in are replaced by U+FFFD, so a page cannot move the cursor,
// retitle the terminal or make its text read other than it is.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/engine/WebBrowserObject.h"
struct TextLayout {
  size_t width = 80;    // columns a line takes at most (a character a column); at least 20 is used
  size_t maxLines = 0;  // lines laid out at most; 0 for the whole page
};

struct LaidOutPage {
  std::vector<std::string> lines;  // UTF-8, without line ends
  bool more = false;               // the page goes on past maxLines
};

// The page `top` shows, with its frames.
LaidOutPage LayOutPage(WebBrowserObject& top, const TextLayout& layout);
// One page without frames: `title` as the window shows it, `page` its document (null for a page
// that is not HTML).
LaidOutPage LayOutDocument(std::wstring_view title, const PageDocument* page, const TextLayout& layout);

// `text` with every character a terminal would act on (C0 and C1 controls, DEL, and the
// bidirectional formatting characters) replaced by U+FFFD, line feeds included.
std::wstring TerminalSafe(std::wstring_view text);
// Whether `c` is one of those characters.
bool IsTerminalUnsafe(wchar_t c);

// `text` cut into lines of at most `width` characters, at spaces where it can be and inside a
// word longer than a line; its line feeds end lines. Stops after `maxLines` lines (0: none). Not
// made safe.
std::vector<std::wstring> WrapText(std::wstring_view text, size_t width, size_t maxLines = 0);
