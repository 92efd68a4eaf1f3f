// The window arrangement a browser toolbar builds: a plain notification window inside the
// browser's window, the toolbar inside it, two boxes on the toolbar and a setup menu, driven as
// a person and the browser's loop drive them.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ui/CommonControls.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageLoop.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {

constexpr DWORD kBoxStyle = WS_CHILD | WS_VISIBLE | WS_HSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;

// Records the notifications that come back to it and the text of a picked entry.
class Box : public CComboBoxEx {
 public:
  std::vector<UINT> notifications;
  std::vector<std::wstring> picks;

  HWND editAtCreation = nullptr;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE) {
      LRESULT result = DefaultProc(message, wParam, lParam);
      editAtCreation = GetEditCtrl();
      return result;
    }
    if (message == OCM_NOTIFY) notifications.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
    if (message == OCM_COMMAND) {
      notifications.push_back(HIWORD(wParam));
      if (HIWORD(wParam) == CBN_CLOSEUP) OnCloseUp();
    }
    return DefaultProc(message, wParam, lParam);
  }

 private:
  void OnCloseUp() {
    LRESULT selected = SendMessage(CB_GETCURSEL);
    if (selected == CB_ERR) return;
    wchar_t text[260];
    COMBOBOXEXITEMW item;
    item.mask = CBEIF_TEXT;
    item.iItem = selected;
    item.pszText = text;
    item.cchTextMax = 260;
    if (SendMessage(CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) picks.push_back(text);
  }
};

class Toolbar : public CToolBarCtrl {
 public:
  std::vector<int> buttonCommands;
  std::vector<int> menuCommands;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == OCM_COMMAND) buttonCommands.push_back(LOWORD(wParam));
    if (message == WM_COMMAND && lParam == 0) menuCommands.push_back(LOWORD(wParam));
    return DefaultProc(message, wParam, lParam);
  }

  // Which box a key belongs to, by the window with the focus.
  HWND BoxWithFocus(std::initializer_list<Box*> boxes) const {
    HWND focus = GetFocus();
    for (Box* box : boxes)
      if (focus == box->GetSafeHwnd() || focus == box->GetEditCtrl()) return *box;
    return nullptr;
  }
};

class ToolbarArrangementTest : public ::testing::Test {
 protected:
  ToolbarArrangementTest() {
    browser_ = CreateWindowExW(0, WC_WINDOW, L"Browser", WS_POPUP | WS_VISIBLE, 0, 0, 1000, 25, nullptr, 0, nullptr);
    RECT client;
    GetClientRect(browser_, &client);
    notification_ = CreateWindowExW(0, WC_WINDOW, L"", WS_CHILD, client.left, client.top, client.Width(),
                                    client.Height(), browser_, 0, nullptr);
    toolbar_.Create(WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_LIST, client, notification_, 206);
    TBBUTTON buttons[3];
    buttons[0].idCommand = 32771;
    buttons[0].fsState = TBSTATE_ENABLED;
    buttons[1].idCommand = 103;
    buttons[1].fsStyle = BTNS_SEP;
    buttons[1].iBitmap = 200;
    buttons[2].idCommand = 104;
    buttons[2].fsStyle = BTNS_SEP;
    buttons[2].iBitmap = 200;
    toolbar_.SendMessage(TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(buttons));
    search_.Create(kBoxStyle, RECT{462, 0, 662, 175}, toolbar_, 103);
    SetWindowPos(search_, nullptr, 262, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOSIZE);
    category_.Create(kBoxStyle, RECT{662, 0, 862, 175}, toolbar_, 104);
    SetWindowPos(category_, nullptr, 462, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOSIZE);
    AppendMenuW(menu_.get(), MF_STRING, 32773, L"List all of bookmarks");
  }
  ~ToolbarArrangementTest() override {
    DestroyWindow(browser_);
    PumpMessages();
  }

  HWND browser_ = nullptr;
  HWND notification_ = nullptr;
  Toolbar toolbar_;
  Box search_;
  Box category_;
  MenuHandle menu_{CreatePopupMenu()};
  RecordedMenus menus_;
};

TEST_F(ToolbarArrangementTest, BoxesSitWhereTheyWereMoved) {
  RECT box;
  GetWindowRect(search_, &box);
  EXPECT_EQ(box, (RECT{262, 0, 462, 22}));
  GetWindowRect(category_, &box);
  EXPECT_EQ(box, (RECT{462, 0, 662, 22}));
  EXPECT_EQ(GetDlgItem(toolbar_, 103), search_.GetSafeHwnd());
  EXPECT_NE(search_.editAtCreation, nullptr);
  EXPECT_EQ(search_.editAtCreation, search_.GetEditCtrl());
}

TEST_F(ToolbarArrangementTest, EachBoxHearsItsOwnNotificationsThroughTheToolbar) {
  SetFocus(category_.GetEditCtrl());
  EXPECT_EQ(toolbar_.BoxWithFocus({&search_, &category_}), category_.GetSafeHwnd());
  EXPECT_EQ(category_.notifications, (std::vector<UINT>{CBEN_BEGINEDIT, CBN_SETFOCUS}));
  EXPECT_TRUE(search_.notifications.empty());
  EXPECT_TRUE(toolbar_.buttonCommands.empty());  // the boxes' notifications are not button clicks

  COMBOBOXEXITEMW item;
  item.mask = CBEIF_TEXT;
  item.iItem = 0;
  std::wstring words = L"cheap flights";
  item.pszText = words.data();
  search_.SendMessage(CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  ASSERT_TRUE(PickComboListItem(search_, 0));
  EXPECT_EQ(search_.picks, std::vector<std::wstring>{L"cheap flights"});
  EXPECT_EQ(toolbar_.BoxWithFocus({&search_, &category_}), search_.GetSafeHwnd());
  SetFocus(browser_);
  EXPECT_EQ(toolbar_.BoxWithFocus({&search_, &category_}), nullptr);
}

TEST_F(ToolbarArrangementTest, TheOptionsButtonOpensTheMenuAndItsChoiceArrivesAsACommand) {
  RECT options;
  toolbar_.SendMessage(TB_GETRECT, 32771, reinterpret_cast<LPARAM>(&options));
  LPARAM at = MAKELPARAM(static_cast<WORD>(options.left + 1), 1);
  SendMessageW(toolbar_, WM_LBUTTONDOWN, 0, at);
  SendMessageW(toolbar_, WM_LBUTTONUP, 0, at);
  ASSERT_EQ(toolbar_.buttonCommands, std::vector<int>{32771});

  // What the toolbar does for Options: press, track under the button, release.
  RECT screen;
  GetWindowRect(toolbar_, &screen);
  toolbar_.SendMessage(TB_PRESSBUTTON, 32771, MAKELONG(TRUE, 0));
  menus_.Answer(32773);
  TrackPopupMenu(menu_.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.left + 190, screen.top + 22, 0, toolbar_,
                 nullptr);
  toolbar_.SendMessage(TB_PRESSBUTTON, 32771, MAKELONG(FALSE, 0));
  EXPECT_TRUE(toolbar_.menuCommands.empty());
  PumpMessages();
  EXPECT_EQ(toolbar_.menuCommands, std::vector<int>{32773});
  EXPECT_EQ(menus_.requests().at(0).x, 190);
}

// The notification window is never shown; a host shows the toolbar by placing it in a window
// of its own, and the toolbar's clicks still reach the notification window and come back.
TEST_F(ToolbarArrangementTest, AHostShowsTheToolbarElsewhereAndClicksStillComeBack) {
  EXPECT_FALSE(IsWindowVisible(toolbar_));
  EXPECT_EQ(SetParent(toolbar_, browser_), notification_);
  EXPECT_TRUE(IsWindowVisible(category_));
  RecordingWindow notification;
  ASSERT_TRUE(notification.Attach(notification_));
  RECT options;
  toolbar_.SendMessage(TB_GETRECT, 32771, reinterpret_cast<LPARAM>(&options));
  LPARAM at = MAKELPARAM(static_cast<WORD>(options.left + 1), 1);
  SendMessageW(toolbar_, WM_LBUTTONDOWN, 0, at);
  SendMessageW(toolbar_, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(notification.Only(WM_COMMAND).size(), 1u);
  EXPECT_EQ(toolbar_.buttonCommands, std::vector<int>{32771});
  notification.Detach();

  // Hidden and shown again, it keeps what it holds.
  SetWindowTextW(category_, L"News");
  ShowWindow(toolbar_, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(category_));
  ShowWindow(toolbar_, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(category_));
  EXPECT_EQ(GetWindowString(category_), L"News");
}

TEST_F(ToolbarArrangementTest, TheHostHearsOfEveryChangeItMustRedraw) {
  std::vector<std::pair<HWND, WindowChange>> changes;
  auto previous = SetWindowChangeHandler([&](HWND hwnd, WindowChange change) { changes.emplace_back(hwnd, change); });
  auto heard = [&](HWND hwnd, WindowChange change) {
    return std::find(changes.begin(), changes.end(), std::pair{hwnd, change}) != changes.end();
  };
  toolbar_.SendMessage(TB_ENABLEBUTTON, 32771, MAKELONG(FALSE, 0));
  EXPECT_TRUE(heard(toolbar_, WindowChange::Content));
  SetFocus(search_);
  EXPECT_TRUE(heard(search_.GetEditCtrl(), WindowChange::Focus));
  PostMessageW(search_.GetEditCtrl(), WM_CHAR, L'q', 0);
  PumpMessages();
  EXPECT_TRUE(heard(search_.GetEditCtrl(), WindowChange::Text));
  changes.clear();
  search_.SendMessage(CB_SHOWDROPDOWN, TRUE);
  EXPECT_TRUE(heard(search_.GetComboBoxCtrl(), WindowChange::Content));
  changes.clear();
  toolbar_.SendMessage(TB_ENABLEBUTTON, 32771, MAKELONG(FALSE, 0));  // no change: nothing told
  EXPECT_TRUE(changes.empty());
  SetWindowChangeHandler(previous);
}

}  // namespace
