// The lines a host prints: boxes and questions, and the toolbar's state read from real windows
// of the window system and a real menu.
#include <gtest/gtest.h>

#include "host/core/HostLines.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"
#include "toolbar/CTesselToolBarCtrl.h"

namespace {

using Lines = std::vector<std::wstring>;

TEST(HostLinesTest, BoxesAndQuestionsKeepToOneLine) {
  MessageBoxRequest ok{nullptr, L"http://a/ is successfully added.\nSecond\tline \\ end", L"PendrelBand",
                       MB_OK | MB_ICONEXCLAMATION, {}};
  EXPECT_EQ(MessageBoxLine(ok, Answer::No), L"box: PendrelBand | http://a/ is successfully added.\\nSecond\\tline \\\\ end");
  MessageBoxRequest information{nullptr, L"Done", L"Import", MB_OK | MB_ICONINFORMATION, {}};
  EXPECT_EQ(MessageBoxLine(information, Answer::Yes), L"box: Import | Done");
  MessageBoxRequest question{nullptr, L"Do you want to delete http://a/?", L"Delete bookmark",
                             MB_YESNO | MB_ICONQUESTION, {}};
  EXPECT_EQ(MessageBoxLine(question, Answer::Yes), L"question: Delete bookmark | Do you want to delete http://a/? -> yes");
  EXPECT_EQ(MessageBoxLine(question, Answer::No), L"question: Delete bookmark | Do you want to delete http://a/? -> no");
  EXPECT_EQ(NavigateLine(L"file:///a b"), L"navigate: file:///a b");
  EXPECT_EQ(StatusLine(L"Opening\tpage"), L"status: Opening\\tpage");
  EXPECT_EQ(ErrorLine(L"line 3: no \"x\""), L"error: line 3: no \"x\"");
  // A page title or script word that would drive the terminal shows its control characters as codes.
  EXPECT_EQ(StatusLine(L"\x1b]0;owned\x07\x1b[2J\r\x7f\x9b" L"1m caf\u00e9 \U0001F600"),
            L"status: \\x1b]0;owned\\x07\\x1b[2J\\r\\x7f\\x9b1m caf\u00e9 \U0001F600");
}

TEST(HostLinesTest, ToolbarStateIsReadFromItsWindowsAndMenu) {
  HWND frame = CreateWindowExW(0, WC_WINDOW, L"", WS_OVERLAPPED, 0, 0, 1024, 100, nullptr, 0, nullptr);
  HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAME, L"", WS_CHILD | WS_VISIBLE, 0, 0, 1024, 25, frame, ID_TOOLBAR,
                                 nullptr);
  ASSERT_TRUE(toolbar);
  TBBUTTON buttons[6];
  const UINT ids[] = {ID_BUTTON_ADD, ID_BUTTON_CHANGE, ID_BUTTON_DELETE, ID_BUTTON_SHOW, ID_BUTTON_OPTIONS};
  for (int i = 0; i < 5; ++i) {
    buttons[i].idCommand = static_cast<int>(ids[i]);
    buttons[i].fsState = (i == 1 || i == 2) ? 0 : TBSTATE_ENABLED;
  }
  buttons[5].fsStyle = BTNS_SEP;
  ASSERT_TRUE(SendMessageW(toolbar, TB_ADDBUTTONSW, 6, reinterpret_cast<LPARAM>(buttons)));
  HWND search = CreateWindowExW(0, WC_COMBOBOXEX, L"", WS_CHILD | CBS_DROPDOWN, 262, 0, 200, 200, toolbar,
                                ID_SEARCH_BOX, nullptr);
  HWND category = CreateWindowExW(0, WC_COMBOBOXEX, L"", WS_CHILD | CBS_DROPDOWN, 462, 0, 200, 200, toolbar,
                                  ID_CATEGORY_BOX, nullptr);
  ASSERT_TRUE(search && category);
  for (const wchar_t* words : {L"red car", L"a|b", L"red car"})
    SendMessageW(search, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(words));
  SetWindowTextW(search, L"Title\twith tab");

  MenuHandle menu(CreatePopupMenu());
  AppendMenuW(menu.get(), MF_STRING, ID_MENU_SEARCH_OR, L"Switch to OR search condition");
  CheckMenuItem(menu.get(), ID_MENU_SEARCH_OR, MF_BYCOMMAND | MF_CHECKED);
  EnableMenuItem(menu.get(), ID_MENU_SEARCH_OR, MF_BYCOMMAND | MF_GRAYED);
  AppendMenuW(menu.get(), MF_STRING, ID_MENU_SEARCH_AND, L"Switch to AND search condition");
  AppendMenuW(menu.get(), MF_SEPARATOR, 0, L"");
  AppendMenuW(menu.get(), MF_STRING | MF_CHECKED, ID_MENU_HISTORY_SWITCH, L"Disable History Log");
  AppendMenuW(menu.get(), MF_STRING | MF_GRAYED, ID_MENU_REPAIR, L"Repair broken and redirected links");

  EXPECT_EQ(DescribeToolbar(toolbar, menu.get()),
            (Lines{L"search: Title\\twith tab", L"search list: red car|a|b|red car", L"category: ",
                   L"category list: ", L"buttons: Add=on Change=off Delete=off Options=on Show=on",
                   L"menu: Switch to OR search condition [checked] [greyed]", L"menu: Switch to AND search condition",
                   L"menu: -", L"menu: Disable History Log [checked]",
                   L"menu: Repair broken and redirected links [greyed]"}));

  // A toolbar without a button shows it off; no menu shows no entries.
  SendMessageW(toolbar, TB_DELETEBUTTON, 0, 0);
  Lines lines = DescribeToolbar(toolbar, nullptr);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[4], L"buttons: Add=off Change=off Delete=off Options=on Show=on");
  DestroyWindow(frame);
}

}  // namespace
