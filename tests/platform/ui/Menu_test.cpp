#include "platform/ui/Menu.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/ui/MessageLoop.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {

constexpr UINT kOr = 32784;
constexpr UINT kAnd = 32785;
constexpr UINT kRepair = 32775;
constexpr UINT kHistory = 32783;

// A menu shaped like the toolbar's setup menu, in part.
class MenuTest : public ::testing::Test {
 protected:
  MenuTest() {
    AppendMenuW(menu_.get(), MF_STRING, kOr, L"Switch to OR search condition");
    AppendMenuW(menu_.get(), MF_STRING, kAnd, L"Switch to AND search condition");
    AppendMenuW(menu_.get(), MF_SEPARATOR, 0, L"");
    AppendMenuW(menu_.get(), MF_STRING, kRepair, L"Repair broken and redirected links");
    AppendMenuW(menu_.get(), MF_STRING | MF_CHECKED, kHistory, L"Enable History Log");
    owner_.CreateEx(0, WC_WINDOW, L"", WS_POPUP, RECT{}, nullptr, 0);
  }
  ~MenuTest() override {
    owner_.DestroyWindow();
    PumpMessages();
  }

  std::wstring Text(UINT id) {
    wchar_t buffer[64];
    GetMenuStringW(menu_.get(), id, buffer, 64, MF_BYCOMMAND);
    return buffer;
  }

  MenuHandle menu_{CreatePopupMenu()};
  RecordingWindow owner_;
  RecordedMenus menus_;
};

TEST_F(MenuTest, EntriesKeepOrderIdsAndSeparators) {
  EXPECT_EQ(GetMenuItemCount(menu_.get()), 5);
  EXPECT_EQ(GetMenuItemID(menu_.get(), 0), kOr);
  EXPECT_EQ(GetMenuItemID(menu_.get(), 2), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu_.get(), 2, MF_BYPOSITION), MF_SEPARATOR);
  EXPECT_EQ(GetMenuState(menu_.get(), kHistory, MF_BYCOMMAND), MF_CHECKED);
  EXPECT_EQ(GetMenuState(menu_.get(), 999, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(MenuTest, CheckAndGreyStatesChangeByCommand) {
  // The OR condition: its entry checked and greyed, the other one plain.
  EXPECT_EQ(CheckMenuItem(menu_.get(), kOr, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(EnableMenuItem(menu_.get(), kOr, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(CheckMenuItem(menu_.get(), kAnd, MF_BYCOMMAND | MF_UNCHECKED), MF_UNCHECKED);
  EXPECT_EQ(EnableMenuItem(menu_.get(), kAnd, MF_BYCOMMAND | MF_ENABLED), MF_ENABLED);
  EXPECT_EQ(GetMenuState(menu_.get(), kOr, MF_BYCOMMAND), MF_CHECKED | MF_GRAYED);
  EXPECT_EQ(GetMenuState(menu_.get(), kAnd, MF_BYCOMMAND), 0u);

  // Switched to AND.
  EXPECT_EQ(CheckMenuItem(menu_.get(), kOr, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
  EXPECT_EQ(EnableMenuItem(menu_.get(), kOr, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
  CheckMenuItem(menu_.get(), kAnd, MF_BYCOMMAND | MF_CHECKED);
  EnableMenuItem(menu_.get(), kAnd, MF_BYCOMMAND | MF_GRAYED);
  EXPECT_EQ(GetMenuState(menu_.get(), kOr, MF_BYCOMMAND), 0u);
  EXPECT_EQ(GetMenuState(menu_.get(), kAnd, MF_BYCOMMAND), MF_CHECKED | MF_GRAYED);

  EXPECT_EQ(CheckMenuItem(menu_.get(), 999, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));
  EXPECT_EQ(EnableMenuItem(menu_.get(), 999, MF_BYCOMMAND | MF_GRAYED), -1);
}

TEST_F(MenuTest, TextChangesByCommandAndReadsCut) {
  EXPECT_EQ(Text(kHistory), L"Enable History Log");
  ASSERT_TRUE(
      ModifyMenuW(menu_.get(), kHistory, MF_BYCOMMAND | MF_STRING | MF_CHECKED, kHistory, L"Disable History Log"));
  EXPECT_EQ(Text(kHistory), L"Disable History Log");
  EXPECT_EQ(GetMenuState(menu_.get(), kHistory, MF_BYCOMMAND), MF_CHECKED);
  ModifyMenuW(menu_.get(), kHistory, MF_BYCOMMAND | MF_STRING, kHistory, L"Enable History Log");
  EXPECT_EQ(GetMenuState(menu_.get(), kHistory, MF_BYCOMMAND), MF_UNCHECKED);
  EXPECT_EQ(GetMenuItemID(menu_.get(), 4), kHistory);  // still in its place

  wchar_t small[7];
  EXPECT_EQ(GetMenuStringW(menu_.get(), kHistory, small, 7, MF_BYCOMMAND), 6);
  EXPECT_STREQ(small, L"Enable");
  EXPECT_EQ(GetMenuStringW(menu_.get(), kHistory, nullptr, 0, MF_BYCOMMAND), 18);
  EXPECT_FALSE(ModifyMenuW(menu_.get(), 999, MF_BYCOMMAND, 999, L"x"));
}

TEST_F(MenuTest, CheckBitmapsAreShownWhileTheyLive) {
  ModuleRegistration module(L"PendrelBand");
  AddBitmapResource(module.get(), 1, Image(17, 14, 0x00FF00));
  AddBitmapResource(module.get(), 2, Image(14, 14, 0xFF0000));
  BitmapHandle checked(LoadBitmapW(module.get(), 1));
  BitmapHandle unchecked(LoadBitmapW(module.get(), 2));
  ASSERT_TRUE(SetMenuItemBitmaps(menu_.get(), kHistory, MF_BYCOMMAND, unchecked.get(), checked.get()));
  ModifyMenuW(menu_.get(), kHistory, MF_BYCOMMAND | MF_STRING | MF_CHECKED, kHistory, L"Disable History Log");
  auto items = GetMenuItems(menu_.get());
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[4].checkedBitmap, checked.get());  // kept through the text change
  EXPECT_EQ(items[4].uncheckedBitmap, unchecked.get());
  checked.reset();
  EXPECT_EQ(GetMenuItems(menu_.get())[4].checkedBitmap, nullptr);  // falls back to the standard mark
  EXPECT_FALSE(SetMenuItemBitmaps(menu_.get(), 999, MF_BYCOMMAND, nullptr, nullptr));
}

TEST_F(MenuTest, TrackingAsksTheHostAndPostsTheChoiceToTheOwner) {
  menus_.Answer(kAnd);
  EXPECT_TRUE(TrackPopupMenu(menu_.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, 190, 22, 0, owner_, nullptr));
  auto requests = menus_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].x, 190);
  EXPECT_EQ(requests[0].y, 22);
  EXPECT_EQ(requests[0].owner, owner_.GetSafeHwnd());
  EXPECT_EQ(requests[0].items.size(), 5u);
  EXPECT_EQ(requests[0].items[1].text, L"Switch to AND search condition");

  EXPECT_TRUE(owner_.Only(WM_COMMAND).empty());  // runs after tracking returns
  PumpMessages();
  ASSERT_EQ(owner_.Only(WM_COMMAND).size(), 1u);
  EXPECT_EQ(LOWORD(owner_.Only(WM_COMMAND)[0].wParam), kAnd);
  EXPECT_EQ(owner_.Only(WM_COMMAND)[0].lParam, 0);
}

TEST_F(MenuTest, OnlyAnEnabledEntryCanBeChosen) {
  EnableMenuItem(menu_.get(), kRepair, MF_BYCOMMAND | MF_GRAYED);
  menus_.Answer(kRepair);
  menus_.Answer(4242);
  menus_.Answer(0);
  EXPECT_FALSE(TrackPopupMenu(menu_.get(), 0, 0, 0, 0, owner_, nullptr));
  EXPECT_FALSE(TrackPopupMenu(menu_.get(), 0, 0, 0, 0, owner_, nullptr));
  EXPECT_FALSE(TrackPopupMenu(menu_.get(), 0, 0, 0, 0, owner_, nullptr));
  PumpMessages();
  EXPECT_TRUE(owner_.Only(WM_COMMAND).empty());

  menus_.Answer(kHistory);
  EXPECT_EQ(TrackPopupMenu(menu_.get(), TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), static_cast<BOOL>(kHistory));
  PumpMessages();
  EXPECT_TRUE(owner_.Only(WM_COMMAND).empty());
}

TEST_F(MenuTest, AChoiceForAnOwnerDestroyedMeanwhileIsDropped) {
  menus_.Answer(kOr);
  ASSERT_TRUE(TrackPopupMenu(menu_.get(), 0, 0, 0, 0, owner_, nullptr));
  owner_.DestroyWindow();
  EXPECT_EQ(PumpMessages(), 0);
}

TEST_F(MenuTest, AWorkerMayEnableAnEntry) {
  EnableMenuItem(menu_.get(), kRepair, MF_BYCOMMAND | MF_GRAYED);
  HMENU menu = menu_.get();
  std::thread([menu] { EnableMenuItem(menu, kRepair, MF_BYCOMMAND | MF_ENABLED); }).join();
  EXPECT_EQ(GetMenuState(menu, kRepair, MF_BYCOMMAND), MF_ENABLED);
}

TEST_F(MenuTest, ADestroyedMenuIsRecognised) {
  HMENU menu = menu_.get();
  menu_.reset();
  EXPECT_FALSE(IsMenu(menu));
  EXPECT_FALSE(AppendMenuW(menu, MF_STRING, 1, L"x"));
  EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, nullptr, nullptr));
  EXPECT_EQ(GetMenuItemCount(menu), -1);
  HMENU other = CreatePopupMenu();
  EXPECT_NE(other, menu);
  DestroyMenu(other);
}

}  // namespace
