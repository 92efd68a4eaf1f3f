// The lines a host prints, one for each thing that happens and one for each part of the state it
// shows. Texts are escaped with EscapeLine (line feeds, tabs and backslashes as \n, \t and \\) so
// that each line stays one line:
//   box: CAPTION | TEXT                  a message box with an OK button only, whatever its icon
//   question: CAPTION | TEXT -> yes      a box with Yes and No, and the answer given (or -> no)
//   navigate: ADDRESS                    the start of a navigation of the window's page
//   status: TEXT                         a new status-bar text
//   error: WHY                           a command that could not be carried out
// and for the toolbar's state, read from its windows and its menu:
//   search: TEXT / search list: A|B|…    the search box's text and its list
//   category: TEXT / category list: …    the category box's likewise
//   buttons: Add=on Change=off …         each button, enabled or not
//   menu: TEXT [checked] [greyed]        each setup-menu entry; "menu: -" for a separator
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/HResult.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"

enum class Answer { Yes, No };

std::wstring MessageBoxLine(const MessageBoxRequest& box, Answer answer);
std::wstring NavigateLine(std::wstring_view address);
std::wstring StatusLine(std::wstring_view text);
std::wstring ErrorLine(std::wstring_view why);
// A result code as the lines show it: eight lower-case hexadecimal digits, e.g. 8007000e.
std::wstring ResultCodeText(HRESULT hr);

// The texts of a box's drop-down list, in order; `box` is a combo box or an extended one.
std::vector<std::wstring> ComboListTexts(HWND box);

// The lines of the toolbar window `toolbar` (its boxes are its children with ids 103 and 104)
// and of its setup menu, in the order above.
std::vector<std::wstring> DescribeToolbar(HWND toolbar, HMENU setupMenu);
