// The toolbar window as a person finds it in the browser: its buttons and boxes left to right,
// the tooltips, the setup menu with its settings switches, and a browser it cannot listen to.
#include "toolbar/CTesselToolBarCtrl.h"

#include <gtest/gtest.h>

#include "platform/text/WideText.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/BandHarness.h"
#include "tests/support/TestSupport.h"

namespace {

class ToolbarWindowTest : public IsolatedTest {
 protected:
  static RECT ScreenRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
  }
  static std::wstring MenuText(HMENU menu, UINT id) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, id, text, 128, MF_BYCOMMAND);
    return text;
  }
  static bool Checked(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED; }
  static bool Greyed(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED; }
  static std::wstring Setting(const wchar_t* value) {
    return ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, value);
  }
};

TEST_F(ToolbarWindowTest, ShowsItsButtonsAndBoxesLeftToRight) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(toolbar, GWL_STYLE)), 0x54019B4Du);
  EXPECT_EQ(GetDlgCtrlID(toolbar), 206);
  EXPECT_EQ(GetDlgCtrlID(toolbar.SearchBox()), 103);
  EXPECT_EQ(GetDlgCtrlID(toolbar.CategoryBox()), 104);

  struct Expected {
    int id;
    bool separator;
    const wchar_t* label;
  };
  const Expected expected[] = {{32768, false, L"Add"},    {32769, false, L"Change"}, {32770, false, L"Delete"},
                               {32771, false, L"Options"}, {0, true, L""},           {103, true, L""},
                               {104, true, L""},           {32772, false, L"Show"}};
  ASSERT_EQ(toolbar.SendMessage(TB_BUTTONCOUNT), 8);
  LONG right = 0;
  for (size_t i = 0; i < std::size(expected); ++i) {
    TBBUTTON button;
    toolbar.SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
    EXPECT_EQ(button.idCommand, expected[i].id) << i;
    EXPECT_EQ((button.fsStyle & BTNS_SEP) != 0, expected[i].separator) << i;
    EXPECT_TRUE(button.fsState & TBSTATE_ENABLED) << i;
    RECT rect;
    toolbar.SendMessage(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
    EXPECT_EQ(rect.left, right) << i;
    right = rect.right;
    if (expected[i].separator) continue;
    wchar_t label[32] = {};
    toolbar.SendMessage(TB_GETBUTTONTEXTW, static_cast<WPARAM>(expected[i].id), reinterpret_cast<LPARAM>(label));
    EXPECT_STREQ(label, expected[i].label);
  }

  // Each box sits on the separator that keeps its place.
  const RECT bar = ScreenRect(toolbar);
  const RECT search = ScreenRect(toolbar.SearchBox());
  const RECT category = ScreenRect(toolbar.CategoryBox());
  EXPECT_EQ(search.left - bar.left, 262);
  EXPECT_EQ(search.Width(), 200);
  EXPECT_EQ(category.left - bar.left, 462);
  EXPECT_EQ(category.Width(), 200);
  RECT show;
  toolbar.SendMessage(TB_GETRECT, ID_BUTTON_SHOW, reinterpret_cast<LPARAM>(&show));
  EXPECT_EQ(show.left, 662);
  RECT searchGap;
  toolbar.SendMessage(TB_GETRECT, ID_SEARCH_BOX, reinterpret_cast<LPARAM>(&searchGap));
  EXPECT_EQ(searchGap.left, 262);
  EXPECT_TRUE(GetWindowLongW(toolbar.SearchBox(), GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(GetWindowLongW(toolbar.CategoryBox(), GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(ToolbarWindowTest, TooltipsGiveTheTextAfterTheTabInBothForms) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  auto tip = reinterpret_cast<HWND>(toolbar.SendMessage(TB_GETTOOLTIPS));
  ASSERT_TRUE(IsWindow(tip));
  EXPECT_EQ(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 32767);
  EXPECT_EQ(SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 100);
  EXPECT_EQ(SendMessageW(tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 5000);

  auto wide = [&](UINT id) {
    wchar_t text[kToolTipTextBuffer + 1] = {};
    TOOLINFOW tool;
    tool.hwnd = toolbar;
    tool.uId = id;
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    return std::wstring(text);
  };
  EXPECT_EQ(wide(ID_BUTTON_ADD), L"Add the current address to bookmark database.\nPlease select category first.");
  EXPECT_EQ(wide(ID_BUTTON_CHANGE), L"Change category or description of the current address.");
  EXPECT_EQ(wide(ID_BUTTON_DELETE), L"Delete the current address from bookmark database.");
  EXPECT_EQ(wide(ID_BUTTON_OPTIONS), L"Setup, help and other helpful menus.");
  EXPECT_EQ(wide(ID_BUTTON_SHOW), L"Display bookmarks of selected category.");

  char narrow[kToolTipTextBuffer + 1] = {};
  TOOLINFOA tool;
  tool.hwnd = toolbar;
  tool.uId = ID_BUTTON_OPTIONS;
  tool.lpszText = narrow;
  SendMessageW(tip, TTM_GETTEXTA, sizeof narrow, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(narrow, "Setup, help and other helpful menus.");

  // The search box has a tooltip of its own, for the box and its field, gone with the box.
  HWND searchTip = nullptr;
  for (HWND window : GetThreadTopLevelWindows()) {
    if (GetClassNameString(window) != TOOLTIPS_CLASS || window == tip) continue;
    wchar_t text[kToolTipTextBuffer] = {};
    TOOLINFOW searchTool;
    searchTool.hwnd = toolbar.SearchBox().EditControl();
    searchTool.uId = 1000;
    searchTool.lpszText = text;
    SendMessageW(window, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&searchTool));
    if (std::wstring(text) == L"Search string...") searchTip = window;
  }
  ASSERT_NE(searchTip, nullptr);
  EXPECT_EQ(SendMessageW(searchTip, TTM_GETTOOLCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(searchTip, TTM_GETMAXTIPWIDTH, 0, 0), 32767);
  EXPECT_EQ(toolbar.SearchBox().SendMessage(CB_GETDROPPEDWIDTH), 200);
  harness.Band().reset();
  EXPECT_FALSE(IsWindow(searchTip));
  EXPECT_FALSE(IsWindow(tip));
}

TEST_F(ToolbarWindowTest, TheSetupMenuHasItsEntriesAndOpensUnderThePressedOptionsButton) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  struct Entry {
    UINT id;
    const wchar_t* text;
  };
  const Entry expected[] = {{32792, L"Enable saving form data"},
                            {32393, L"Disable saving form data"},
                            {0, nullptr},
                            {32784, L"Switch to OR search condition"},
                            {32785, L"Switch to AND search condition"},
                            {0, nullptr},
                            {32773, L"List all of bookmarks"},
                            {32775, L"Repair broken and redirected links"},
                            {0, nullptr},
                            {32783, L"Enable History Log"},
                            {32776, L"Display history"},
                            {32777, L"Clear history"},
                            {0, nullptr},
                            {32780, L"Import from IE Bookmarks"},
                            {32781, L"Export to IE Bookmarks"},
                            {0, nullptr},
                            {32786, L"Delete category"},
                            {0, nullptr},
                            {32779, L"Help..."},
                            {32788, L"About Company..."}};
  std::vector<MenuItemView> items = GetMenuItems(toolbar.SetupMenu());
  ASSERT_EQ(items.size(), std::size(expected));
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].IsSeparator(), expected[i].text == nullptr) << i;
    if (!expected[i].text) continue;
    EXPECT_EQ(items[i].id, expected[i].id) << i;
    EXPECT_EQ(items[i].text, expected[i].text) << i;
  }
  // The history entry draws its state with the module's two bitmaps.
  EXPECT_TRUE(IsBitmapObject(items[9].checkedBitmap));
  EXPECT_TRUE(IsBitmapObject(items[9].uncheckedBitmap));
  EXPECT_EQ(GetBitmapImage(items[9].checkedBitmap)->width, 17);

  bool pressedWhileOpen = false;
  PopupMenuRequest seen;
  PopupMenuHandler previous = SetPopupMenuHandler([&](const PopupMenuRequest& request) {
    seen = request;
    pressedWhileOpen = toolbar.SendMessage(TB_ISBUTTONPRESSED, ID_BUTTON_OPTIONS) != 0;
    return UINT{0};
  });
  harness.Click(ID_BUTTON_OPTIONS);
  SetPopupMenuHandler(previous);
  RECT bar;
  GetWindowRect(toolbar, &bar);
  EXPECT_EQ(seen.menu, toolbar.SetupMenu());
  EXPECT_EQ(seen.x, bar.left + 190);
  EXPECT_EQ(seen.y, bar.top + 22);
  EXPECT_TRUE(seen.flags & TPM_RIGHTBUTTON);
  EXPECT_EQ(seen.owner, toolbar.GetSafeHwnd());
  EXPECT_TRUE(pressedWhileOpen);
  EXPECT_FALSE(toolbar.SendMessage(TB_ISBUTTONPRESSED, ID_BUTTON_OPTIONS));
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(ToolbarWindowTest, TheSearchConditionSwitchMovesMarkAndGreyingAndStoresTheCondition) {
  BandHarness harness(temp_);
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  HMENU menu = toolbar.SetupMenu();
  EXPECT_TRUE(Checked(menu, ID_MENU_SEARCH_OR) && Greyed(menu, ID_MENU_SEARCH_OR));
  EXPECT_FALSE(Checked(menu, ID_MENU_SEARCH_AND) || Greyed(menu, ID_MENU_SEARCH_AND));

  RecordedMenus menus;
  menus.Answer(ID_MENU_SEARCH_AND);
  harness.Click(ID_BUTTON_OPTIONS);
  EXPECT_EQ(toolbar.SearchCondition(), L"AND");
  EXPECT_EQ(Setting(kSearchConditionValue), L"AND");
  EXPECT_TRUE(Checked(menu, ID_MENU_SEARCH_AND) && Greyed(menu, ID_MENU_SEARCH_AND));
  EXPECT_FALSE(Checked(menu, ID_MENU_SEARCH_OR) || Greyed(menu, ID_MENU_SEARCH_OR));
  // The greyed entry of the condition in force cannot be chosen.
  menus.Answer(ID_MENU_SEARCH_AND);
  harness.Click(ID_BUTTON_OPTIONS);
  EXPECT_EQ(toolbar.SearchCondition(), L"AND");
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(ToolbarWindowTest, AConditionInLowerCaseIsThatConditionAndABadOneIsReportedUntilSwitched) {
  for (const auto& [stored, condition, on, off] : {std::tuple{L"or", L"OR", ID_MENU_SEARCH_OR, ID_MENU_SEARCH_AND},
                                                   std::tuple{L"And", L"AND", ID_MENU_SEARCH_AND, ID_MENU_SEARCH_OR}}) {
    TempDir other;
    BandHarness harness(other, BandSettings{L"0", stored});
    EXPECT_EQ(boxes_.count(), 0u);
    HMENU menu = harness.Toolbar().SetupMenu();
    EXPECT_TRUE(Checked(menu, on) && Greyed(menu, on));
    EXPECT_FALSE(Checked(menu, off) || Greyed(menu, off));
    EXPECT_EQ(harness.Toolbar().SearchCondition(), condition);
    EXPECT_EQ(Setting(kSearchConditionValue), condition);
  }

  BandHarness harness(temp_, BandSettings{L"0", L"either"});
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"System menu error"});
  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  HMENU menu = toolbar.SetupMenu();
  EXPECT_FALSE(Checked(menu, ID_MENU_SEARCH_OR) || Checked(menu, ID_MENU_SEARCH_AND));
  EXPECT_EQ(Setting(kSearchConditionValue), L"either");
  toolbar.OnMenuCommand(ID_MENU_SEARCH_AND);
  EXPECT_EQ(toolbar.SearchCondition(), L"OR");
  EXPECT_EQ(Setting(kSearchConditionValue), L"OR");
  EXPECT_TRUE(Checked(menu, ID_MENU_SEARCH_OR));
}

TEST_F(ToolbarWindowTest, TheHistorySwitchFollowsTheStoredSettingAndTogglesBack) {
  {
    BandHarness on(temp_, BandSettings{L"1", L"AND"});
    HMENU menu = on.Toolbar().SetupMenu();
    EXPECT_TRUE(Checked(menu, ID_MENU_HISTORY_SWITCH));
    EXPECT_EQ(MenuText(menu, ID_MENU_HISTORY_SWITCH), L"Disable History Log");
    EXPECT_TRUE(on.Toolbar().HistoryLogOn());
    EXPECT_EQ(Setting(kHistoryValue), L"1");
    EXPECT_TRUE(Checked(menu, ID_MENU_SEARCH_AND) && Greyed(menu, ID_MENU_SEARCH_AND));
  }
  for (const wchar_t* stored : {L"0", L"", L"yes", L"true"}) {
    TempDir folder;
    BandHarness off(folder, BandSettings{stored, L"OR"});
    HMENU menu = off.Toolbar().SetupMenu();
    EXPECT_FALSE(Checked(menu, ID_MENU_HISTORY_SWITCH)) << stored;
    EXPECT_EQ(MenuText(menu, ID_MENU_HISTORY_SWITCH), L"Enable History Log") << stored;
    EXPECT_EQ(Setting(kHistoryValue), L"0") << stored;

    // Chosen twice, the entry, the setting and the logging are where they were.
    off.Toolbar().OnMenuCommand(ID_MENU_HISTORY_SWITCH);
    EXPECT_TRUE(off.Toolbar().HistoryLogOn());
    EXPECT_EQ(MenuText(menu, ID_MENU_HISTORY_SWITCH), L"Disable History Log");
    EXPECT_EQ(Setting(kHistoryValue), L"1");
    off.Toolbar().OnMenuCommand(ID_MENU_HISTORY_SWITCH);
    EXPECT_FALSE(off.Toolbar().HistoryLogOn());
    EXPECT_EQ(MenuText(menu, ID_MENU_HISTORY_SWITCH), L"Enable History Log");
    EXPECT_EQ(Setting(kHistoryValue), L"0");
  }
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(ToolbarWindowTest, WithoutABrowserToListenToTheToolbarWarnsAndItsCommandsDoNothing) {
  BandHarness harness(temp_, BandSettings{}, Siting::NotSited);
  auto noBrowser = MakeCounted<BandSite>(harness.Window(), nullptr);
  ASSERT_EQ(harness.Band()->SetSite(static_cast<IInputObjectSite*>(noBrowser.get())), S_OK);
  auto shown = boxes_.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, L"AfxConnectionAdvise failed");
  EXPECT_EQ(shown[0].caption, L"Warning");
  EXPECT_EQ(shown[0].Icon(), MB_ICONWARNING);
  EXPECT_EQ(shown[0].owner, nullptr);
  boxes_.clear();

  CTesselToolBarCtrl& toolbar = harness.Toolbar();
  SetWindowTextW(toolbar.CategoryBox(), L"News");
  SetWindowTextW(toolbar.SearchBox(), L"words");
  for (UINT button : {ID_BUTTON_ADD, ID_BUTTON_CHANGE, ID_BUTTON_DELETE, ID_BUTTON_SHOW}) harness.Click(button);
  toolbar.RunSearch(L"words");
  toolbar.UpdateScreen();
  EXPECT_EQ(boxes_.count(), 0u);
  EXPECT_EQ(QueryCount(harness.DataFolder(), "LinksData"), 0);
  EXPECT_EQ(GetWindowString(toolbar.SearchBox()), L"words");
  // Nothing was connected, so the browser's quit finds nothing to disconnect.
  toolbar.OnIEQuit();
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"ShutDownIEEventSink failed"});
}

}  // namespace
