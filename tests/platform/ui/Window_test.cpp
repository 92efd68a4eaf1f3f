#include "platform/ui/Window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/ui/MessageBox.h"
#include "platform/ui/MessageLoop.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

HWND MakeTopLevel(std::wstring_view text = L"") {
  return CreateWindowExW(0, WC_WINDOW, text, WS_POPUP, 100, 50, 400, 300, nullptr, 0, nullptr);
}

HWND MakeChild(HWND parent, UINT id, RECT r = {10, 5, 110, 30}) {
  return CreateWindowExW(0, WC_WINDOW, L"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.Width(), r.Height(), parent, id,
                         nullptr);
}

class WindowTest : public ::testing::Test {
 protected:
  ~WindowTest() override {
    if (IsWindow(top_)) DestroyWindow(top_);
    PumpMessages();
  }
  HWND top_ = MakeTopLevel(L"Browser");
};

TEST_F(WindowTest, CreationKeepsClassStyleRectangleParentIdAndText) {
  HWND child = MakeChild(top_, 206);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetClassNameString(child), L"Window");
  EXPECT_EQ(GetParent(child), top_);
  EXPECT_EQ(GetDlgCtrlID(child), 206);
  EXPECT_EQ(GetDlgItem(top_, 206), child);
  EXPECT_EQ(GetDlgItem(top_, 207), nullptr);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)), WS_CHILD | WS_VISIBLE);
  EXPECT_EQ(GetWindowString(top_), L"Browser");

  RECT client;
  ASSERT_TRUE(GetClientRect(child, &client));
  EXPECT_EQ(client, (RECT{0, 0, 100, 25}));
  RECT screen;
  ASSERT_TRUE(GetWindowRect(child, &screen));
  EXPECT_EQ(screen, (RECT{110, 55, 210, 80}));
}

TEST_F(WindowTest, RefusesUnknownClassesAndChildrenWithoutAParent) {
  EXPECT_EQ(CreateWindowExW(0, L"NoSuchClass", L"", WS_POPUP, 0, 0, 1, 1, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(CreateWindowExW(0, WC_WINDOW, L"", WS_CHILD, 0, 0, 1, 1, nullptr, 0, nullptr), nullptr);
}

TEST_F(WindowTest, TextVisibilityAndEnabledStateChange) {
  HWND child = MakeChild(top_, 1);
  EXPECT_TRUE(SetWindowTextW(child, L"hello"));
  EXPECT_EQ(GetWindowTextLengthW(child), 5);
  wchar_t small[4];
  EXPECT_EQ(GetWindowTextW(child, small, 4), 3);  // cut to the buffer, terminated
  EXPECT_STREQ(small, L"hel");

  EXPECT_FALSE(IsWindowVisible(top_));
  EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
  EXPECT_FALSE(ShowWindow(top_, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(ShowWindow(child, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(child));

  EXPECT_TRUE(IsWindowEnabled(child));
  EXPECT_FALSE(EnableWindow(child, FALSE));
  EXPECT_FALSE(IsWindowEnabled(child));
  EXPECT_TRUE(EnableWindow(child, TRUE));
  EXPECT_TRUE(IsWindowEnabled(child));
}

TEST_F(WindowTest, SetWindowPosMovesWithoutResizingOrRestackingWhenAsked) {
  HWND first = MakeChild(top_, 1, {462, 0, 662, 172});
  HWND second = MakeChild(top_, 2);
  ASSERT_EQ(GetChildWindows(top_), (std::vector<HWND>{first, second}));

  EXPECT_TRUE(SetWindowPos(first, nullptr, 262, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOSIZE));
  RECT r;
  GetWindowRect(first, &r);
  POINT topLeft{r.left, r.top};
  ScreenToClient(top_, &topLeft);
  EXPECT_EQ(topLeft, (POINT{262, 0}));
  EXPECT_EQ(r.Width(), 200);
  EXPECT_EQ(r.Height(), 172);
  EXPECT_EQ(GetChildWindows(top_), (std::vector<HWND>{first, second}));

  SetWindowPos(second, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetChildWindows(top_), (std::vector<HWND>{second, first}));
  EXPECT_EQ(GetWindow(top_, GW_CHILD), second);
  EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), first);

  MoveWindow(second, 1, 2, 30, 40, TRUE);
  RECT client;
  GetClientRect(second, &client);
  EXPECT_EQ(client, (RECT{0, 0, 30, 40}));
}

TEST_F(WindowTest, FocusMovesBetweenWindowsWithKillAndSetFocus) {
  RecordingWindow a;
  RecordingWindow b;
  ASSERT_TRUE(a.CreateEx(0, WC_WINDOW, L"", WS_CHILD, RECT{0, 0, 10, 10}, top_, 1));
  ASSERT_TRUE(b.CreateEx(0, WC_WINDOW, L"", WS_CHILD, RECT{0, 0, 10, 10}, top_, 2));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(SetFocus(a), nullptr);
  EXPECT_EQ(GetFocus(), a.GetSafeHwnd());
  EXPECT_EQ(SetFocus(b), a.GetSafeHwnd());
  EXPECT_EQ(GetFocus(), b.GetSafeHwnd());
  ASSERT_EQ(a.Only(WM_KILLFOCUS).size(), 1u);
  EXPECT_EQ(a.Only(WM_KILLFOCUS)[0].wParam, reinterpret_cast<WPARAM>(b.GetSafeHwnd()));
  EXPECT_EQ(b.Only(WM_SETFOCUS).size(), 1u);

  // Destroying the focused window leaves no focus behind, never a stale handle.
  b.DestroyWindow();
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowTest, StaleHandlesAreRecognisedAndNeverReused) {
  HWND child = MakeChild(top_, 5);
  ASSERT_TRUE(DestroyWindow(child));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(DestroyWindow(child));
  EXPECT_EQ(SendMessageW(child, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_FALSE(SetWindowTextW(child, L"x"));
  EXPECT_FALSE(PostMessageW(child, WM_USER, 0, 0));
  EXPECT_EQ(GetDlgItem(top_, 5), nullptr);
  HWND again = MakeChild(top_, 5);
  EXPECT_NE(again, child);
}

TEST_F(WindowTest, DestroyingAParentDestroysChildrenAndOwnedWindowsAndDetachesObjects) {
  RecordingWindow child;
  ASSERT_TRUE(child.CreateEx(0, WC_WINDOW, L"", WS_CHILD, RECT{}, top_, 1));
  HWND grandchild = MakeChild(child, 2);
  HWND owned = CreateWindowExW(0, WC_WINDOW, L"", WS_POPUP, 0, 0, 1, 1, child, 0, nullptr);
  ASSERT_EQ(GetParent(owned), top_);  // a popup is owned by the top-level window
  ASSERT_TRUE(DestroyWindow(top_));
  EXPECT_FALSE(IsWindow(grandchild));
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_EQ(child.GetSafeHwnd(), nullptr);
  EXPECT_EQ(child.Only(WM_DESTROY).size(), 1u);
  EXPECT_EQ(child.Only(WM_NCDESTROY).size(), 1u);
}

TEST_F(WindowTest, ObjectDestroyedBeforeItsWindowTakesTheWindowWithIt) {
  HWND hwnd = nullptr;
  {
    RecordingWindow object;
    ASSERT_TRUE(object.CreateEx(0, WC_WINDOW, L"", WS_CHILD, RECT{}, top_, 1));
    hwnd = object;
    EXPECT_EQ(GetWindowObject(hwnd), &object);
  }
  EXPECT_FALSE(IsWindow(hwnd));
}

// A control that handles its own notifications, as the toolbar and its boxes do.
TEST_F(WindowTest, NotificationsAreReflectedToTheControlThatSentThem) {
  HWND plainParent = MakeChild(top_, 0);
  RecordingWindow control;
  ASSERT_TRUE(control.CreateEx(0, WC_WINDOW, L"", WS_CHILD, RECT{}, plainParent, 77));
  control.hook = [](UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != OCM_NOTIFY) return false;
    result = 42;
    return true;
  };

  SendMessageW(plainParent, WM_COMMAND, MAKEWPARAM(32768, BN_CLICKED), reinterpret_cast<LPARAM>(control.GetSafeHwnd()));
  ASSERT_EQ(control.Only(OCM_COMMAND).size(), 1u);
  EXPECT_EQ(LOWORD(control.Only(OCM_COMMAND)[0].wParam), 32768);
  EXPECT_EQ(HIWORD(control.Only(OCM_COMMAND)[0].wParam), BN_CLICKED);

  NMHDR header{control, 77, 0U - 804U};
  EXPECT_EQ(SendMessageW(plainParent, WM_NOTIFY, 77, reinterpret_cast<LPARAM>(&header)), 42);
  ASSERT_EQ(control.Only(OCM_NOTIFY).size(), 1u);
  EXPECT_EQ(control.Only(OCM_NOTIFY)[0].notifyCode, 0U - 804U);
}

TEST_F(WindowTest, SetParentMovesAChildButNeverIntoItself) {
  HWND a = MakeChild(top_, 1);
  HWND b = MakeChild(top_, 2);
  HWND inner = MakeChild(a, 3);
  EXPECT_EQ(SetParent(a, b), top_);
  EXPECT_EQ(GetParent(a), b);
  EXPECT_EQ(GetChildWindows(top_), std::vector<HWND>{b});
  EXPECT_EQ(GetDlgItem(b, 1), a);
  EXPECT_EQ(SetParent(a, inner), nullptr);  // inside itself
  EXPECT_EQ(SetParent(a, a), nullptr);
  EXPECT_EQ(SetParent(top_, b), nullptr);  // a top-level window stays one
  EXPECT_EQ(GetParent(a), b);
  DestroyWindow(b);
  EXPECT_FALSE(IsWindow(inner));
}

// The parent is a fact any thread may ask while the owning thread moves the window. Meanwhile
// the owning thread takes its messages by family (matching them under its queue's lock) while
// the other thread posts to the moving window's child. Every answer is one the family had at
// some moment and every message posted arrives; under ThreadSanitizer, the locks of the window
// system are taken without a race and in one order.
TEST_F(WindowTest, ParentMovedOnItsThreadIsReadSafelyFromAnotherThread) {
  HWND a = MakeChild(top_, 1);
  HWND b = MakeChild(top_, 2);
  HWND c = MakeChild(a, 3);
  HWND d = MakeChild(c, 4);
  std::atomic<bool> done{false};
  std::atomic<int> odd{0}, posted{0}, rounds{0};
  std::thread reader([&] {
    for (; !done; ++rounds) {
      HWND parent = GetParent(c);
      if (parent != a && parent != b) ++odd;
      if (!IsChild(top_, d) || !IsChild(c, d) || IsChild(d, c)) ++odd;
      if (PostMessageW(d, WM_APP, 0, 0)) ++posted;
    }
  });
  int taken = 0;
  MSG msg;
  for (int i = 0; i < 2000 || rounds < 500; ++i) {  // both threads at work for a while
    HWND into = i % 2 ? a : b;
    SetParent(c, into);
    // d is in the family of c's new parent. A few at a time: the reader posts as fast as this
    // thread takes, so taking until none is left could go on for ever.
    for (int k = 0; k < 16 && PeekMessageW(&msg, into, 0, 0, PM_REMOVE); ++k) ++taken;
  }
  done = true;
  reader.join();
  taken += PumpMessages();
  EXPECT_EQ(odd, 0);
  EXPECT_EQ(taken, posted);
}

TEST_F(WindowTest, ChangeHandlerHearsWhatChanged) {
  std::vector<std::pair<HWND, WindowChange>> changes;
  auto previous = SetWindowChangeHandler([&](HWND hwnd, WindowChange change) { changes.emplace_back(hwnd, change); });
  HWND child = MakeChild(top_, 1);
  SetWindowTextW(child, L"a");
  ShowWindow(child, SW_HIDE);
  EnableWindow(child, FALSE);
  SetWindowPos(child, nullptr, 3, 3, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SetWindowPos(child, nullptr, 3, 3, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // no change: nothing told
  DestroyWindow(child);
  SetWindowChangeHandler(previous);
  std::vector<std::pair<HWND, WindowChange>> expected{
      {child, WindowChange::Created}, {child, WindowChange::Text},     {child, WindowChange::Visibility},
      {child, WindowChange::Enabled}, {child, WindowChange::Position}, {child, WindowChange::Destroyed}};
  EXPECT_EQ(changes, expected);
}

TEST_F(WindowTest, AnotherThreadCannotTouchAWindow) {
  HWND child = MakeChild(top_, 1);
  SetWindowTextW(child, L"mine");
  std::thread([&] {
    EXPECT_FALSE(SetWindowTextW(child, L"theirs"));
    EXPECT_FALSE(DestroyWindow(child));
    EXPECT_EQ(SetFocus(child), nullptr);
    RECT rect;
    EXPECT_FALSE(GetWindowRect(child, &rect));  // its state is read on its own thread only
    EXPECT_TRUE(IsWindow(child));               // fixed facts may be asked anywhere
    EXPECT_EQ(GetParent(child), top_);
    EXPECT_TRUE(PostMessageW(child, WM_USER, 0, 0));
  }).join();
  EXPECT_EQ(GetWindowString(child), L"mine");
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowTest, MessageBoxOfAGoneOwnerIsStillAskedWithoutOwner) {
  RecordedMessageBoxes boxes;
  boxes.Answer(IDYES);
  HWND owner = MakeChild(top_, 1);
  EXPECT_EQ(MessageBoxW(owner, L"Sure?", L"Delete bookmark", MB_YESNO | MB_ICONQUESTION), IDYES);
  DestroyWindow(owner);
  EXPECT_EQ(MessageBoxW(owner, L"Again?", L"Delete bookmark", MB_YESNO | MB_ICONQUESTION), IDNO);
  auto seen = boxes.boxes();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].owner, owner);
  EXPECT_EQ(seen[0].Icon(), MB_ICONQUESTION);
  EXPECT_EQ(seen[1].owner, nullptr);
}

}  // namespace
