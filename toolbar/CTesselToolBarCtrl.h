// The toolbar window: five buttons, the search box and the category box, the setup menu, and the
// state of the band's working life (the store, the event sink, the settings, the repair job).
// Built with the band (constructor), made visible when the band is sited (Create), and
// destroyed with the band. Everything runs on the browser window's user-interface thread.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "links/RepairJob.h"
#include "platform/browser/WebBrowser.h"
#include "platform/com/ComPtr.h"
#include "platform/ui/CommonControls.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Resources.h"
#include "store/CBookmarkDatabase.h"
#include "toolbar/BandComboBox.h"
#include "published/ToolbarIds.h"

class CTesselBand;
class CIEEvents;

class CTesselToolBarCtrl : public CToolBarCtrl {
 public:
  // Reads CurDir, opens the store on it and creates the event sink. A CurDir that cannot be read
  // raises CCustomException (the band is then not made); a store that cannot be opened is
  // reported by the store and the toolbar is built anyway.
  CTesselToolBarCtrl();
  // Stops and joins a repair job that is still running, disconnects the event sink if it is
  // still connected, then lets go of the store and the sink.
  ~CTesselToolBarCtrl() override;

  // Makes the window and its controls, connects the event sink to the band's browser, fills the
  // category box, builds the setup menu and applies the settings. False when a window could not
  // be made; a setting that cannot be read raises CCustomException (the band reports it).
  bool Create(const RECT& rect, HWND parent, CTesselBand* band);

  // A key message from the browser: routed to the box with the focus. S_OK when used.
  HRESULT TranslateAcceleratorIO(MSG* msg);

  // Bookmark commands.
  void OnToolbarButton(UINT id);
  void RunSearch(const std::wstring& text);
  void RenameCategoryFromBox();
  // The refresh after every download: boxes and buttons for the current address, and the
  // history row while the log is on.
  void UpdateScreen();
  // A setup-menu entry chosen (MenuCommands.cpp). An id that is no entry's does nothing.
  void OnMenuCommand(UINT id);

  // The browser has quit: disconnects the sink, then stops a running repair job and waits for
  // it, which takes a moment even while the job waits on a server (the request is aborted).
  void OnIEQuit();
  void ShutDownIEEventSink();
  // Reloads the category box from the store and empties its text.
  void RefreshCategoryList();

  // The page title, as the event sink hands it over: kept, and shown in the search box.
  void SetPageTitle(const std::wstring& title);
  const std::wstring& PageTitle() const { return pageTitle_; }
  const std::wstring& RememberedCategory() const { return rememberedCategory_; }
  void RememberCategory(const std::wstring& name) { rememberedCategory_ = name; }
  CSearchBox& SearchBox() { return searchBox_; }
  CCategoryBox& CategoryBox() { return categoryBox_; }
  HMENU SetupMenu() const { return setupMenu_.get(); }
  const std::wstring& SearchCondition() const { return searchCondition_; }
  const std::wstring& DataFolder() const { return dataFolder_; }
  const CComPtr<CBookmarkDatabase>& Database() const { return database_; }
  // Whether the history-log entry carries its check mark: the live state of the log.
  bool HistoryLogOn() const;
  // Whether a repair job runs: from its start until this thread has handled the message the
  // worker posts at its end (or the job was stopped).
  bool RepairJobRunning() const { return repairJob_.Running(); }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  // Adds TBSTYLE_TOOLTIPS to the style.
  void PreCreateWindow(CREATESTRUCTW& cs) override;

 private:
  // Creation steps.
  bool AddButtons();
  bool CreateBox(CBandComboBox& box, UINT id, LONG madeAt, LONG movedTo, const RECT& rect);
  void SetUpToolTips();
  void ConnectEventSink();
  void BuildSetupMenu();
  void ApplySettings();
  // The two settings switches of the setup menu.
  void ToggleHistoryLog();
  void SwitchSearchCondition();
  void SettleSearchConditionEntries();
  // The other commands of the setup menu (MenuCommands.cpp).
  void EnableSavingFormData();
  void DisableSavingFormData();
  void ListAllBookmarks();
  void RepairLinks();
  void DisplayHistory();
  void ClearHistory();
  void ImportFavorites();
  void ExportFavorites();
  void DeleteCategory();
  void OpenHelp();
  void OpenAbout();
  // Opens the data folder's page `relativePath` in the browser.
  void OpenDataFolderPage(std::wstring_view relativePath);
  // The repair job's progress, as its worker posted it: shown in the browser's status bar.
  void OnRepairProgress(WPARAM job);
  // The repair job's end, as its worker posted it: the job is released, Repair enabled, and
  // what the job did shown in the status bar.
  void OnRepairEnded(WPARAM job);
  void StopRepairJob();
  // Replaces the category box's list with `names`; the box's text goes with the old list.
  void LoadCategoryList(const std::vector<std::wstring>& names);
  // The tip text of a button, answered to the tooltip's request.
  std::wstring TipText(UINT_PTR id) const;
  void AnswerTipRequest(NMHDR* header);
  void OpenSetupMenu();
  // The band's browser object, or null while the band has none.
  IWebBrowser2* Browser() const;
  // Opens `path` in `browser`; a failed navigation raises a ComError.
  static void OpenPage(IWebBrowser2* browser, const std::wstring& path);
  // The address `browser` shows; a failed read raises a ComError.
  static std::wstring CurrentAddress(IWebBrowser2* browser);

  // What a repair job's worker posts to this window when it ends; wParam is the job's number.
  static constexpr UINT kRepairEndedMessage = WM_APP + 1;
  // What it posts now and then while it runs; wParam is the job's number.
  static constexpr UINT kRepairProgressMessage = WM_APP + 2;

  std::wstring pageTitle_;
  CTesselBand* band_ = nullptr;
  CSearchBox searchBox_;
  CCategoryBox categoryBox_;
  // The repair job and its stop flag.
  RepairJob repairJob_;
  MenuHandle setupMenu_;
  std::wstring searchCondition_;
  std::wstring rememberedCategory_;
  std::wstring dataFolder_;
  CComPtr<CBookmarkDatabase> database_;
  BitmapHandle checkedBitmap_;
  BitmapHandle uncheckedBitmap_;
  int bookmarked_ = 0;
  CComPtr<CIEEvents> eventSink_;
  DWORD adviseCookie_ = 0;
  // The browser the sink is connected to, so that it is disconnected there even if the band
  // was given another site since.
  CComPtr<IWebBrowser2> adviseSource_;
  std::wstring settingsKeyPath_;
  std::wstring historyValue_;
  std::wstring curDirValue_;
  std::wstring searchConditionValue_;
  std::wstring optionsTip_;
};
