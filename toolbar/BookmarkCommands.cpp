// The bookmark commands of the toolbar: the five buttons, the search and the rename that the two
// boxes run, and the refresh after every download. They act on the page the band's browser
// shows; without a browser object there is no page, and they do nothing.
#include "band/CTesselBand.h"
#include "band/ModuleMessage.h"
#include "platform/com/ComError.h"
#include "toolbar/CTesselToolBarCtrl.h"
#include "toolbar/ReportedFailure.h"

namespace {

void EnableButton(CTesselToolBarCtrl& toolbar, UINT command, bool enable) {
  toolbar.SendMessage(TB_ENABLEBUTTON, command, MAKELONG(enable ? TRUE : FALSE, 0));
}

}  // namespace

std::wstring CTesselToolBarCtrl::CurrentAddress(IWebBrowser2* browser) {
  std::wstring address;
  ThrowIfFailed(browser->get_LocationURL(&address));
  return address;
}

void CTesselToolBarCtrl::OpenPage(IWebBrowser2* browser, const std::wstring& path) {
  Variant url(path);
  Variant flags;
  Variant targetFrame;
  Variant postData;
  Variant headers;
  ThrowIfFailed(browser->Navigate2(&url, &flags, &targetFrame, &postData, &headers));
}

void CTesselToolBarCtrl::OnToolbarButton(UINT id) {
  // The setup menu needs no page.
  if (id == ID_BUTTON_OPTIONS) {
    OpenSetupMenu();
    return;
  }
  IWebBrowser2* browser = Browser();
  if (!browser) return;
  std::wstring address = CurrentAddress(browser);
  const std::wstring description = GetWindowString(searchBox_);
  const std::wstring category = GetWindowString(categoryBox_);

  switch (id) {
    case ID_BUTTON_ADD:
      address = CurrentAddress(browser);
      if (category.empty()) {
        ShowMessage(L"Please select category or add a new category.");
        return;
      }
      // The store refuses an address it has and says so itself. The list and the buttons wait
      // for the next refresh.
      if (database_->AddBookmark(address, category, description)) ShowMessage(address + L" is successfully added.");
      return;

    case ID_BUTTON_CHANGE: {
      // With no page shown there is nothing to change.
      if (address.empty()) return;
      // As for Add: a category without a name would lead the list and name nothing.
      if (category.empty()) {
        ShowMessage(L"Please select category or add a new category.");
        return;
      }
      StoreOutcome outcome = StoreOutcome::Done;
      if (database_->UpdateBookmark(address, category, description, &outcome)) {
        // The refresh empties the box; the new category is put back.
        RefreshCategoryList();
        ::SetWindowTextW(categoryBox_, category);
      }
      // After a store error or a refusal (the page is not bookmarked) the store's own box has
      // said what happened.
      if (outcome == StoreOutcome::Done) ShowMessage(address + L" is successfully updated.");
      return;
    }

    case ID_BUTTON_DELETE:
      if (address.empty()) return;
      if (MessageBoxW(GetSafeHwnd(), L"Do you want to delete " + address + L"?", L"Delete bookmark",
                      MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
      if (database_->DeleteBookmark(address) == StoreOutcome::Done) ShowMessage(address + L" is successfully deleted.");
      return;

    case ID_BUTTON_SHOW: OpenPage(browser, database_->WriteCategoryPage(GetWindowString(categoryBox_))); return;

    default: return;
  }
}

void CTesselToolBarCtrl::RunSearch(const std::wstring& text) {
  IWebBrowser2* browser = Browser();
  if (!browser) return;
  // A connection of its own for the length of the search.
  auto database = MakeCounted<CBookmarkDatabase>(dataFolder_);
  const std::wstring path = database->WriteSearchPage(text, searchCondition_);
  // Words that hold no word give no page, and the browser stays where it is.
  if (!path.empty()) OpenPage(browser, path);
}

void CTesselToolBarCtrl::RenameCategoryFromBox() {
  {
    auto database = MakeCounted<CBookmarkDatabase>(dataFolder_);
    database->RenameCategory(GetWindowString(categoryBox_), rememberedCategory_);
  }
  RefreshCategoryList();
  rememberedCategory_.clear();
}

void CTesselToolBarCtrl::UpdateScreen() {
  RunReportingFailure(L"CTesselToolBarCtrl::UpdateScreen failed", [this] {
    IWebBrowser2* browser = Browser();
    if (!browser) return;
    const std::wstring address = CurrentAddress(browser);
    std::wstring category;
    std::wstring description;
    database_->FindBookmark(address, category, description);
    if (HistoryLogOn()) database_->AddHistoryEntry(address, pageTitle_);
    bookmarked_ = category.empty() ? 0 : 1;
    ::SetWindowTextW(categoryBox_, category);
    if (!searchBox_.GetSafeHwnd()) return;
    ::SetWindowTextW(searchBox_, bookmarked_ ? description : pageTitle_);
    EnableButton(*this, ID_BUTTON_CHANGE, bookmarked_ != 0);
    EnableButton(*this, ID_BUTTON_DELETE, bookmarked_ != 0);
  });
}
