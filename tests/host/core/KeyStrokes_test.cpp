// Typing through the key messages a keyboard makes: each character arrives in an edit field as
// typed, through the window system's own translation of keys into characters.
#include <gtest/gtest.h>

#include "host/core/KeyStrokes.h"
#include "platform/ui/Edit.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/Window.h"

namespace {

TEST(KeyStrokesTest, EveryCharacterArrivesAsTyped) {
  HWND edit = CreateWindowExW(0, WC_EDIT, L"", WS_OVERLAPPED, 0, 0, 200, 22, nullptr, 0, nullptr);
  ASSERT_TRUE(edit);
  std::wstring text = L"Hello, World! ~`1234567890-=!@#$%^&*()_+[]{}\\|;:'\",.<>/? caf\u00e9 \u4e2d";
  for (wchar_t c : text)
    for (const MSG& msg : KeyStrokesForCharacter(edit, c)) PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  PumpMessages();
  EXPECT_EQ(GetWindowString(edit), text);

  // Keys that type nothing act at the caret.
  for (UINT key : {VK_HOME, VK_DELETE, VK_END, VK_LEFT})
    for (const MSG& msg : KeyStrokesForKey(edit, key)) PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  for (const MSG& msg : KeyStrokesForCharacter(edit, L'X')) PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  PumpMessages();
  EXPECT_EQ(GetWindowString(edit), text.substr(1, text.size() - 2) + L"X" + text.back());

  // Each character is one key press (with Shift around it where needed), so a key handler sees
  // it go down and up; a line feed is the Enter key.
  std::vector<MSG> shifted = KeyStrokesForCharacter(edit, L'?');
  ASSERT_EQ(shifted.size(), 4u);
  EXPECT_EQ(shifted[0].wParam, VK_SHIFT);
  EXPECT_EQ(shifted[1].message, WM_KEYDOWN);
  EXPECT_EQ(shifted[2].message, WM_KEYUP);
  EXPECT_EQ(shifted[1].wParam, shifted[2].wParam);
  EXPECT_EQ(KeyStrokesForCharacter(edit, L'\n')[0].wParam, VK_RETURN);
  DestroyWindow(edit);
}

}  // namespace
