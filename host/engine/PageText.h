// A page as lines of text, the form in which hosts show a page without drawing it:
//   title: TITLE              (the title, or the address when the page has none)
//   text: TEXT                (what the page shows)
//   link N: TEXT -> ADDRESS   (N from 1 over the window, as BrowserWindow::FollowLink counts)
//   field: NAME = VALUE       (each input, select, textarea and button in document order; a
//                             password as stars, see ShownControlValue)
//   frame N: ADDRESS          (then the frame's own lines, for each frame in document order)
// Texts are escaped with EscapeLine so that each item stays on one line.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/engine/WebBrowserObject.h"
#include "platform/text/LineEscaping.h"

// The value of a form control as every line a host prints shows it: the value, except that a
// password field (an input of type password) shows one '*' per character, so that no printed
// line ever holds a password. The document keeps the real value, which forms still send.
std::wstring ShownControlValue(const PageDocument& page, PageNode control);

// Receives the lines of a page one by one, in UTF-8.
using PageLineSink = std::function<void(std::string_view line)>;
// Hands the lines of the page `top` shows, with its frames, to `emit` as they are made: a large
// page's text line is never held twice or as wide text.
void WritePage(WebBrowserObject& top, const PageLineSink& emit);
// The same lines, collected.
std::vector<std::wstring> DescribePage(WebBrowserObject& top);
// The lines of one page shown without frames: `title` as the window shows it (the title, or the
// address when the page has none), `page` its document (null for a page that is not HTML).
std::vector<std::wstring> DescribeDocument(std::wstring_view title, const PageDocument* page);
// The links of `page` (a and area elements with an href) in the order its lines number them.
std::vector<PageNode> DocumentLinks(const PageDocument& page);

// The text a link shows, as its "link N:" line gives it: its visible text on one line, or else
// its alt or title text. Not escaped.
std::wstring LinkText(PageNode anchor);
