// The toolbar window: construction, creation of the window and its controls, the setup menu and
// its two settings switches, key routing, tooltips, the browser's quit and destruction. The
// bookmark commands are in BookmarkCommands.cpp, the setup menu's other commands in
// MenuCommands.cpp.
#include "toolbar/CTesselToolBarCtrl.h"

#include <iterator>

#include "band/BandModule.h"
#include "band/CTesselBand.h"
#include "band/ModuleMessage.h"
#include "events/CIEEvents.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/text/WideText.h"
#include "platform/ui/TextBuffer.h"
#include "resources/ResourceIds.h"
#include "toolbar/ReportedFailure.h"
#include "toolbar/Settings.h"

namespace {

constexpr DWORD kToolbarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TBSTYLE_TRANSPARENT |
                                TBSTYLE_LIST | TBSTYLE_FLAT | TBSTYLE_WRAPABLE | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                                CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_TOP;
static_assert(kToolbarStyle == 0x54019B4D);

constexpr DWORD kBoxStyle = WS_CHILD | WS_VISIBLE | WS_HSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
static_assert(kBoxStyle == 0x50100042);

constexpr int kImageCount = 5;
constexpr int kImageWidth = 16;
constexpr int kImageHeight = 15;
constexpr LONG kBoxWidth = 200;
constexpr LONG kDroppedListHeight = 150;

// The search box is made at 462 and the category box at 662, then each is moved 200 to the
// left, into the space of its separator.
constexpr LONG kSearchBoxMadeAt = 462;
constexpr LONG kSearchBoxLeft = 262;
constexpr LONG kCategoryBoxMadeAt = 662;
constexpr LONG kCategoryBoxLeft = 462;

constexpr int kMaxTipWidth = 32767;
constexpr int kTipInitialDelay = 100;
constexpr int kTipAutoPop = 5000;

struct ButtonDescriptor {
  UINT command;  // 0 for the plain separator
  BYTE style;
  int imageOrWidth;  // the image of a button; the width of a separator (0: the default)
};

// Left to right. The two wide separators keep the place of the boxes that are moved onto them.
constexpr ButtonDescriptor kButtons[] = {
    {ID_BUTTON_ADD, BTNS_BUTTON, 0},
    {ID_BUTTON_CHANGE, BTNS_BUTTON, 1},
    {ID_BUTTON_DELETE, BTNS_BUTTON, 2},
    {ID_BUTTON_OPTIONS, BTNS_BUTTON, 4},
    {0, BTNS_SEP, 0},
    {ID_SEARCH_BOX, BTNS_SEP, kBoxWidth},
    {ID_CATEGORY_BOX, BTNS_SEP, kBoxWidth},
    {ID_BUTTON_SHOW, BTNS_BUTTON, 3},
};

struct MenuEntry {
  UINT flags;  // MF_STRING or MF_SEPARATOR, and the state it is appended with
  UINT command;
  const wchar_t* text;
};

constexpr MenuEntry kSeparator{MF_SEPARATOR, 0, L""};

// The setup menu, top to bottom.
constexpr MenuEntry kSetupMenu[] = {
    {MF_STRING, ID_MENU_ENABLE_FORMS, L"Enable saving form data"},
    {MF_STRING, ID_MENU_DISABLE_FORMS, L"Disable saving form data"},
    kSeparator,
    {MF_STRING, ID_MENU_SEARCH_OR, L"Switch to OR search condition"},
    {MF_STRING, ID_MENU_SEARCH_AND, L"Switch to AND search condition"},
    kSeparator,
    {MF_STRING, ID_MENU_LIST_ALL, L"List all of bookmarks"},
    {MF_STRING, ID_MENU_REPAIR, L"Repair broken and redirected links"},
    kSeparator,
    {MF_STRING | MF_CHECKED, ID_MENU_HISTORY_SWITCH, L"Enable History Log"},
    {MF_STRING, ID_MENU_DISPLAY_HISTORY, L"Display history"},
    {MF_STRING, ID_MENU_CLEAR_HISTORY, L"Clear history"},
    kSeparator,
    {MF_STRING, ID_MENU_IMPORT, L"Import from IE Bookmarks"},
    {MF_STRING, ID_MENU_EXPORT, L"Export to IE Bookmarks"},
    kSeparator,
    {MF_STRING, ID_MENU_DELETE_CATEGORY, L"Delete category"},
    kSeparator,
    {MF_STRING, ID_MENU_HELP, L"Help..."},
    {MF_STRING, ID_MENU_ABOUT, L"About Company..."},
};

constexpr wchar_t kEnableHistoryText[] = L"Enable History Log";
constexpr wchar_t kDisableHistoryText[] = L"Disable History Log";
constexpr wchar_t kOr[] = L"OR";
constexpr wchar_t kAnd[] = L"AND";

struct ButtonTip {
  UINT command;
  const wchar_t* text;  // the part before the tab names the button; the tip is the rest
};

// The Options button's tip is the toolbar's own member.
constexpr ButtonTip kButtonTips[] = {
    {ID_BUTTON_ADD, L"BUTTON1\tAdd the current address to bookmark database.\nPlease select category first."},
    {ID_BUTTON_CHANGE, L"BUTTON3\tChange category or description of the current address."},
    {ID_BUTTON_DELETE, L"BUTTON2\tDelete the current address from bookmark database."},
    {ID_BUTTON_SHOW, L"BUTTON4\tDisplay bookmarks of selected category."},
};

// Adds `text` to the toolbar's string pool; returns its index.
std::intptr_t AddLabel(HWND toolbar, const std::wstring& text) {
  std::wstring pool = text;
  pool.push_back(L'\0');  // the pool's end: the text's NUL and one more
  std::intptr_t index = SendMessageW(toolbar, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(pool.c_str()));
  if (index < 0) throw CCustomException(L"label");
  return index;
}

}  // namespace

CTesselToolBarCtrl::CTesselToolBarCtrl() {
  database_ = MakeCounted<CBookmarkDatabase>(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue));
  eventSink_ = MakeCounted<CIEEvents>(this);
  settingsKeyPath_ = kSettingsKeyPath;
  historyValue_ = kHistoryValue;
  curDirValue_ = kCurDirValue;
  searchConditionValue_ = kSearchConditionValue;
  optionsTip_ = L"BUTTON4\tSetup, help and other helpful menus.";
  dataFolder_ = ReadRegistryString(HKEY_CURRENT_USER, settingsKeyPath_, curDirValue_);
}

CTesselToolBarCtrl::~CTesselToolBarCtrl() {
  // A band closed while the browser goes on never hears the quit; its job ends here all the same.
  repairJob_.Stop();
  // The browser may go on after the band is closed; a sink it still held would outlive this
  // toolbar and call into it.
  if (adviseCookie_ != 0) {
    AfxConnectionUnadvise(adviseSource_.get(), DIID_DWebBrowserEvents2, eventSink_.get(), FALSE, adviseCookie_);
    adviseCookie_ = 0;
  }
  // Destroyed here, so the boxes still hear WM_DESTROY as themselves.
  DestroyWindow();
}

bool CTesselToolBarCtrl::Create(const RECT& rect, HWND parent, CTesselBand* band) {
  if (!CToolBarCtrl::Create(kToolbarStyle, rect, parent, ID_TOOLBAR)) return false;
  SendMessage(TB_SETBITMAPSIZE, 0, MAKELONG(kImageWidth, kImageHeight));
  TBADDBITMAP bitmap{BandInstance(), IDB_TOOLBAR};
  if (SendMessage(TB_ADDBITMAP, kImageCount, reinterpret_cast<LPARAM>(&bitmap)) < 0) return false;
  if (!AddButtons()) return false;
  if (!CreateBox(searchBox_, ID_SEARCH_BOX, kSearchBoxMadeAt, kSearchBoxLeft, rect)) return false;
  if (!CreateBox(categoryBox_, ID_CATEGORY_BOX, kCategoryBoxMadeAt, kCategoryBoxLeft, rect)) return false;
  band_ = band;
  searchBox_.SetBand(band);
  categoryBox_.SetBand(band);
  SetUpToolTips();
  ConnectEventSink();
  RefreshCategoryList();
  BuildSetupMenu();
  ApplySettings();
  return true;
}

bool CTesselToolBarCtrl::AddButtons() {
  TBBUTTON buttons[std::size(kButtons)];
  for (size_t i = 0; i < std::size(kButtons); ++i) {
    const ButtonDescriptor& descriptor = kButtons[i];
    TBBUTTON& button = buttons[i];
    button.idCommand = static_cast<int>(descriptor.command);
    button.fsStyle = descriptor.style;
    button.fsState = TBSTATE_ENABLED;
    button.iBitmap = descriptor.imageOrWidth;
    button.iString = 0;
    if (descriptor.command == 0) continue;
    try {
      auto label = LoadResourceString(BandInstance(), descriptor.command);
      if (!label) throw CCustomException(L"label");
      button.iString = AddLabel(GetSafeHwnd(), *label);
    } catch (...) {
      // The button is still added, without a label.
      button.iString = -1;
      ShowMessage(L"CTesselToolBarCtrl::SetButtonProperty failed");
    }
  }
  return SendMessage(TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons)) != FALSE;
}

bool CTesselToolBarCtrl::CreateBox(CBandComboBox& box, UINT id, LONG madeAt, LONG movedTo, const RECT& rect) {
  RECT made{madeAt, rect.top, madeAt + kBoxWidth, rect.bottom + kDroppedListHeight};
  if (!box.Create(kBoxStyle, made, GetSafeHwnd(), id)) return false;
  ::SetWindowPos(box, nullptr, movedTo, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  ::ShowWindow(box, SW_SHOW);
  return true;
}

void CTesselToolBarCtrl::SetUpToolTips() {
  auto tip = reinterpret_cast<HWND>(SendMessage(TB_GETTOOLTIPS));
  if (!tip) return;
  SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, kTipInitialDelay);
  SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, kTipAutoPop);
  SendMessage(TB_SETTOOLTIPS, reinterpret_cast<WPARAM>(tip));
}

void CTesselToolBarCtrl::ConnectEventSink() {
  IWebBrowser2* browser = Browser();
  // The browser's connection point holds its own reference to the sink.
  if (AfxConnectionAdvise(browser, DIID_DWebBrowserEvents2, eventSink_.get(), FALSE, &adviseCookie_)) {
    adviseSource_ = browser;
    return;
  }
  adviseCookie_ = 0;
  MessageBoxW(nullptr, L"AfxConnectionAdvise failed", L"Warning", MB_OK | MB_ICONWARNING);
}

void CTesselToolBarCtrl::RefreshCategoryList() {
  std::vector<std::wstring> names;
  database_->ListCategories(names);
  LoadCategoryList(names);
  ::SetWindowTextW(categoryBox_, L"");
}

void CTesselToolBarCtrl::LoadCategoryList(const std::vector<std::wstring>& names) {
  categoryBox_.SendMessage(CB_RESETCONTENT);
  for (size_t i = 0; i < names.size(); ++i) {
    COMBOBOXEXITEMW item;
    item.mask = CBEIF_TEXT;
    item.iItem = static_cast<std::intptr_t>(i);
    std::wstring text = names[i];  // the item takes a writable text
    item.pszText = text.data();
    categoryBox_.SendMessage(CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
}

void CTesselToolBarCtrl::BuildSetupMenu() {
  setupMenu_.reset(CreatePopupMenu());
  for (const MenuEntry& entry : kSetupMenu) AppendMenuW(setupMenu_.get(), entry.flags, entry.command, entry.text);
  // Without its bitmaps the entry keeps the standard check mark; nothing to report.
  checkedBitmap_.reset(LoadBitmapW(BandInstance(), IDB_CHECKED));
  uncheckedBitmap_.reset(LoadBitmapW(BandInstance(), IDB_UNCHECKED));
  SetMenuItemBitmaps(setupMenu_.get(), ID_MENU_HISTORY_SWITCH, MF_BYCOMMAND, uncheckedBitmap_.get(),
                     checkedBitmap_.get());
}

void CTesselToolBarCtrl::ApplySettings() {
  // The entry is set to the opposite of the stored state and toggled once, which settles its
  // text and writes the value back normalised to "1" or "0".
  const std::wstring history = ReadRegistryString(HKEY_CURRENT_USER, settingsKeyPath_, historyValue_);
  CheckMenuItem(setupMenu_.get(), ID_MENU_HISTORY_SWITCH, MF_BYCOMMAND | (history == L"1" ? MF_UNCHECKED : MF_CHECKED));
  ToggleHistoryLog();

  // The condition in any case is that condition: a stored "or" searches, checks and is written
  // back as OR.
  searchCondition_ = ReadRegistryString(HKEY_CURRENT_USER, settingsKeyPath_, searchConditionValue_);
  if (EqualsNoCase(searchCondition_, kOr)) searchCondition_ = kOr;
  if (EqualsNoCase(searchCondition_, kAnd)) searchCondition_ = kAnd;
  if (searchCondition_ != kOr && searchCondition_ != kAnd) {
    ShowMessage(L"System menu error");
    return;
  }
  SettleSearchConditionEntries();
  WriteRegistryString(HKEY_CURRENT_USER, settingsKeyPath_, searchConditionValue_, searchCondition_);
}

bool CTesselToolBarCtrl::HistoryLogOn() const {
  UINT state = GetMenuState(setupMenu_.get(), ID_MENU_HISTORY_SWITCH, MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

void CTesselToolBarCtrl::ToggleHistoryLog() {
  HMENU menu = setupMenu_.get();
  // The entry names what choosing it does; its check mark says whether logging is on.
  const bool turnOn = !HistoryLogOn();
  CheckMenuItem(menu, ID_MENU_HISTORY_SWITCH, MF_BYCOMMAND | (turnOn ? MF_CHECKED : MF_UNCHECKED));
  WriteRegistryString(HKEY_CURRENT_USER, settingsKeyPath_, historyValue_, turnOn ? L"1" : L"0");
  ModifyMenuW(menu, ID_MENU_HISTORY_SWITCH, MF_BYCOMMAND | MF_STRING | (turnOn ? MF_CHECKED : MF_UNCHECKED),
              ID_MENU_HISTORY_SWITCH, turnOn ? kDisableHistoryText : kEnableHistoryText);
}

void CTesselToolBarCtrl::SwitchSearchCondition() {
  // Whatever it held, a condition that is not OR becomes OR.
  searchCondition_ = searchCondition_ == kOr ? kAnd : kOr;
  SettleSearchConditionEntries();
  WriteRegistryString(HKEY_CURRENT_USER, settingsKeyPath_, searchConditionValue_, searchCondition_);
}

void CTesselToolBarCtrl::SettleSearchConditionEntries() {
  HMENU menu = setupMenu_.get();
  const bool orOn = searchCondition_ == kOr;
  // The entry of the condition in force is checked and greyed: only the other can be chosen.
  CheckMenuItem(menu, ID_MENU_SEARCH_OR, MF_BYCOMMAND | (orOn ? MF_CHECKED : MF_UNCHECKED));
  EnableMenuItem(menu, ID_MENU_SEARCH_OR, MF_BYCOMMAND | (orOn ? MF_GRAYED : MF_ENABLED));
  CheckMenuItem(menu, ID_MENU_SEARCH_AND, MF_BYCOMMAND | (orOn ? MF_UNCHECKED : MF_CHECKED));
  EnableMenuItem(menu, ID_MENU_SEARCH_AND, MF_BYCOMMAND | (orOn ? MF_ENABLED : MF_GRAYED));
}

HRESULT CTesselToolBarCtrl::TranslateAcceleratorIO(MSG* msg) {
  // A search or rename that Enter runs fails here; the error's own text says why.
  HRESULT result = S_FALSE;
  RunReportingFailure(L"CTesselToolBarCtrl::TranslateAcceleratorIO failed", [&] {
    if (!msg) return;
    HWND focus = ::GetFocus();
    if (searchBox_.Owns(focus)) result = searchBox_.HandleKey(*msg);
    else if (categoryBox_.Owns(focus)) result = categoryBox_.HandleKey(*msg);
  });
  return result;
}

std::wstring CTesselToolBarCtrl::TipText(UINT_PTR id) const {
  std::wstring full;
  if (id == ID_BUTTON_OPTIONS) full = optionsTip_;
  for (const ButtonTip& tip : kButtonTips)
    if (tip.command == id) full = tip.text;
  size_t tab = full.find(L'\t');
  return tab == std::wstring::npos ? std::wstring() : full.substr(tab + 1);
}

void CTesselToolBarCtrl::AnswerTipRequest(NMHDR* header) {
  UINT_PTR id = header->idFrom;
  if (header->code == TTN_GETDISPINFOW) {
    auto* request = reinterpret_cast<NMTTDISPINFOW*>(header);
    if (request->uFlags & TTF_IDISHWND) id = static_cast<UINT_PTR>(::GetDlgCtrlID(reinterpret_cast<HWND>(id)));
    CopyTextToBuffer(TipText(id), request->szText, kToolTipTextBuffer);
  } else {
    auto* request = reinterpret_cast<NMTTDISPINFOA*>(header);
    if (request->uFlags & TTF_IDISHWND) id = static_cast<UINT_PTR>(::GetDlgCtrlID(reinterpret_cast<HWND>(id)));
    CopyTextToNarrowBuffer(TipText(id), request->szText, kToolTipTextBuffer);
  }
  ::SetWindowPos(header->hwndFrom, HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE);
}

LRESULT CTesselToolBarCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header && (header->code == TTN_GETDISPINFOW || header->code == TTN_GETDISPINFOA)) {
        AnswerTipRequest(header);
        return TRUE;
      }
      break;
    }
    case OCM_COMMAND:
      // A button click, sent to the notification window and reflected back here. It arrives from
      // the window system, so its failures end here.
      RunReportingFailure(L"CTesselToolBarCtrl::OnToolbarButton failed", [&] { OnToolbarButton(LOWORD(wParam)); });
      return 0;
    case WM_COMMAND:
      // A chosen menu entry comes without a control; the boxes' notifications go on to be
      // reflected back to them.
      if (lParam == 0) {
        RunReportingFailure(L"CTesselToolBarCtrl::OnMenuCommand failed", [&] { OnMenuCommand(LOWORD(wParam)); });
        return 0;
      }
      break;
    case kRepairEndedMessage: OnRepairEnded(wParam); return 0;
    case kRepairProgressMessage: OnRepairProgress(wParam); return 0;
    case TBM_GETSETUPMENU: return reinterpret_cast<LRESULT>(setupMenu_.get());
    case TBM_ISREPAIRRUNNING: return RepairJobRunning() ? TRUE : FALSE;
    default: break;
  }
  return CToolBarCtrl::WindowProc(message, wParam, lParam);
}

void CTesselToolBarCtrl::PreCreateWindow(CREATESTRUCTW& cs) { cs.style |= TBSTYLE_TOOLTIPS; }

void CTesselToolBarCtrl::OpenSetupMenu() {
  RECT rect;
  ::GetWindowRect(GetSafeHwnd(), &rect);
  SendMessage(TB_PRESSBUTTON, ID_BUTTON_OPTIONS, MAKELONG(TRUE, 0));
  // A choice arrives afterwards as WM_COMMAND from the menu.
  TrackPopupMenu(setupMenu_.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, rect.left + 190, rect.top + 22, 0, GetSafeHwnd(),
                 nullptr);
  SendMessage(TB_PRESSBUTTON, ID_BUTTON_OPTIONS, MAKELONG(FALSE, 0));
}

void CTesselToolBarCtrl::OnIEQuit() {
  try {
    ShutDownIEEventSink();
    StopRepairJob();
  } catch (...) {
    ShowMessage(L"CTesselToolBarCtrl::OnIEQuit failed");
  }
}

void CTesselToolBarCtrl::ShutDownIEEventSink() {
  if (adviseCookie_ == 0) {
    ShowMessage(L"ShutDownIEEventSink failed");
    return;
  }
  AfxConnectionUnadvise(adviseSource_.get(), DIID_DWebBrowserEvents2, eventSink_.get(), FALSE, adviseCookie_);
  adviseCookie_ = 0;
  adviseSource_.reset();
}

void CTesselToolBarCtrl::SetPageTitle(const std::wstring& title) {
  pageTitle_ = title;
  if (searchBox_.GetSafeHwnd()) ::SetWindowTextW(searchBox_, title);
}

IWebBrowser2* CTesselToolBarCtrl::Browser() const { return band_ ? band_->Browser() : nullptr; }
