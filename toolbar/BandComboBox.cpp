#include "toolbar/BandComboBox.h"

#include "band/CTesselBand.h"
#include "platform/ui/MessageLoop.h"
#include "toolbar/CTesselToolBarCtrl.h"
#include "toolbar/ReportedFailure.h"

namespace {

enum class KeyMessages { KeyUp, KeyDownOrUp, Any };

struct KeyRow {
  KeyMessages messages;
  UINT firstKey;
  UINT lastKey;
  KeyRole role;
};

// The key table of both boxes, tried in order; a message that matches no row is Other.
constexpr UINT kLastTypingKey = 95;
constexpr KeyRow kKeyTable[] = {
    {KeyMessages::KeyUp, VK_RETURN, VK_RETURN, KeyRole::Enter},
    {KeyMessages::KeyDownOrUp, VK_BACK, VK_BACK, KeyRole::PassOn},
    {KeyMessages::Any, VK_END, VK_DOWN, KeyRole::PassOn},
    {KeyMessages::Any, VK_DELETE, VK_DELETE, KeyRole::PassOn},
    {KeyMessages::Any, VK_BACK, kLastTypingKey, KeyRole::Typing},
};

bool Matches(KeyMessages messages, UINT message) {
  switch (messages) {
    case KeyMessages::KeyUp: return message == WM_KEYUP;
    case KeyMessages::KeyDownOrUp: return message == WM_KEYDOWN || message == WM_KEYUP;
    case KeyMessages::Any: return true;
  }
  return false;
}

constexpr UINT kSearchToolId = 1000;
constexpr int kDroppedWidth = 200;
constexpr int kMaxTipWidth = 32767;
constexpr int kTipInitialDelay = 100;
constexpr int kTipAutoPop = 5000;
// A picked entry is read with room for 259 characters and the NUL.
constexpr int kPickedTextBuffer = 260;
constexpr wchar_t kSearchTip[] = L"Search string...";

}  // namespace

LRESULT CBandComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      // The inner combo box and edit field are made while WM_CREATE passes through.
      LRESULT result = CComboBoxEx::WindowProc(message, wParam, lParam);
      combo_ = GetComboBoxCtrl();
      edit_ = GetEditCtrl();
      return result;
    }
    case OCM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && header->code == CBEN_BEGINEDIT) {
        if (band_) band_->FocusChange(true);
        return 0;
      }
      break;
    }
    case OCM_COMMAND: OnComboNotification(HIWORD(wParam)); return 0;
    default: break;
  }
  return CComboBoxEx::WindowProc(message, wParam, lParam);
}

KeyRole CBandComboBox::ClassifyKey(const MSG& msg) {
  for (const KeyRow& row : kKeyTable)
    if (Matches(row.messages, msg.message) && msg.wParam >= row.firstKey && msg.wParam <= row.lastKey) return row.role;
  return KeyRole::Other;
}

CTesselToolBarCtrl& CBandComboBox::Toolbar() const { return band_->Toolbar(); }

HRESULT CBandComboBox::PassOn(const MSG& msg) {
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return S_OK;
}

CSearchBox::~CSearchBox() { DestroyWindow(); }

HRESULT CSearchBox::HandleKey(const MSG& msg) {
  switch (ClassifyKey(msg)) {
    case KeyRole::Enter: {
      std::wstring text = GetWindowString(*this);
      // Every Enter adds its words at the top, also words already listed.
      COMBOBOXEXITEMW item;
      item.mask = CBEIF_TEXT;
      item.iItem = 0;
      item.pszText = text.data();
      SendMessage(CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      Toolbar().RunSearch(text);
      return S_OK;
    }
    case KeyRole::PassOn: return PassOn(msg);
    case KeyRole::Typing:
    case KeyRole::Other: return S_FALSE;
  }
  return S_FALSE;
}

LRESULT CSearchBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (toolTip_.GetSafeHwnd()) {
    MSG relayed{GetSafeHwnd(), message, wParam, lParam, 0, {}};
    toolTip_.SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    toolTip_.SendMessage(TTM_ACTIVATE, TRUE);
  }
  switch (message) {
    case WM_CREATE: {
      LRESULT result = CBandComboBox::WindowProc(message, wParam, lParam);
      if (result != -1) CreateToolTip();
      return result;
    }
    case WM_DESTROY: DestroyToolTip(); break;
    default: break;
  }
  return CBandComboBox::WindowProc(message, wParam, lParam);
}

void CSearchBox::OnComboNotification(WORD code) {
  if (code != CBN_CLOSEUP) return;
  LRESULT selection = SendMessage(CB_GETCURSEL);
  if (selection == CB_ERR) return;
  wchar_t text[kPickedTextBuffer] = {};
  COMBOBOXEXITEMW item;
  item.mask = CBEIF_TEXT;
  item.iItem = selection;
  item.pszText = text;
  item.cchTextMax = kPickedTextBuffer;
  SendMessage(CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  // A pick reaches the toolbar from the window system, so its failures end here.
  RunReportingFailure(L"CTesselToolBarCtrl::RunSearch failed", [&] { Toolbar().RunSearch(text); });
}

void CSearchBox::CreateToolTip() {
  if (!toolTip_.Create(GetSafeHwnd())) return;
  SendMessage(CB_SETDROPPEDWIDTH, kDroppedWidth);
  RECT client;
  ::GetClientRect(GetSafeHwnd(), &client);
  for (HWND window : {EditControl(), GetSafeHwnd()}) {
    TOOLINFOW tool;
    tool.hwnd = window;
    tool.uId = kSearchToolId;
    tool.rect = client;
    tool.lpszText = const_cast<wchar_t*>(kSearchTip);
    toolTip_.SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  toolTip_.SendMessage(TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  toolTip_.SendMessage(TTM_SETDELAYTIME, TTDT_INITIAL, kTipInitialDelay);
  toolTip_.SendMessage(TTM_SETDELAYTIME, TTDT_AUTOPOP, kTipAutoPop);
}

void CSearchBox::DestroyToolTip() {
  if (!toolTip_.GetSafeHwnd()) return;
  for (HWND window : {EditControl(), GetSafeHwnd()}) {
    TOOLINFOW tool;
    tool.hwnd = window;
    tool.uId = kSearchToolId;
    toolTip_.SendMessage(TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  toolTip_.DestroyWindow();
}

HRESULT CCategoryBox::HandleKey(const MSG& msg) {
  CTesselToolBarCtrl& toolbar = Toolbar();
  switch (ClassifyKey(msg)) {
    case KeyRole::Enter: toolbar.RenameCategoryFromBox(); return S_OK;
    case KeyRole::PassOn:
      // Backspace and Delete edit the name, so it is taken before the key acts, whether or not
      // the character that Backspace turns into is offered to the band as well.
      if (msg.message == WM_KEYDOWN && (msg.wParam == VK_BACK || msg.wParam == VK_DELETE) &&
          toolbar.RememberedCategory().empty())
        toolbar.RememberCategory(GetWindowString(*this));
      return PassOn(msg);
    case KeyRole::Typing:
      if (toolbar.RememberedCategory().empty()) toolbar.RememberCategory(GetWindowString(*this));
      return S_FALSE;
    case KeyRole::Other: return S_FALSE;
  }
  return S_FALSE;
}
