// A browser window with the band sited in it, the way a browser shows the toolbar: a top-level
// window, the browser engine's window, the site, and the band, over a data folder with a real
// Bookmark.mdb and the three settings in the test's own registry. Keys go through the band as
// the browser passes them: each key message is offered to the band first, and one the band
// leaves is translated and dispatched to the field, as are the characters it turns into.
//
// Used by tests derived from IsolatedTest (the registry folder must be the test's own).
#pragma once
#include <chrono>
#include <cwctype>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "band/CTesselBand.h"
#include "host/core/BandSite.h"
#include "host/engine/BrowserWindow.h"
#include "platform/text/WideText.h"
#include "platform/ui/Edit.h"
#include "platform/ui/MessageLoop.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestDatabase.h"
#include "toolbar/Settings.h"

// What the settings hold when the band is made; an empty optional leaves the value out.
struct BandSettings {
  std::optional<std::wstring> history = L"0";
  std::optional<std::wstring> searchCondition = L"OR";
};

enum class Siting { Sited, NotSited };

class BandHarness {
 public:
  explicit BandHarness(const TempDir& temp, BandSettings settings = {}, Siting siting = Siting::Sited)
      : temp_(temp), dataFolder_(MakeTestDataFolder(temp)) {
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue, dataFolder_);
    if (settings.history) WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kHistoryValue, *settings.history);
    if (settings.searchCondition)
      WriteRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kSearchConditionValue, *settings.searchCondition);
    window_ = CreateWindowExW(0, WC_WINDOW, L"", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 1024, 60, nullptr, 0, nullptr);
    site_ = MakeCounted<BandSite>(window_, CComPtr<IWebBrowser2>(browser_.Browser()));
    band_ = MakeCounted<CTesselBand>();
    if (siting == Siting::Sited) band_->SetSite(Site());
  }
  ~BandHarness() {
    band_.reset();
    site_.reset();
    DestroyWindow(window_);
    PumpMessages();
  }
  BandHarness(const BandHarness&) = delete;
  BandHarness& operator=(const BandHarness&) = delete;

  const std::wstring& DataFolder() const { return dataFolder_; }
  HWND Window() const { return window_; }
  BrowserWindow& Browser() { return browser_; }
  BandSite& SiteObject() { return *site_; }
  IUnknown* Site() const { return static_cast<IInputObjectSite*>(site_.get()); }
  CComPtr<CTesselBand>& Band() { return band_; }
  CTesselToolBarCtrl& Toolbar() { return band_->Toolbar(); }

  // Writes an HTML page with that title into the test's folder; returns its path.
  std::wstring Page(const std::string& name, const std::string& title) {
    std::filesystem::path path = temp_.path() / "pages" / name;
    std::filesystem::create_directories(path.parent_path());
    WriteFile(path, "<html><head><title>" + title + "</title></head><body><p>" + title + "</p></body></html>");
    return FromUtf8(path.string());
  }
  // Opens an address as a person would type it, and lets the load and its events run.
  void Open(std::wstring_view address) {
    browser_.Navigate(address);
    PumpMessages();
  }
  std::wstring Location() {
    std::wstring url;
    browser_.Browser()->get_LocationURL(&url);
    return url;
  }

  // Clicks a button of the toolbar with the mouse and lets what it started run.
  void Click(UINT command) {
    RECT rect;
    Toolbar().SendMessage(TB_GETRECT, command, reinterpret_cast<LPARAM>(&rect));
    POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    Toolbar().SendMessage(WM_LBUTTONDOWN, 0, PointToLParam(middle));
    Toolbar().SendMessage(WM_LBUTTONUP, 0, PointToLParam(middle));
    PumpMessages();
  }

  // Chooses the setup-menu entry `command` as a person would: opens the menu under the Options
  // button and picks it. A greyed entry cannot be picked; the menu closes with nothing chosen.
  void Choose(UINT command) {
    PopupMenuHandler previous = SetPopupMenuHandler([command](const PopupMenuRequest&) { return command; });
    Click(ID_BUTTON_OPTIONS);
    SetPopupMenuHandler(std::move(previous));
  }

  // Runs the window's loop until the toolbar's repair job has ended and its end is handled; at
  // most 30 s. Whether it ended.
  bool WaitForRepair(std::chrono::seconds limit = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      PumpMessages();
      if (!Toolbar().RepairJobRunning()) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  // Clicks into the box's field: the caret goes to the end of its text, nothing selected.
  void ClickInto(CBandComboBox& box) {
    HWND edit = box.EditControl();
    SetFocus(edit);
    auto end = static_cast<WPARAM>(GetWindowTextLengthW(edit));
    SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
  }
  // Types lower-case letters, digits and spaces into the box, key by key.
  void Type(CBandComboBox& box, std::wstring_view text) {
    ClickInto(box);
    for (wchar_t c : text) Key(box, c == L' ' ? VK_SPACE : static_cast<UINT>(std::towupper(c)));
  }
  // One key pressed and released in the box's field; returns what the band said to the press.
  HRESULT Key(CBandComboBox& box, UINT key) {
    HRESULT pressed = Deliver(MSG{box.EditControl(), WM_KEYDOWN, key, 0, 0, {}});
    Deliver(MSG{box.EditControl(), WM_KEYUP, key, 0, 0, {}});
    return pressed;
  }

  // The texts of a box's drop-down list, in order.
  static std::vector<std::wstring> ListOf(CBandComboBox& box) {
    std::vector<std::wstring> items;
    auto count = box.SendMessage(CB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
      auto length = box.SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(i));
      std::wstring text(static_cast<size_t>(length) + 1, L'\0');
      box.SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(length));
      items.push_back(text);
    }
    return items;
  }

 private:
  HRESULT Deliver(MSG msg) {
    HRESULT result = band_->TranslateAcceleratorIO(&msg);
    if (result != S_OK) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MSG queued;
    while (PeekMessageW(&queued, nullptr, 0, 0, PM_REMOVE)) {
      if (queued.message == WM_CHAR && band_->TranslateAcceleratorIO(&queued) == S_OK) continue;
      TranslateMessage(&queued);
      DispatchMessageW(&queued);
    }
    return result;
  }

  const TempDir& temp_;
  std::wstring dataFolder_;
  HWND window_ = nullptr;
  BrowserWindow browser_;
  CComPtr<BandSite> site_;
  CComPtr<CTesselBand> band_;
};
