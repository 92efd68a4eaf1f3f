// The host window on the real window system and browser engine: what it prints as pages load,
// how it answers message boxes, and a window whose band cannot be made.
#include <gtest/gtest.h>

#include "host/core/HostWindow.h"

#include <algorithm>

#include "band/DllEntryPoints.h"
#include "host/cli/EngineBrowser.h"
#include "host/engine/Url.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/text/WideText.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"
#include "toolbar/Settings.h"

namespace {

using Lines = std::vector<std::wstring>;

class HostWindowTest : public IsolatedTest {
 protected:
  std::wstring Page(const std::string& name, const std::string& html) {
    WriteFile(temp_.path() / name, html);
    return FileUrlFromPath(FromUtf8((temp_.path() / name).string()));
  }
  HostWindow::LineOutput Output() {
    return [this](const std::wstring& line) { lines_.push_back(line); };
  }
  Lines lines_;
};

TEST_F(HostWindowTest, WithoutARegisteredToolbarTheWindowOpensWithoutToolbarAndSaysSoOnce) {
  std::wstring framed = Page("framed.html", "<title>Inner</title>");
  std::wstring page = Page("page.html", "<title>Outer\\page</title><iframe src='framed.html'></iframe>");
  {
    HostWindow window(Output(), {}, MakeEngineBrowser);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_EQ(lines_[0], L"no toolbar: no toolbar is registered (pendrel register registers it)");
    EXPECT_EQ(window.Toolbar(), nullptr);
    EXPECT_EQ(window.StateLines(), (Lines{L"location: ", L"title: "}));

    // A load prints its start (not its frames') and each new status text; the title is the
    // frame's text.
    lines_.clear();
    window.Navigate(page);
    EXPECT_EQ(lines_, (Lines{L"navigate: " + page, L"status: Opening page " + page + L"...", L"status: Done"}));
    EXPECT_EQ(window.StateLines(), (Lines{L"location: " + page, L"title: Outer\\\\page"}));
    EXPECT_EQ(GetWindowString(window.Frame()), L"Outer\\page");
    EXPECT_EQ(window.StatusText(), L"Done");

    // Commands on the toolbar say that there is none.
    try {
      window.Click(ID_BUTTON_ADD);
      FAIL() << "a click without a toolbar";
    } catch (const HostCommandError& e) {
      EXPECT_EQ(e.Why(), L"the window has no toolbar");
    }
    EXPECT_THROW(window.Type(ID_SEARCH_BOX, L"x"), HostCommandError);
    EXPECT_THROW(window.ChooseMenuEntry(L"Help..."), HostCommandError);
    EXPECT_THROW(window.Follow(L"nothing"), HostCommandError);
    EXPECT_THROW(window.Submit(0), HostCommandError);

    lines_.clear();
    window.Quit();
    EXPECT_TRUE(window.HasQuit());
    EXPECT_THROW(window.Navigate(page), HostCommandError);
  }
  EXPECT_TRUE(lines_.empty());
}

TEST_F(HostWindowTest, TheRegisteredBandIsDockedThroughItsInterfacesAndTheLibraryFreedAfterIt) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  {
    // Registered, but its settings are missing: the band cannot be built.
    HostWindow window(Output(), {}, MakeEngineBrowser);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_TRUE(lines_[0].starts_with(L"no toolbar: the band's creation failed (8007000e)")) << lines_[0];
    EXPECT_EQ(window.Toolbar(), nullptr);
  }
  lines_.clear();
  std::wstring data = MakeTestDataFolder(temp_);
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, data);
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, L"0");
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue, L"AND");
  {
    HostWindow window(Output(), {}, MakeEngineBrowser);
    EXPECT_TRUE(lines_.empty()) << ToUtf8(lines_.front());
    ASSERT_NE(window.Toolbar(), nullptr);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    // The state comes from the toolbar's windows and the menu it hands out.
    Lines state = window.StateLines();
    EXPECT_NE(std::find(state.begin(), state.end(), L"menu: Switch to AND search condition [checked] [greyed]"),
              state.end());
    EXPECT_NE(std::find(state.begin(), state.end(), L"category list: "), state.end());
    window.Type(ID_CATEGORY_BOX, L"News");
    EXPECT_EQ(GetWindowString(GetDlgItem(window.Toolbar(), ID_CATEGORY_BOX)), L"News");
  }
  EXPECT_EQ(DllCanUnloadNow(), S_OK) << "the window let go of the band";
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(HostWindowTest, AnswersBoxesFromTheQueueThenTheAskerThenNo) {
  int asked = 0;
  {
    HostWindow window(Output(), [&](const MessageBoxRequest& box) {
      ++asked;
      EXPECT_EQ(box.caption, L"Clear history");
      return Answer::Yes;
    }, MakeEngineBrowser);
    lines_.clear();
    EXPECT_EQ(MessageBoxW(nullptr, L"Done.\nAll of it", L"PendrelBand", MB_OK | MB_ICONEXCLAMATION), IDOK);
    window.QueueAnswer(Answer::No);
    window.QueueAnswer(Answer::Yes);
    EXPECT_EQ(MessageBoxW(nullptr, L"Delete it?", L"Delete bookmark", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, L"Delete it?", L"Delete Category", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(MessageBoxW(nullptr, L"Clear it?", L"Clear history", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(lines_, (Lines{L"box: PendrelBand | Done.\\nAll of it", L"question: Delete bookmark | Delete it? -> no",
                             L"question: Delete Category | Delete it? -> yes",
                             L"question: Clear history | Clear it? -> yes"}));
  }
  {
    // A window with nobody to ask answers no; once it is gone, boxes go to the handler before it.
    HostWindow window(Output(), {}, MakeEngineBrowser);
    lines_.clear();
    EXPECT_EQ(MessageBoxW(nullptr, L"Repair?", L"Repair bookmarks", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(lines_, (Lines{L"question: Repair bookmarks | Repair? -> no"}));
  }
  boxes_.clear();
  MessageBoxW(nullptr, L"after", L"PendrelBand", MB_OK);
  EXPECT_EQ(boxes_.texts(), (Lines{L"after"}));
}

TEST_F(HostWindowTest, PagesThatSinksOpenLoadFromTheLoopBeforeTheCommandReturns) {
  std::wstring first = Page("first.html", "<title>First</title>");
  std::wstring second = Page("second.html", "<title>Second</title><a href='first.html'>Back <b>home</b></a>");
  HostWindow window(Output(), {}, MakeEngineBrowser);
  // A listener that opens a page from DocumentComplete, as a toolbar command would.
  auto sink = MakeCounted<RecordingSink>();
  sink->Connect(window.Browser().Browser());
  bool opened = false;
  sink->onEvent = [&](DISPID dispId, DISPPARAMS*) {
    if (dispId != DISPID_DOCUMENTCOMPLETE || opened) return;
    opened = true;
    Variant address(second), empty;
    window.Browser().Browser()->Navigate2(&address, &empty, &empty, &empty, &empty);
    lines_.push_back(L"(asked)");
  };
  lines_.clear();
  window.Navigate(first);
  EXPECT_EQ(lines_, (Lines{L"navigate: " + first, L"status: Opening page " + first + L"...", L"status: Done",
                           L"(asked)", L"navigate: " + second, L"status: Opening page " + second + L"...",
                           L"status: Done"}));
  // follow finds a link by the text the page lines show.
  lines_.clear();
  window.Follow(L"Back home");
  EXPECT_EQ(lines_.front(), L"navigate: " + first);
  sink->Disconnect();
}

// A browser that does its work outside the window's queue: what it is asked to open loads only
// after it has been let work a few times, as a page loads in another process.
class LateBrowser final : public HostBrowser {
 public:
  explicit LateBrowser(HWND frame) : engine_(frame) {}
  IWebBrowser2* Browser() const override { return engine_.Browser(); }
  ActionResult Navigate(std::wstring_view address) override {
    pending_ = std::wstring(address);
    turns_ = 3;
    return ActionResult::Done;
  }
  ActionResult TypeText(std::wstring_view, std::wstring_view) override { return ActionResult::NotFound; }
  ActionResult SubmitFormNumber(size_t) override { return ActionResult::NotFound; }
  std::vector<std::wstring> LinkTexts() override { return engine_.LinkTexts(); }
  ActionResult FollowLink(size_t number) override { return engine_.FollowLink(number); }
  std::vector<std::wstring> PageLines() override { return engine_.PageLines(); }
  void Quit() override { engine_.Quit(); }
  bool HasQuit() const override { return engine_.HasQuit(); }
  bool Busy() const override { return pending_.has_value(); }
  void WaitForWork(std::chrono::milliseconds) override {
    ++waits;
    if (pending_ && --turns_ == 0) {
      engine_.Navigate(*pending_);
      pending_.reset();
    }
  }
  int waits = 0;

 private:
  EngineBrowser engine_;
  std::optional<std::wstring> pending_;
  int turns_ = 0;
};

TEST_F(HostWindowTest, ACommandWaitsForABrowserThatLoadsOutsideTheWindowQueue) {
  std::wstring page = Page("late.html", "<title>Late</title><a href='late.html'>again</a>");
  LateBrowser* browser = nullptr;
  HostWindow window(Output(), {}, [&](HWND frame) {
    auto made = std::make_unique<LateBrowser>(frame);
    browser = made.get();
    return made;
  });
  lines_.clear();
  window.Navigate(page);
  // The command returned once the browser had done its work, with the load's lines printed.
  EXPECT_EQ(browser->waits, 3);
  EXPECT_EQ(lines_, (Lines{L"navigate: " + page, L"status: Opening page " + page + L"...", L"status: Done"}));
  EXPECT_EQ(window.StateLines(), (Lines{L"location: " + page, L"title: Late"}));
  EXPECT_EQ(window.PageLines().front(), L"title: Late");
}

}  // namespace
