#include "platform/ui/ComboBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "platform/ui/Edit.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {

constexpr DWORD kBoxStyle = WS_CHILD | WS_VISIBLE | WS_HSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;

// A parent that records what its box tells it, and a box object that handles its own
// notifications, as the toolbar's boxes do.
class ComboBoxTest : public ::testing::Test {
 protected:
  ComboBoxTest() {
    parent_.CreateEx(0, WC_WINDOW, L"", WS_POPUP | WS_VISIBLE, RECT{0, 0, 900, 25}, nullptr, 0);
    box_.CreateEx(0, WC_COMBOBOXEX, L"", kBoxStyle, RECT{462, 0, 662, 175}, parent_, 104);
    edit_ = reinterpret_cast<HWND>(box_.SendMessage(CBEM_GETEDITCONTROL));
    combo_ = reinterpret_cast<HWND>(box_.SendMessage(CBEM_GETCOMBOCONTROL));
  }
  ~ComboBoxTest() override {
    box_.hook = nullptr;  // the hooks may hold what the test body has already let go
    parent_.hook = nullptr;
    parent_.DestroyWindow();
    PumpMessages();
  }

  // A key as the host's loop handles it: translated into characters, then dispatched.
  void Key(UINT key) {
    MSG down{GetFocus(), WM_KEYDOWN, key, 0, 0, {}};
    TranslateMessage(&down);
    DispatchMessageW(&down);
    MSG up{GetFocus(), WM_KEYUP, key, 0, 0, {}};
    TranslateMessage(&up);
    DispatchMessageW(&up);
    PumpMessages();
  }
  void Type(std::wstring_view letters) {
    for (wchar_t c : letters) Key(static_cast<UINT>(std::towupper(c)));
  }
  std::pair<DWORD, DWORD> Selection() {
    DWORD start = 0, end = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  void Insert(std::wstring text, std::intptr_t at) {
    COMBOBOXEXITEMW item;
    item.mask = CBEIF_TEXT;
    item.iItem = at;
    item.pszText = text.data();
    box_.SendMessage(CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  std::vector<WORD> CommandCodes(const RecordingWindow& w, UINT message) {
    std::vector<WORD> codes;
    for (const auto& m : w.Only(message)) codes.push_back(HIWORD(m.wParam));
    return codes;
  }

  RecordingWindow parent_;
  RecordingWindow box_;
  HWND edit_ = nullptr;
  HWND combo_ = nullptr;
};

TEST_F(ComboBoxTest, HasAnInnerComboAndEditField) {
  ASSERT_NE(edit_, nullptr);
  ASSERT_NE(combo_, nullptr);
  EXPECT_EQ(GetParent(combo_), box_.GetSafeHwnd());
  EXPECT_EQ(GetParent(edit_), combo_);
  EXPECT_EQ(GetClassNameString(edit_), L"Edit");
  // The box's text is its edit field's.
  SetWindowTextW(box_, L"News");
  EXPECT_EQ(GetWindowString(edit_), L"News");
  SetWindowTextW(edit_, L"Sports");
  EXPECT_EQ(GetWindowString(box_), L"Sports");
}

TEST_F(ComboBoxTest, FocusGoesToTheEditFieldAndBeginsAnEditReflectedToTheBox) {
  SetFocus(box_);
  EXPECT_EQ(GetFocus(), edit_);
  // The parent is told, and passes it back to the box, which handles its own notifications.
  EXPECT_EQ(parent_.Only(WM_NOTIFY).size(), 1u);
  ASSERT_EQ(box_.Only(OCM_NOTIFY).size(), 1u);
  EXPECT_EQ(box_.Only(OCM_NOTIFY)[0].notifyCode, CBEN_BEGINEDIT);
  EXPECT_EQ(CommandCodes(box_, OCM_COMMAND), std::vector<WORD>{CBN_SETFOCUS});
}

TEST_F(ComboBoxTest, KeysEditTheFieldAtTheCaret) {
  SetFocus(edit_);
  Type(L"news");
  EXPECT_EQ(GetWindowString(box_), L"news");
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{4, 4}));

  Key(VK_LEFT);
  Key(VK_LEFT);
  Type(L"x");  // typed at the caret, not at the end
  EXPECT_EQ(GetWindowString(box_), L"nexws");
  Key(VK_BACK);
  EXPECT_EQ(GetWindowString(box_), L"news");
  Key(VK_DELETE);
  EXPECT_EQ(GetWindowString(box_), L"nes");
  Key(VK_HOME);
  Key(VK_BACK);  // nothing before the caret: nothing happens
  EXPECT_EQ(GetWindowString(box_), L"nes");
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{0, 0}));
  Key(VK_DELETE);
  EXPECT_EQ(GetWindowString(box_), L"es");
  Key(VK_END);
  Key(VK_DELETE);  // nothing after the caret
  Key(VK_RIGHT);
  Type(L"t");
  EXPECT_EQ(GetWindowString(box_), L"est");
  // Each change by the user reaches the box as an edit change.
  EXPECT_FALSE(CommandCodes(box_, OCM_COMMAND).empty());
  EXPECT_EQ(CommandCodes(box_, OCM_COMMAND).back(), CBN_EDITCHANGE);
}

TEST_F(ComboBoxTest, TypingReplacesTheSelectionAndBackspaceRemovesIt) {
  SetWindowTextW(box_, L"Category");
  SetFocus(edit_);
  SendMessageW(edit_, EM_SETSEL, 0, -1);  // all of it
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{0, 8}));
  Type(L"t");
  EXPECT_EQ(GetWindowString(box_), L"t");

  SetWindowTextW(box_, L"Category");
  SendMessageW(edit_, EM_SETSEL, 3, 6);
  Key(VK_BACK);
  EXPECT_EQ(GetWindowString(box_), L"Catry");
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{3, 3}));

  SendMessageW(edit_, EM_SETSEL, 1, 3);
  Key(VK_LEFT);  // collapses to the selection's start
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{1, 1}));
  SendMessageW(edit_, EM_SETSEL, 1, 3);
  Key(VK_RIGHT);
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{3, 3}));
}

TEST_F(ComboBoxTest, ControlKeysTypeNothingAndTheLimitHolds) {
  SetFocus(edit_);
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  Key(VK_TAB);
  EXPECT_EQ(GetWindowString(box_), L"");
  SendMessageW(edit_, EM_LIMITTEXT, 3, 0);
  Type(L"abcd");
  EXPECT_EQ(GetWindowString(box_), L"abc");
}

TEST_F(ComboBoxTest, ListItemsInsertedAtAnIndexResetAndCounted) {
  Insert(L"b", 0);
  Insert(L"a", 0);
  Insert(L"c", -1);
  Insert(L"x", 7);  // beyond the end: refused
  EXPECT_EQ(box_.SendMessage(CB_GETCOUNT), 3);
  EXPECT_EQ(box_.SendMessage(CB_GETCURSEL), CB_ERR);

  wchar_t text[8];
  COMBOBOXEXITEMW item;
  item.mask = CBEIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 8;
  for (int i = 0; i < 3; ++i) {
    item.iItem = i;
    ASSERT_TRUE(box_.SendMessage(CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(std::wstring(text), std::wstring(1, static_cast<wchar_t>(L'a' + i)));
  }
  item.iItem = 3;
  EXPECT_FALSE(box_.SendMessage(CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));

  EXPECT_EQ(box_.SendMessage(CB_SETCURSEL, 1), 1);
  EXPECT_EQ(GetWindowString(box_), L"b");
  box_.SendMessage(CB_RESETCONTENT);
  EXPECT_EQ(box_.SendMessage(CB_GETCOUNT), 0);
  EXPECT_EQ(box_.SendMessage(CB_GETCURSEL), CB_ERR);
  EXPECT_EQ(GetWindowString(box_), L"");
}

TEST_F(ComboBoxTest, ItemTextIsCutToTheCallersLimit) {
  Insert(L"a rather long entry", 0);
  wchar_t text[8] = {};
  COMBOBOXEXITEMW item;
  item.mask = CBEIF_TEXT;
  item.iItem = 0;
  item.pszText = text;
  item.cchTextMax = 6;
  text[6] = L'#';
  ASSERT_TRUE(box_.SendMessage(CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_STREQ(text, L"a rat");
  EXPECT_EQ(text[6], L'#');  // nothing written past the limit
}

TEST_F(ComboBoxTest, AListPickSelectsThenTellsSelChangeThenCloseUp) {
  Insert(L"first", -1);
  Insert(L"second", -1);
  std::vector<std::pair<WORD, LRESULT>> heard;  // the notification and the selection it saw
  box_.hook = [&](UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == OCM_COMMAND) heard.emplace_back(HIWORD(wParam), box_.SendMessage(CB_GETCURSEL));
    return false;
  };
  ASSERT_TRUE(PickComboListItem(box_, 1));
  EXPECT_EQ(GetWindowString(box_), L"second");
  EXPECT_FALSE(box_.SendMessage(CB_GETDROPPEDSTATE));
  std::vector<std::pair<WORD, LRESULT>> expected{
      {CBN_SETFOCUS, CB_ERR}, {CBN_DROPDOWN, CB_ERR}, {CBN_SELCHANGE, 1}, {CBN_CLOSEUP, 1}};
  EXPECT_EQ(heard, expected);
  EXPECT_EQ(GetFocus(), edit_);
  EXPECT_FALSE(PickComboListItem(box_, 5));
  // The picked text is selected, so typing replaces it.
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{0, 6}));
  box_.hook = nullptr;
  Type(L"z");
  EXPECT_EQ(GetWindowString(box_), L"z");
}

TEST_F(ComboBoxTest, UpAndDownStepThroughTheListWithoutClosingIt) {
  Insert(L"alpha", -1);
  Insert(L"beta", -1);
  SetFocus(edit_);
  Key(VK_DOWN);
  EXPECT_EQ(GetWindowString(box_), L"alpha");
  Key(VK_DOWN);
  Key(VK_DOWN);  // stays at the last entry
  EXPECT_EQ(box_.SendMessage(CB_GETCURSEL), 1);
  EXPECT_EQ(GetWindowString(box_), L"beta");
  Key(VK_UP);
  EXPECT_EQ(GetWindowString(box_), L"alpha");
  auto codes = CommandCodes(box_, OCM_COMMAND);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_SELCHANGE), 3);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_CLOSEUP), 0);
}

TEST_F(ComboBoxTest, ListOpensAndClosesWithoutAPick) {
  Insert(L"only", -1);
  EXPECT_FALSE(box_.SendMessage(CB_GETDROPPEDSTATE));
  box_.SendMessage(CB_SHOWDROPDOWN, TRUE);
  EXPECT_TRUE(box_.SendMessage(CB_GETDROPPEDSTATE));
  EXPECT_EQ(GetFocus(), nullptr);  // opening by request does not take the focus
  DismissComboList(box_);
  EXPECT_FALSE(box_.SendMessage(CB_GETDROPPEDSTATE));
  EXPECT_EQ(CommandCodes(box_, OCM_COMMAND), (std::vector<WORD>{CBN_DROPDOWN, CBN_CLOSEUP}));
  EXPECT_EQ(box_.SendMessage(CB_GETCURSEL), CB_ERR);
}

TEST_F(ComboBoxTest, TheBoxIsAsHighAsItsFieldAndItsListAsHighAsAsked) {
  RECT window;
  GetWindowRect(box_, &window);
  EXPECT_EQ(window, (RECT{462, 0, 662, 22}));
  RECT list;
  ASSERT_TRUE(box_.SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list)));
  EXPECT_EQ(list, (RECT{462, 0, 662, 175}));

  // Moved without sizing, as the toolbar places its boxes.
  SetWindowPos(box_, nullptr, 262, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOSIZE);
  GetWindowRect(box_, &window);
  EXPECT_EQ(window, (RECT{262, 0, 462, 22}));
  SetWindowPos(box_, nullptr, 0, 0, 300, 100, SWP_NOMOVE | SWP_NOZORDER);
  box_.SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list));
  EXPECT_EQ(list, (RECT{262, 0, 562, 100}));
  GetWindowRect(edit_, &window);
  EXPECT_EQ(window, (RECT{262, 0, 562, 22}));
}

TEST_F(ComboBoxTest, DroppedWidthIsNeverNarrowerThanTheBox) {
  EXPECT_EQ(box_.SendMessage(CB_GETDROPPEDWIDTH), 200);
  EXPECT_EQ(box_.SendMessage(CB_SETDROPPEDWIDTH, 350), 350);
  EXPECT_EQ(box_.SendMessage(CB_GETDROPPEDWIDTH), 350);
  box_.SendMessage(CB_SETDROPPEDWIDTH, 50);
  EXPECT_EQ(box_.SendMessage(CB_GETDROPPEDWIDTH), 200);
}

TEST_F(ComboBoxTest, KeysPostedForADestroyedBoxAreDropped) {
  SetFocus(edit_);
  PostMessageW(edit_, WM_KEYDOWN, 'A', 0);
  PostMessageW(edit_, WM_CHAR, L'b', 0);
  box_.DestroyWindow();
  EXPECT_FALSE(IsWindow(edit_));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(PumpMessages(), 0);
}

}  // namespace

namespace {

// The handler of a box's own notification may destroy the box; the box finishes its message
// without touching what is gone.
TEST_F(ComboBoxTest, ABoxDestroyedByTheHandlerOfItsOwnNotificationEndsCleanly) {
  Insert(L"one", -1);
  box_.hook = [&](UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == OCM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) box_.DestroyWindow();
    return false;
  };
  EXPECT_TRUE(PickComboListItem(box_, 0));
  EXPECT_FALSE(IsWindow(combo_));

  RecordingWindow typed;
  ASSERT_TRUE(typed.CreateEx(0, WC_COMBOBOXEX, L"", kBoxStyle, RECT{0, 0, 200, 175}, parent_, 103));
  typed.hook = [&](UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == OCM_COMMAND && HIWORD(wParam) == CBN_EDITCHANGE) typed.DestroyWindow();
    return false;
  };
  SetFocus(typed);
  PostMessageW(GetFocus(), WM_CHAR, L'a', 0);
  PostMessageW(GetFocus(), WM_CHAR, L'b', 0);
  EXPECT_EQ(PumpMessages(), 1);  // the second character's window is gone
  EXPECT_EQ(typed.GetSafeHwnd(), nullptr);
}

}  // namespace
