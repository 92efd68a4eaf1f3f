// The setup menu's commands, one handler per entry, found by command id in one table. They run
// on the user-interface thread; import and export run to their end inside the command and show
// their progress in the browser's status bar. What the operations they call do not handle
// themselves reaches the window's command routing, which reports it. The commands that show or
// read the browser's page do nothing while the band has no browser object.
#include <string>
#include <vector>

#include "band/ModuleMessage.h"
#include "links/CFavoritesStatusExchange.h"
#include "platform/com/ComError.h"
#include "toolbar/CBookmarkStatusDatabase.h"
#include "toolbar/CTesselToolBarCtrl.h"

namespace {

constexpr wchar_t kRepairQuestion[] = L"Repairing bookmarks will start in the background.\n            Do you want to proceed?";
constexpr wchar_t kRepairCaption[] = L"Repair bookmarks";
// The repair job's status texts: the address it is at, and what it did once it has ended.
std::wstring RepairProgressText(const RepairTally& tally) {
  return L"Checking link " + std::to_wstring(tally.current) + L" of " + std::to_wstring(tally.total) + L"...";
}
std::wstring RepairSummaryText(const RepairTally& tally) {
  return L"Repair finished: " + std::to_wstring(tally.moved) + L" moved, " + std::to_wstring(tally.unreachable) +
         L" could not be reached, " + std::to_wstring(tally.unchanged) + L" unchanged.";
}
constexpr wchar_t kClearHistoryQuestion[] = L"Do you want to clear history?";
constexpr wchar_t kClearHistoryCaption[] = L"Clear history";
constexpr wchar_t kDeleteCategoryCaption[] = L"Delete Category";
constexpr wchar_t kNoCategoryToDelete[] = L"Please select category to delete.";

constexpr wchar_t kImportStarts[] = L"Importing bookmarks... Please wait.";
constexpr wchar_t kImportEnds[] = L"Successfully imported from IE bookmarks";
constexpr wchar_t kExportStarts[] = L"Exporting bookmarks... Please wait.";
constexpr wchar_t kExportEnds[] = L"Successfully exported to IE bookmarks";

constexpr wchar_t kHelpPage[] = L"/help/help.html";
constexpr wchar_t kAboutPage[] = L"/help/about.html";

bool Confirmed(HWND owner, std::wstring_view question, std::wstring_view caption) {
  return MessageBoxW(owner, question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ShowStatus(IWebBrowser2* browser, const std::wstring& text) {
  browser->put_StatusText(text);  // a status bar that refuses the text costs the command nothing
}

}  // namespace

void CTesselToolBarCtrl::OnMenuCommand(UINT id) {
  struct Command {
    UINT id;
    void (CTesselToolBarCtrl::*handler)();
  };
  static constexpr Command kCommands[] = {
      {ID_MENU_ENABLE_FORMS, &CTesselToolBarCtrl::EnableSavingFormData},
      {ID_MENU_DISABLE_FORMS, &CTesselToolBarCtrl::DisableSavingFormData},
      // One handler for both: the entry of the condition in force is greyed.
      {ID_MENU_SEARCH_OR, &CTesselToolBarCtrl::SwitchSearchCondition},
      {ID_MENU_SEARCH_AND, &CTesselToolBarCtrl::SwitchSearchCondition},
      {ID_MENU_LIST_ALL, &CTesselToolBarCtrl::ListAllBookmarks},
      {ID_MENU_REPAIR, &CTesselToolBarCtrl::RepairLinks},
      {ID_MENU_HISTORY_SWITCH, &CTesselToolBarCtrl::ToggleHistoryLog},
      {ID_MENU_DISPLAY_HISTORY, &CTesselToolBarCtrl::DisplayHistory},
      {ID_MENU_CLEAR_HISTORY, &CTesselToolBarCtrl::ClearHistory},
      {ID_MENU_IMPORT, &CTesselToolBarCtrl::ImportFavorites},
      {ID_MENU_EXPORT, &CTesselToolBarCtrl::ExportFavorites},
      {ID_MENU_DELETE_CATEGORY, &CTesselToolBarCtrl::DeleteCategory},
      {ID_MENU_HELP, &CTesselToolBarCtrl::OpenHelp},
      {ID_MENU_ABOUT, &CTesselToolBarCtrl::OpenAbout},
  };
  for (const Command& command : kCommands) {
    if (command.id != id) continue;
    (this->*command.handler)();
    return;
  }
}

void CTesselToolBarCtrl::EnableSavingFormData() {
  if (IWebBrowser2* browser = Browser()) database_->ActivateFormsOfUrl(CurrentAddress(browser));
}

void CTesselToolBarCtrl::DisableSavingFormData() {
  if (IWebBrowser2* browser = Browser()) database_->DeactivateFormsOfUrl(CurrentAddress(browser));
}

void CTesselToolBarCtrl::ListAllBookmarks() {
  if (IWebBrowser2* browser = Browser()) OpenPage(browser, database_->WriteAllBookmarksPage());
}

void CTesselToolBarCtrl::DisplayHistory() {
  if (IWebBrowser2* browser = Browser()) OpenPage(browser, database_->WriteHistoryPage());
}

void CTesselToolBarCtrl::ClearHistory() {
  if (Confirmed(GetSafeHwnd(), kClearHistoryQuestion, kClearHistoryCaption)) database_->ClearHistory();
}

void CTesselToolBarCtrl::RepairLinks() {
  if (!Confirmed(GetSafeHwnd(), kRepairQuestion, kRepairCaption)) return;
  // Greyed until the job's end is handled here; while it is, no second job can be asked for.
  EnableMenuItem(setupMenu_.get(), ID_MENU_REPAIR, MF_BYCOMMAND | MF_GRAYED);
  repairJob_.Start(dataFolder_, GetSafeHwnd(), kRepairEndedMessage, kRepairProgressMessage);
}

void CTesselToolBarCtrl::OnRepairProgress(WPARAM job) {
  // A message of a job stopped or ended since, still in the queue, is old news.
  if (!repairJob_.IsCurrent(job)) return;
  if (IWebBrowser2* browser = Browser()) ShowStatus(browser, RepairProgressText(repairJob_.Tally()));
}

void CTesselToolBarCtrl::OnRepairEnded(WPARAM job) {
  // The end of a job stopped since says nothing about the job now running, if any.
  if (!repairJob_.Release(job)) return;
  EnableMenuItem(setupMenu_.get(), ID_MENU_REPAIR, MF_BYCOMMAND | MF_ENABLED);
  // The worker has been joined: the tally is final. A job that could not open the store has
  // said so in a box, and did nothing to sum up.
  if (!repairJob_.Tally().listed) return;
  if (IWebBrowser2* browser = Browser()) ShowStatus(browser, RepairSummaryText(repairJob_.Tally()));
}

void CTesselToolBarCtrl::StopRepairJob() {
  if (!repairJob_.Running()) return;
  repairJob_.Stop();
  EnableMenuItem(setupMenu_.get(), ID_MENU_REPAIR, MF_BYCOMMAND | MF_ENABLED);
}

void CTesselToolBarCtrl::ImportFavorites() {
  IWebBrowser2* browser = Browser();
  if (!browser) return;
  ShowStatus(browser, kImportStarts);
  // Objects of the command's own, with a connection of their own, that report in the status bar.
  auto store = MakeCounted<CBookmarkStatusDatabase>(browser, dataFolder_);
  auto exchange = MakeCounted<CFavoritesStatusExchange>(browser);
  CBookmarkRecordList records;
  exchange->CollectFavorites(records);
  // When nothing could be stored the store has said so; the import did not succeed.
  const bool stored = store->AddBookmarks(records) == StoreOutcome::Done;
  std::vector<std::wstring> names;
  store->ListCategories(names);
  const std::wstring boxText = GetWindowString(categoryBox_);
  LoadCategoryList(names);
  ::SetWindowTextW(categoryBox_, boxText);
  if (stored) ShowStatus(browser, kImportEnds);
}

void CTesselToolBarCtrl::ExportFavorites() {
  IWebBrowser2* browser = Browser();
  if (!browser) return;
  ShowStatus(browser, kExportStarts);
  auto store = MakeCounted<CBookmarkStatusDatabase>(browser, dataFolder_);
  auto exchange = MakeCounted<CFavoritesStatusExchange>(browser);
  CBookmarkRecordList records;
  store->LoadAllBookmarks(records);
  const size_t skipped = exchange->ExportFavorites(records);
  if (skipped == 0) {
    ShowStatus(browser, kExportEnds);
    return;
  }
  // Not a success: say how many bookmarks have no shortcut.
  ShowStatus(browser, L"Exported to IE bookmarks; " + std::to_wstring(skipped) +
                          (skipped == 1 ? L" bookmark could not be written." : L" bookmarks could not be written."));
}

void CTesselToolBarCtrl::DeleteCategory() {
  const std::wstring category = GetWindowString(categoryBox_);
  if (category.empty()) {
    ShowMessage(kNoCategoryToDelete);
    return;
  }
  const std::wstring question =
      L"This category \"" + category + L"\" and\nall bookmarks under this category will be erased.\n\tAre you sure?";
  if (!Confirmed(GetSafeHwnd(), question, kDeleteCategoryCaption)) return;
  database_->DeleteCategory(category);
  RefreshCategoryList();
}

void CTesselToolBarCtrl::OpenHelp() { OpenDataFolderPage(kHelpPage); }

void CTesselToolBarCtrl::OpenAbout() { OpenDataFolderPage(kAboutPage); }

void CTesselToolBarCtrl::OpenDataFolderPage(std::wstring_view relativePath) {
  // Opened whether or not the page is there: the browser has its own page for a missing file.
  if (IWebBrowser2* browser = Browser()) OpenPage(browser, database_->GetDataFolder() + std::wstring(relativePath));
}
