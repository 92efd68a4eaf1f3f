#include "platform/ui/Toolbar.h"

#include <gtest/gtest.h>

#include "platform/text/WideText.h"
#include "platform/ui/CommonControls.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/Resources.h"
#include "platform/ui/TextBuffer.h"
#include "platform/ui/ToolTip.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr DWORD kToolbarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TBSTYLE_TRANSPARENT |
                                TBSTYLE_LIST | TBSTYLE_FLAT | TBSTYLE_WRAPABLE | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                                CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_TOP;

Image Strip() {
  Image strip(80, 15, 0xC0C0C0);
  for (int i = 0; i < 5; ++i) strip.Set(i * 16, 0, 0x000080 * static_cast<std::uint32_t>(i + 1));
  return strip;
}

// A toolbar made the way the bookmark toolbar makes its own: inside a plain notification window,
// with its images and labels from a module's resources.
class ToolbarTest : public ::testing::Test {
 protected:
  ToolbarTest() {
    HINSTANCE module = module_.get();
    for (auto [id, text] : std::initializer_list<std::pair<UINT, const wchar_t*>>{{32768, L"Add"},
                                                                                  {32769, L"Change"},
                                                                                  {32770, L"Delete"},
                                                                                  {32771, L"Options"},
                                                                                  {32772, L"Show"},
                                                                                  {103, L"search\nstring"},
                                                                                  {104, L"Category\n"}})
      AddStringResource(module, id, text);
    AddBitmapResource(module, 206, Strip());

    top_ = CreateWindowExW(0, WC_WINDOW, L"", WS_POPUP | WS_VISIBLE, 0, 0, 1000, 30, nullptr, 0, nullptr);
    notification_ = CreateWindowExW(0, WC_WINDOW, L"", WS_CHILD, 0, 0, 1000, 25, top_, 0, nullptr);
    toolbar_.CreateEx(0, TOOLBARCLASSNAME, L"", kToolbarStyle, RECT{0, 0, 1000, 25}, notification_, 206);
  }
  ~ToolbarTest() override {
    toolbar_.hook = nullptr;  // it may hold what the test body has already let go
    DestroyWindow(top_);
    PumpMessages();
  }

  void AddButtons() {
    toolbar_.SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    TBADDBITMAP bitmap{module_.get(), 206};
    ASSERT_EQ(toolbar_.SendMessage(TB_ADDBITMAP, 5, reinterpret_cast<LPARAM>(&bitmap)), 0);
    struct Row {
      int id;
      BYTE style;
      int imageOrWidth;
    };
    const Row rows[] = {{32768, BTNS_BUTTON, 0}, {32769, BTNS_BUTTON, 1}, {32770, BTNS_BUTTON, 2},
                        {32771, BTNS_BUTTON, 4}, {0, BTNS_SEP, 0},        {103, BTNS_SEP, 200},
                        {104, BTNS_SEP, 200},    {32772, BTNS_BUTTON, 3}};
    std::vector<TBBUTTON> buttons;
    for (const Row& row : rows) {
      TBBUTTON button;
      button.idCommand = row.id;
      button.fsStyle = row.style;
      button.iBitmap = row.imageOrWidth;
      button.fsState = TBSTATE_ENABLED;
      button.iString =
          row.id ? toolbar_.SendMessage(TB_ADDSTRINGW, reinterpret_cast<WPARAM>(module_.get()), row.id) : 0;
      buttons.push_back(button);
    }
    ASSERT_TRUE(toolbar_.SendMessage(TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data())));
  }

  RECT ButtonRect(int command) {
    RECT rect{};
    toolbar_.SendMessage(TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&rect));
    return rect;
  }

  void Click(int command) {
    RECT r = ButtonRect(command);
    LPARAM at = MAKELPARAM(static_cast<WORD>(r.left + 2), static_cast<WORD>(r.top + 2));
    PostMessageW(toolbar_, WM_LBUTTONDOWN, 0, at);
    PostMessageW(toolbar_, WM_LBUTTONUP, 0, at);
    PumpMessages();
  }

  std::vector<int> ClickedCommands() {
    std::vector<int> commands;
    for (const auto& m : toolbar_.Only(OCM_COMMAND))
      if (HIWORD(m.wParam) == BN_CLICKED) commands.push_back(LOWORD(m.wParam));
    return commands;
  }

  HWND ToolTips() { return reinterpret_cast<HWND>(toolbar_.SendMessage(TB_GETTOOLTIPS)); }

  ModuleRegistration module_{L"PendrelBand"};
  HWND top_ = nullptr;
  HWND notification_ = nullptr;
  RecordingWindow toolbar_;
};

TEST_F(ToolbarTest, TheCreationHookSeesAndMayChangeTheStyle) {
  struct Hooked : CWnd {
    void PreCreateWindow(CREATESTRUCTW& cs) override { cs.style |= TBSTYLE_TOOLTIPS; }
  } hooked;
  ASSERT_TRUE(hooked.CreateEx(0, TOOLBARCLASSNAME, L"", WS_CHILD, RECT{}, notification_, 1));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hooked, GWL_STYLE)), WS_CHILD | TBSTYLE_TOOLTIPS);
  EXPECT_NE(hooked.SendMessage(TB_GETTOOLTIPS), 0);  // the style made the tooltip control
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(toolbar_, GWL_STYLE)), 0x54019B4Du);
}

TEST_F(ToolbarTest, ButtonsAreLaidOutLeftToRightByImageLabelAndSeparatorWidth) {
  AddButtons();
  EXPECT_EQ(toolbar_.SendMessage(TB_BUTTONCOUNT), 8);
  EXPECT_EQ(ButtonRect(32768), (RECT{0, 0, 46, 22}));
  EXPECT_EQ(ButtonRect(32769), (RECT{46, 0, 113, 22}));
  EXPECT_EQ(ButtonRect(32770), (RECT{113, 0, 180, 22}));
  EXPECT_EQ(ButtonRect(32771), (RECT{180, 0, 254, 22}));
  RECT separator;
  toolbar_.SendMessage(TB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&separator));
  EXPECT_EQ(separator, (RECT{254, 0, 262, 22}));
  EXPECT_EQ(ButtonRect(103), (RECT{262, 0, 462, 22}));
  EXPECT_EQ(ButtonRect(104), (RECT{462, 0, 662, 22}));
  EXPECT_EQ(ButtonRect(32772).left, 662);

  wchar_t label[16];
  EXPECT_EQ(toolbar_.SendMessage(TB_GETBUTTONTEXTW, 32771, 0), 7);
  toolbar_.SendMessage(TB_GETBUTTONTEXTW, 32771, reinterpret_cast<LPARAM>(label));
  EXPECT_STREQ(label, L"Options");
  TBBUTTON show;
  toolbar_.SendMessage(TB_GETBUTTON, 7, reinterpret_cast<LPARAM>(&show));
  EXPECT_EQ(show.iBitmap, 3);
  EXPECT_EQ(GetToolbarImage(toolbar_, 3), Strip().Crop(48, 0, 16, 15));
  EXPECT_EQ(GetToolbarImage(toolbar_, 5), std::nullopt);

  // Hiding a button closes the gap it leaves.
  toolbar_.SendMessage(TB_HIDEBUTTON, 32769, TRUE);
  EXPECT_EQ(ButtonRect(32770).left, 46);
}

TEST_F(ToolbarTest, ImagesAndStringsFailClearly) {
  TBADDBITMAP missing{module_.get(), 999};
  EXPECT_EQ(toolbar_.SendMessage(TB_ADDBITMAP, 5, reinterpret_cast<LPARAM>(&missing)), -1);
  TBADDBITMAP tooFew{module_.get(), 206};
  EXPECT_EQ(toolbar_.SendMessage(TB_ADDBITMAP, 6, reinterpret_cast<LPARAM>(&tooFew)), -1);  // 80 pixels hold 5
  EXPECT_EQ(toolbar_.SendMessage(TB_ADDSTRINGW, reinterpret_cast<WPARAM>(module_.get()), 12345), -1);
  EXPECT_EQ(toolbar_.SendMessage(TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(L"One\0Two\0")), 0);
  EXPECT_EQ(toolbar_.SendMessage(TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(L"Three\0")), 2);
}

TEST_F(ToolbarTest, AClickReachesTheToolbarAsItsOwnReflectedCommand) {
  AddButtons();
  Click(32768);
  Click(32772);
  EXPECT_EQ(ClickedCommands(), (std::vector<int>{32768, 32772}));
  EXPECT_FALSE(toolbar_.SendMessage(TB_ISBUTTONPRESSED, 32768));
}

TEST_F(ToolbarTest, EnabledAndPressedStatesFollowRequestsAndDisabledButtonsIgnoreClicks) {
  AddButtons();
  EXPECT_TRUE(toolbar_.SendMessage(TB_ENABLEBUTTON, 32769, MAKELONG(FALSE, 0)));
  EXPECT_FALSE(toolbar_.SendMessage(TB_ISBUTTONENABLED, 32769));
  Click(32769);
  EXPECT_TRUE(ClickedCommands().empty());
  toolbar_.SendMessage(TB_ENABLEBUTTON, 32769, MAKELONG(TRUE, 0));
  Click(32769);
  EXPECT_EQ(ClickedCommands(), std::vector<int>{32769});

  toolbar_.SendMessage(TB_PRESSBUTTON, 32771, MAKELONG(TRUE, 0));
  EXPECT_TRUE(toolbar_.SendMessage(TB_ISBUTTONPRESSED, 32771));
  EXPECT_EQ(toolbar_.SendMessage(TB_GETSTATE, 32771), TBSTATE_ENABLED | TBSTATE_PRESSED);
  toolbar_.SendMessage(TB_PRESSBUTTON, 32771, MAKELONG(FALSE, 0));
  EXPECT_FALSE(toolbar_.SendMessage(TB_ISBUTTONPRESSED, 32771));
  EXPECT_FALSE(toolbar_.SendMessage(TB_ENABLEBUTTON, 4242, MAKELONG(TRUE, 0)));
  EXPECT_EQ(toolbar_.SendMessage(TB_GETSTATE, 4242), -1);
}

TEST_F(ToolbarTest, ToolTipTextIsAskedOfTheToolbarAndCutToTheRequestsBuffer) {
  AddButtons();
  const std::wstring tip =
      L"Add the current address to bookmark database.\nPlease select category first. And some more words to "
      L"overflow.";
  ASSERT_GT(tip.size(), 80u);
  toolbar_.hook = [&](UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY) return false;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == TTN_GETDISPINFOW) {
      auto* request = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      std::wstring text = header->idFrom == 32768 ? tip : L"";
      CopyTextToBuffer(text, request->szText, kToolTipTextBuffer);
    } else if (header->code == TTN_GETDISPINFOA) {
      auto* request = reinterpret_cast<NMTTDISPINFOA*>(lParam);
      CopyTextToNarrowBuffer(std::wstring(78, L'x') + L"éé", request->szText, kToolTipTextBuffer);
    } else {
      return false;
    }
    result = TRUE;
    return true;
  };
  HWND tips = ToolTips();
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 5);  // one per button, none for separators

  wchar_t wide[200];
  TOOLINFOW info;
  info.hwnd = toolbar_;
  info.uId = 32768;
  info.lpszText = wide;
  SendMessageW(tips, TTM_GETTEXTW, 200, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(std::wstring(wide), tip.substr(0, 79));

  char narrow[200];
  TOOLINFOA narrowInfo;
  narrowInfo.hwnd = toolbar_;
  narrowInfo.uId = 32771;
  narrowInfo.lpszText = narrow;
  SendMessageW(tips, TTM_GETTEXTA, 200, reinterpret_cast<LPARAM>(&narrowInfo));
  // 78 letters fit, and the first "é" (two bytes) would not leave room for the NUL after it.
  EXPECT_EQ(std::string(narrow), std::string(78, 'x'));
}

TEST_F(ToolbarTest, AToolTipRequestTheToolbarLeavesGoesToItsParent) {
  AddButtons();
  RecordingWindow parent;
  ASSERT_TRUE(parent.Attach(notification_));
  wchar_t text[80];
  TOOLINFOW info;
  info.hwnd = toolbar_;
  info.uId = 32770;
  info.lpszText = text;
  SendMessageW(ToolTips(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(text, L"");
  ASSERT_EQ(parent.Only(WM_NOTIFY).size(), 1u);
  EXPECT_EQ(parent.Only(WM_NOTIFY)[0].notifyCode, TTN_GETDISPINFOW);
  parent.Detach();
}

TEST_F(ToolbarTest, ToolTipSettingsRelayAndActivation) {
  AddButtons();
  HWND tips = ToolTips();
  SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 32767);
  SendMessageW(tips, TTM_SETDELAYTIME, TTDT_INITIAL, 100);
  SendMessageW(tips, TTM_SETDELAYTIME, TTDT_AUTOPOP, 5000);
  EXPECT_EQ(SendMessageW(tips, TTM_GETMAXTIPWIDTH, 0, 0), 32767);
  EXPECT_EQ(SendMessageW(tips, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 100);
  EXPECT_EQ(SendMessageW(tips, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 5000);
  toolbar_.SendMessage(TB_SETTOOLTIPS, reinterpret_cast<WPARAM>(tips));
  EXPECT_EQ(ToolTips(), tips);

  // The mouse over the Change button, as the toolbar relays it.
  RECT change = ButtonRect(32769);
  SendMessageW(toolbar_, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(change.left + 1), 3));
  TOOLINFOW current;
  ASSERT_TRUE(SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&current)));
  EXPECT_EQ(current.uId, 32769u);
  SendMessageW(tips, TTM_ACTIVATE, FALSE, 0);
  EXPECT_FALSE(SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, 0));
  SendMessageW(toolbar_, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(change.left + 1), 3));
  EXPECT_FALSE(SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, 0));  // inactive: no tip

  // Brought to the top of the z-order without moving or sizing it.
  HWND other = CreateWindowExW(0, WC_WINDOW, L"", WS_POPUP, 5, 5, 5, 5, nullptr, 0, nullptr);
  ASSERT_EQ(GetThreadTopLevelWindows().front(), other);
  SetWindowPos(tips, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(GetThreadTopLevelWindows().front(), tips);
  DestroyWindow(other);

  // The toolbar's tooltip goes with it.
  toolbar_.DestroyWindow();
  EXPECT_FALSE(IsWindow(tips));
}

// A box's own tooltip: tools identified by window handle, with a fixed text.
TEST(ToolTipTest, WindowToolsWithFixedTextAreAddedFoundAndRemoved) {
  HWND top = CreateWindowExW(0, WC_WINDOW, L"", WS_POPUP, 0, 0, 300, 30, nullptr, 0, nullptr);
  HWND box = CreateWindowExW(0, WC_WINDOW, L"", WS_CHILD, 0, 0, 200, 25, top, 103, nullptr);
  HWND tips = CreateWindowExW(0, TOOLTIPS_CLASS, L"", WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, box, 0, nullptr);
  ASSERT_NE(tips, nullptr);
  std::wstring text = L"Search string...";
  TOOLINFOW tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = box;
  tool.uId = reinterpret_cast<UINT_PTR>(box);
  tool.lpszText = text.data();
  EXPECT_TRUE(SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)));
  EXPECT_FALSE(SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)));  // already there
  text = L"changed";                                                                   // the control kept its own copy

  wchar_t buffer[80];
  TOOLINFOW query;
  query.hwnd = box;
  query.uId = reinterpret_cast<UINT_PTR>(box);
  query.lpszText = buffer;
  SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&query));
  EXPECT_STREQ(buffer, L"Search string...");

  MSG move{box, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3), 0, {}};
  SendMessageW(tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
  EXPECT_TRUE(SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, 0));
  MSG click{box, WM_LBUTTONDOWN, 0, MAKELPARAM(3, 3), 0, {}};
  SendMessageW(tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&click));
  EXPECT_FALSE(SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, 0));

  SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&query));
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 0);
  DestroyWindow(top);
  EXPECT_FALSE(IsWindow(tips));  // owned by the top-level window, it goes with it
}

}  // namespace

namespace {

// The control classes the bookmark toolbar derives from.
TEST(CommonControlsTest, ObjectsMakeTheirControlsAndFindTheInnerWindows) {
  CWnd host;
  ASSERT_TRUE(host.CreateEx(0, WC_WINDOW, L"", WS_POPUP, RECT{0, 0, 900, 25}, nullptr, 0));
  CToolBarCtrl toolbar;
  ASSERT_TRUE(toolbar.Create(WS_CHILD | TBSTYLE_TOOLTIPS, RECT{0, 0, 900, 25}, host, 206));
  CComboBoxEx box;
  ASSERT_TRUE(box.Create(WS_CHILD | CBS_DROPDOWN, RECT{462, 0, 662, 175}, toolbar, 103));
  EXPECT_EQ(GetParent(box.GetEditCtrl()), box.GetComboBoxCtrl());
  CToolTipCtrl tips;
  ASSERT_TRUE(tips.Create(box));
  EXPECT_EQ(GetParent(tips), host.GetSafeHwnd());
  EXPECT_FALSE(toolbar.Create(WS_CHILD, RECT{}, host, 1));  // it has its window already
}

}  // namespace
