// The desk band as a browser window sees it: the interfaces it answers, its siting, its size and
// title, showing and hiding, the keyboard focus, and its end while the browser goes on.
#include "band/CTesselBand.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "host/engine/EventConnections.h"
#include "platform/browser/WebBrowserEvents.h"
#include "tests/support/BandHarness.h"
#include "tests/support/TestSupport.h"

namespace {

class BandTest : public IsolatedTest {
 protected:
  static bool Answers(IUnknown* object, REFIID iid) {
    void* raw = nullptr;
    if (FAILED(object->QueryInterface(iid, &raw))) return false;
    static_cast<IUnknown*>(raw)->Release();
    return true;
  }
  static bool HasStyle(HWND window, DWORD style) {
    return (static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & style) == style;
  }
  // Whether any sink still listens to the browser window's events.
  static bool SinkConnected(IWebBrowser2* browser) {
    auto container = CComPtr<IUnknown>(browser).QueryInterface<IConnectionPointContainer>(IID_IConnectionPointContainer);
    CComPtr<IConnectionPoint> point;
    container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
    return !static_cast<EventConnections*>(point.get())->empty();
  }
};

TEST_F(BandTest, AnswersTheBandInterfacesAndNoOther) {
  BandHarness harness(temp_);
  CTesselBand& band = *harness.Band();
  for (const IID* iid : {&IID_IUnknown, &IID_IObjectWithSite, &IID_IInputObject, &IID_IDeskBand, &IID_IOleWindow,
                         &IID_IDockingWindow})
    EXPECT_TRUE(Answers(static_cast<IObjectWithSite*>(&band), *iid));
  for (const IID* iid : {&IID_IDispatch, &IID_IServiceProvider, &IID_IInputObjectSite, &IID_IClassFactory})
    EXPECT_FALSE(Answers(static_cast<IObjectWithSite*>(&band), *iid));

  // IUnknown is the object's identity: the same pointer as IObjectWithSite.
  void* unknown = nullptr;
  void* withSite = nullptr;
  ASSERT_EQ(band.QueryInterface(IID_IUnknown, &unknown), S_OK);
  ASSERT_EQ(band.QueryInterface(IID_IObjectWithSite, &withSite), S_OK);
  EXPECT_EQ(unknown, withSite);
  static_cast<IUnknown*>(unknown)->Release();
  static_cast<IUnknown*>(withSite)->Release();
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BandTest, BandInfoFillsOnlyWhatTheMaskAsksForAndLeavesTheBackgroundToTheBrowser) {
  BandHarness harness(temp_);
  CTesselBand& band = *harness.Band();

  DESKBANDINFO titleOnly;
  titleOnly.dwMask = DBIM_TITLE | DBIM_BKCOLOR;
  titleOnly.ptMinSize = POINTL{-7, -7};
  titleOnly.crBkgnd = 0x123456;
  ASSERT_EQ(band.GetBandInfo(0, 0, &titleOnly), S_OK);
  EXPECT_STREQ(titleOnly.wszTitle, L"Bookmark");
  EXPECT_EQ(titleOnly.dwMask, DBIM_TITLE);
  EXPECT_EQ(titleOnly.ptMinSize.x, -7);
  EXPECT_EQ(titleOnly.crBkgnd, 0x123456u);

  DESKBANDINFO all;
  all.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS;
  ASSERT_EQ(band.GetBandInfo(0, 0, &all), S_OK);
  EXPECT_EQ(std::make_pair(all.ptMinSize.x, all.ptMinSize.y), std::make_pair(10, 10));
  EXPECT_EQ(std::make_pair(all.ptMaxSize.x, all.ptMaxSize.y), std::make_pair(-1, 25));
  EXPECT_EQ(std::make_pair(all.ptIntegral.x, all.ptIntegral.y), std::make_pair(1, 1));
  EXPECT_EQ(std::make_pair(all.ptActual.x, all.ptActual.y), std::make_pair(200, 25));
  EXPECT_EQ(all.dwModeFlags, DBIMF_VARIABLEHEIGHT);

  EXPECT_EQ(band.GetBandInfo(0, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BandTest, SitingMakesTheWindowsOnceAndLettingGoOfTheSiteKeepsThem) {
  BandHarness harness(temp_, BandSettings{L"1", L"OR"}, Siting::NotSited);
  CTesselBand& band = *harness.Band();
  HWND window = nullptr;
  EXPECT_EQ(band.GetWindow(&window), S_OK);
  EXPECT_EQ(window, nullptr);
  void* site = nullptr;
  EXPECT_EQ(band.GetSite(IID_IOleWindow, &site), E_FAIL);

  ASSERT_EQ(band.SetSite(harness.Site()), S_OK);
  HWND toolbar = nullptr;
  band.GetWindow(&toolbar);
  ASSERT_TRUE(IsWindow(toolbar));
  EXPECT_EQ(GetParent(GetParent(toolbar)), harness.Window());
  ASSERT_EQ(band.GetSite(IID_IOleWindow, &site), S_OK);
  HWND siteWindow = nullptr;
  static_cast<IOleWindow*>(site)->GetWindow(&siteWindow);
  static_cast<IUnknown*>(site)->Release();
  EXPECT_EQ(siteWindow, harness.Window());

  // Sited again: the same windows, one connection to the browser (one history row per load).
  SetWindowTextW(band.Toolbar().CategoryBox(), L"kept");
  ASSERT_EQ(band.SetSite(harness.Site()), S_OK);
  band.GetWindow(&window);
  EXPECT_EQ(window, toolbar);
  EXPECT_EQ(GetWindowString(band.Toolbar().CategoryBox()), L"kept");
  EXPECT_EQ(GetChildWindows(toolbar).size(), 2u);
  harness.Open(harness.Page("a.html", "A"));
  EXPECT_EQ(QueryCount(harness.DataFolder(), "History"), 1);

  // No site: the site goes, the windows stay.
  EXPECT_EQ(band.SetSite(nullptr), S_OK);
  EXPECT_EQ(band.GetSite(IID_IOleWindow, &site), E_FAIL);
  band.GetWindow(&window);
  EXPECT_EQ(window, toolbar);
  EXPECT_TRUE(IsWindow(toolbar));
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BandTest, ASiteWithoutAWindowGetsNoToolbar) {
  BandHarness harness(temp_, BandSettings{}, Siting::NotSited);
  auto windowless = MakeCounted<BandSite>(nullptr, CComPtr<IWebBrowser2>(harness.Browser().Browser()));
  EXPECT_EQ(harness.Band()->SetSite(static_cast<IInputObjectSite*>(windowless.get())), E_FAIL);
  HWND window = nullptr;
  harness.Band()->GetWindow(&window);
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BandTest, AMissingHistorySettingIsReportedOnceAndTheToolbarStaysAsFarAsItGot) {
  BandHarness harness(temp_, BandSettings{std::nullopt, L"AND"});
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"CTesselBand::CreateToolWindow failed"});
  HWND toolbar = nullptr;
  harness.Band()->GetWindow(&toolbar);
  EXPECT_TRUE(IsWindow(toolbar));
  HMENU menu = harness.Toolbar().SetupMenu();
  EXPECT_TRUE(GetMenuState(menu, ID_MENU_HISTORY_SWITCH, MF_BYCOMMAND) & MF_CHECKED);
  wchar_t text[64] = {};
  GetMenuStringW(menu, ID_MENU_HISTORY_SWITCH, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"Enable History Log");
  // The search condition was never reached.
  EXPECT_EQ(harness.Toolbar().SearchCondition(), L"");
  EXPECT_FALSE(GetMenuState(menu, ID_MENU_SEARCH_AND, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED));
}

TEST_F(BandTest, ClosingHidesTheSameToolbarThatShowingBringsBack) {
  BandHarness harness(temp_);
  CTesselBand& band = *harness.Band();
  HWND toolbar = nullptr;
  band.GetWindow(&toolbar);
  SetWindowTextW(band.Toolbar().SearchBox(), L"words");
  EXPECT_TRUE(HasStyle(toolbar, WS_VISIBLE));

  EXPECT_EQ(band.CloseDW(0), S_OK);
  EXPECT_TRUE(IsWindow(toolbar));
  EXPECT_FALSE(HasStyle(toolbar, WS_VISIBLE));
  EXPECT_EQ(band.ShowDW(TRUE), S_OK);
  HWND shown = nullptr;
  band.GetWindow(&shown);
  EXPECT_EQ(shown, toolbar);
  EXPECT_TRUE(HasStyle(toolbar, WS_VISIBLE));
  EXPECT_EQ(GetWindowString(band.Toolbar().SearchBox()), L"words");
  EXPECT_EQ(band.ShowDW(FALSE), S_OK);
  EXPECT_FALSE(HasStyle(toolbar, WS_VISIBLE));
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BandTest, TheBandHasTheFocusWhileABoxHasItOrItsListIsOpen) {
  BandHarness harness(temp_);
  CTesselBand& band = *harness.Band();
  CTesselToolBarCtrl& toolbar = band.Toolbar();
  SetFocus(harness.Window());
  EXPECT_EQ(band.HasFocusIO(), S_FALSE);
  EXPECT_EQ(band.UIActivateIO(TRUE, nullptr), S_OK);
  EXPECT_EQ(GetFocus(), harness.Window());  // the band takes no focus by itself
  EXPECT_EQ(harness.SiteObject().FocusChanges(), 0);

  // Beginning an edit tells the site that the band has the focus.
  SetFocus(toolbar.SearchBox().EditControl());
  EXPECT_EQ(band.HasFocusIO(), S_OK);
  EXPECT_TRUE(harness.SiteObject().BandHasFocus());
  EXPECT_EQ(band.UIActivateIO(TRUE, nullptr), S_OK);
  EXPECT_EQ(GetFocus(), toolbar.SearchBox().EditControl());
  EXPECT_EQ(band.UIActivateIO(FALSE, nullptr), S_OK);

  ASSERT_TRUE(OpenComboList(toolbar.CategoryBox()));
  SetFocus(harness.Window());
  EXPECT_EQ(band.HasFocusIO(), S_OK);
  DismissComboList(toolbar.CategoryBox());
  EXPECT_EQ(band.HasFocusIO(), S_FALSE);
  EXPECT_EQ(boxes_.count(), 0u);

  // Without a site there is nobody to tell.
  band.SetSite(nullptr);
  SetFocus(toolbar.CategoryBox().EditControl());
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"FocusChange failed"});
}

TEST_F(BandTest, ABandReleasedWhileTheBrowserGoesOnLeavesNoSinkBehind) {
  BandHarness harness(temp_, BandSettings{L"1", L"OR"});
  IWebBrowser2* browser = harness.Browser().Browser();
  EXPECT_TRUE(SinkConnected(browser));
  harness.Band()->SetSite(nullptr);
  harness.Band().reset();
  EXPECT_FALSE(SinkConnected(browser));

  // The browser goes on loading pages and nothing of the band hears them.
  harness.Open(harness.Page("after.html", "After"));
  EXPECT_EQ(QueryCount(harness.DataFolder(), "History"), 0);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(BandTest, TheBrowserQuittingDisconnectsTheSinkOnceAndASecondQuitIsReported) {
  BandHarness harness(temp_);
  IWebBrowser2* browser = harness.Browser().Browser();
  harness.Browser().Quit();
  EXPECT_FALSE(SinkConnected(browser));
  EXPECT_EQ(boxes_.count(), 0u);
  harness.Toolbar().OnIEQuit();
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"ShutDownIEEventSink failed"});
}

}  // namespace
