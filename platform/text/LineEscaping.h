// Text shown as one line of a terminal: whatever a page, a file or a box holds, escaped so that
// it stays on its line and cannot drive the terminal it is shown on.
#pragma once
#include <string>
#include <string_view>

// Line feeds, carriage returns, tabs and backslashes as \n, \r, \t and \\; every other control
// character (C0, DEL and C1) as \xHH, so that no text drives the terminal it is shown on.
std::wstring EscapeLine(std::wstring_view text);
// The same escaping of UTF-8 `text`, appended to `out`.
void AppendEscapedLine(std::string& out, std::string_view text);
