#include "host/core/HostWindow.h"

#include <algorithm>
#include <thread>

#include "host/core/BandCreation.h"
#include "host/core/KeyStrokes.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ComError.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/text/LineEscaping.h"
#include "platform/text/WideText.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Edit.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/Toolbar.h"

namespace {

// The frame's size: wide enough for the toolbar's buttons and both boxes.
constexpr RECT kFrameRect{0, 0, 1024, 768};
// The most messages one run of the loop dispatches; a window still busy after them has a
// handler that keeps making work for itself, and the command fails instead of hanging.
constexpr int kMaxMessagesPerRun = 1'000'000;

constexpr WPARAM MK_LBUTTON = 0x0001;

// How often a wait for the repair job looks at the window's queue.
constexpr std::chrono::milliseconds kRepairPoll{5};
// How long a busy browser works before the window's queue is looked at again.
constexpr std::chrono::milliseconds kBrowserSlice{10};

// The button of a box of `buttons` kind that an answer presses.
int ButtonFor(UINT buttons, Answer answer) {
  switch (buttons) {
    case MB_OK: return IDOK;
    case MB_OKCANCEL: return answer == Answer::Yes ? IDOK : IDCANCEL;
    default: return answer == Answer::Yes ? IDYES : IDNO;
  }
}

}  // namespace

HostCommandError::HostCommandError(std::wstring why) : std::runtime_error(ToUtf8(why)), why_(std::move(why)) {}

HostWindow::HostWindow(LineOutput output, QuestionAsker ask, BrowserMaker makeBrowser)
    : output_(std::move(output)), ask_(std::move(ask)) {
  previousBoxHandler_ = SetMessageBoxHandler([this](const MessageBoxRequest& box) { return OnMessageBox(box); });
  previousMenuHandler_ = SetPopupMenuHandler([this](const PopupMenuRequest& menu) { return OnPopupMenu(menu); });
  frame_.CreateEx(0, WC_WINDOW, L"", WS_OVERLAPPED | WS_VISIBLE | WS_CLIPCHILDREN, kFrameRect, nullptr, 0);
  browser_ = makeBrowser(frame_.GetSafeHwnd());

  // An event goes to the view's function when the host set one, else it is printed as its line.
  auto shownOrPrinted = [this](std::function<void(const std::wstring&)> EventView::*shown,
                               std::wstring (*line)(std::wstring_view)) {
    return [this, shown, line](const std::wstring& text) {
      std::lock_guard lock(mutex_);
      if (view_.*shown)
        (view_.*shown)(text);
      else if (output_)
        output_(line(text));
    };
  };
  HostEventSink::Listener listener;
  listener.navigationStarted = shownOrPrinted(&EventView::navigate, &NavigateLine);
  listener.statusChanged = shownOrPrinted(&EventView::status, &StatusLine);
  listener.titleChanged = [this](const std::wstring& title) { SetWindowTextW(frame_.GetSafeHwnd(), title); };
  sink_ = MakeCounted<HostEventSink>(browser_->Browser(), std::move(listener));
  AfxConnectionAdvise(browser_->Browser(), DIID_DWebBrowserEvents2, sink_.get(), FALSE, &sinkCookie_);

  DockBand();
  RunLoop();
}

HostWindow::~HostWindow() {
  if (!browser_->HasQuit()) browser_->Quit();
  Undock();
  if (sinkCookie_) AfxConnectionUnadvise(browser_->Browser(), DIID_DWebBrowserEvents2, sink_.get(), FALSE, sinkCookie_);
  browser_.reset();
  frame_.DestroyWindow();
  SetPopupMenuHandler(std::move(previousMenuHandler_));
  SetMessageBoxHandler(std::move(previousBoxHandler_));
}

void HostWindow::DockBand() {
  try {
    CreatedBand created = CreateBand();
    bandLibrary_.emplace(std::move(created.library));
    band_ = std::move(created.band);
  } catch (const BandCreationError& e) {
    Print(L"no toolbar: " + EscapeLine(e.Why()));
    return;
  }
  deskBand_ = band_.QueryInterface<IDeskBand>(IID_IDeskBand);
  bandInput_ = band_.QueryInterface<IInputObject>(IID_IInputObject);
  if (!deskBand_ || !bandInput_) {
    Print(L"no toolbar: the band does not answer to IDeskBand and IInputObject");
    Undock();
    return;
  }
  site_ = MakeCounted<BandSite>(frame_.GetSafeHwnd(), CComPtr<IWebBrowser2>(browser_->Browser()));
  HRESULT hr = band_->SetSite(static_cast<IInputObjectSite*>(site_.get()));
  if (FAILED(hr)) {
    Print(L"no toolbar: the band could not be docked (" + ResultCodeText(hr) + L")");
    site_.reset();  // not sited, so nothing to undock from
    Undock();
    return;
  }
  deskBand_->ShowDW(TRUE);
}

void HostWindow::Undock() {
  if (band_ && site_) {
    deskBand_->CloseDW(0);
    band_->SetSite(nullptr);
  }
  bandInput_.reset();
  deskBand_.reset();
  band_.reset();
  site_.reset();
  bandLibrary_.reset();
}

void HostWindow::Print(const std::wstring& line) {
  std::lock_guard lock(mutex_);
  if (output_) output_(line);
}

void HostWindow::SetEventView(EventView view) {
  std::lock_guard lock(mutex_);
  view_ = std::move(view);
}

int HostWindow::OnMessageBox(const MessageBoxRequest& box) {
  Answer answer = Answer::No;
  if (box.Buttons() != MB_OK) {
    std::optional<Answer> queued;
    {
      std::lock_guard lock(mutex_);
      if (!answers_.empty()) {
        queued = answers_.front();
        answers_.pop_front();
      }
    }
    if (queued)
      answer = *queued;
    else if (ask_)
      answer = ask_(box);
  }
  {
    std::lock_guard lock(mutex_);
    if (view_.box)
      view_.box(box, answer);
    else if (output_)
      output_(MessageBoxLine(box, answer));
  }
  if (box.Buttons() == MB_OK && presenter_.showBox) presenter_.showBox(box);
  return ButtonFor(box.Buttons(), answer);
}

UINT HostWindow::OnPopupMenu(const PopupMenuRequest& menu) {
  // A menu that no command of the host opened is the person's to choose from, or dismissed.
  if (!menuChoice_ || menuChoice_->opened) return presenter_.chooseFromMenu ? presenter_.chooseFromMenu(menu) : 0;
  menuChoice_->opened = true;
  const std::wstring& entry = menuChoice_->entry;
  for (const MenuItemView& item : menu.items) {
    if (item.IsSeparator() || (item.text != entry && std::to_wstring(item.id) != entry)) continue;
    if (item.IsEnabled()) return item.id;
    menuChoice_->problem = L"the menu entry \"" + item.text + L"\" is greyed";
    return 0;
  }
  menuChoice_->problem = L"the Options menu has no entry \"" + entry + L"\"";
  return 0;
}

HostWindow::QueueEnd HostWindow::DispatchQueue() {
  MSG msg;
  for (int dispatched = 0; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++dispatched) {
    if (dispatched == kMaxMessagesPerRun)
      throw HostCommandError(L"the window is still busy after " + std::to_wstring(kMaxMessagesPerRun) + L" messages");
    if (msg.message == WM_QUIT) return QueueEnd::Quit;  // nothing here ends the loop for good: the host decides
    bool key = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP;
    if (key && bandInput_ && bandInput_->TranslateAcceleratorIO(&msg) == S_OK) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return QueueEnd::Empty;
}

void HostWindow::RunLoop() {
  ++looping_;
  struct Unwind {
    int& looping;
    ~Unwind() { --looping; }
  } unwind{looping_};
  const auto deadline = std::chrono::steady_clock::now() + kLoadWait;
  for (;;) {
    if (DispatchQueue() == QueueEnd::Quit || !browser_->Busy()) return;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      throw HostCommandError(L"the page has not loaded after " + std::to_wstring(kLoadWait.count()) + L" s");
    browser_->WaitForWork(std::min(left, kBrowserSlice));
  }
}

void HostWindow::DispatchQueued() {
  if (looping_ == 0) DispatchQueue();
}

void HostWindow::Post(const std::vector<MSG>& messages) {
  for (const MSG& msg : messages) PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

HWND HostWindow::Toolbar() const {
  HWND toolbar = nullptr;
  if (deskBand_ && SUCCEEDED(deskBand_->GetWindow(&toolbar)) && IsWindow(toolbar)) return toolbar;
  return nullptr;
}

HWND HostWindow::RequireToolbar() const {
  HWND toolbar = Toolbar();
  if (!toolbar) throw HostCommandError(L"the window has no toolbar");
  return toolbar;
}

HWND HostWindow::BoxWindow(UINT boxId) const {
  HWND box = GetDlgItem(RequireToolbar(), static_cast<int>(boxId));
  if (!box) throw HostCommandError(L"the toolbar has no box " + std::to_wstring(boxId));
  return box;
}

HWND HostWindow::EditField(UINT boxId) const {
  HWND edit = reinterpret_cast<HWND>(SendMessageW(BoxWindow(boxId), CBEM_GETEDITCONTROL, 0, 0));
  if (!edit) throw HostCommandError(L"the box " + std::to_wstring(boxId) + L" has no edit field");
  return edit;
}

void HostWindow::Navigate(std::wstring_view address) {
  if (browser_->Navigate(address) != ActionResult::Done) throw HostCommandError(L"the window has closed");
  RunLoop();
}

void HostWindow::Type(UINT boxId, std::wstring_view text) {
  HWND edit = EditField(boxId);
  SetFocus(edit);
  LRESULT end = GetWindowTextLengthW(edit);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
  RunLoop();
  for (wchar_t character : text) {
    // Each key reaches whatever has the focus when it is pressed, after the one before was handled.
    HWND target = GetFocus();
    Post(KeyStrokesForCharacter(target ? target : frame_.GetSafeHwnd(), character));
    RunLoop();
  }
}

void HostWindow::PressKey(UINT boxId, UINT virtualKey) {
  HWND edit = EditField(boxId);
  if (GetFocus() != edit) SetFocus(edit);
  Post(KeyStrokesForKey(edit, virtualKey));
  RunLoop();
}

void HostWindow::Clear(UINT boxId) {
  HWND edit = EditField(boxId);
  if (GetFocus() != edit) SetFocus(edit);
  for (const std::vector<MSG>& strokes :
       {KeyStrokesForKey(edit, VK_HOME), KeyStrokesForShiftedKey(edit, VK_END), KeyStrokesForKey(edit, VK_DELETE)}) {
    Post(strokes);
    RunLoop();
  }
}

void HostWindow::Pick(UINT boxId, int index) {
  if (!PickComboListItem(BoxWindow(boxId), index))
    throw HostCommandError(L"the list has no entry " + std::to_wstring(index));
  RunLoop();
}

void HostWindow::Click(UINT buttonId) {
  HWND toolbar = RequireToolbar();
  RECT rect;
  if (!SendMessageW(toolbar, TB_GETRECT, buttonId, reinterpret_cast<LPARAM>(&rect)))
    throw HostCommandError(L"the toolbar has no button " + std::to_wstring(buttonId));
  POINT center{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  PostMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(center));
  PostMessageW(toolbar, WM_LBUTTONUP, 0, PointToLParam(center));
  RunLoop();
}

void HostWindow::ChooseMenuEntry(std::wstring_view entry) {
  RequireToolbar();
  menuChoice_ = MenuChoice{std::wstring(entry), false, {}};
  try {
    Click(ID_BUTTON_OPTIONS);
  } catch (...) {
    menuChoice_.reset();
    throw;
  }
  MenuChoice choice = std::move(*menuChoice_);
  menuChoice_.reset();
  if (!choice.opened) throw HostCommandError(L"the Options menu did not open");
  if (!choice.problem.empty()) throw HostCommandError(choice.problem);
}

void HostWindow::QueueAnswer(Answer answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back(answer);
}

void HostWindow::Fill(std::wstring_view field, std::wstring_view value) {
  if (browser_->TypeText(field, value) != ActionResult::Done)
    throw HostCommandError(L"the page has no text field \"" + std::wstring(field) + L"\"");
  RunLoop();
}

void HostWindow::Submit(size_t form) {
  switch (browser_->SubmitFormNumber(form + 1)) {
    case ActionResult::Done: break;
    case ActionResult::NotFound: throw HostCommandError(L"the page has no form " + std::to_wstring(form));
    case ActionResult::Refused: throw HostCommandError(L"the browser would not send form " + std::to_wstring(form));
  }
  RunLoop();
}

void HostWindow::Follow(std::wstring_view text) {
  std::vector<std::wstring> links = browser_->LinkTexts();
  for (size_t i = 0; i < links.size(); ++i) {
    if (links[i] != text) continue;
    if (browser_->FollowLink(i + 1) != ActionResult::Done)
      throw HostCommandError(L"the browser would not follow the link \"" + std::wstring(text) + L"\"");
    RunLoop();
    return;
  }
  throw HostCommandError(L"the page has no link \"" + std::wstring(text) + L"\"");
}

void HostWindow::WaitForRepair() {
  const auto deadline = std::chrono::steady_clock::now() + kRepairWait;
  for (;;) {
    // The job's worker posts its end to the toolbar, which releases the job when the loop hands
    // the message over.
    RunLoop();
    HWND toolbar = Toolbar();
    if (!toolbar || !SendMessageW(toolbar, TBM_ISREPAIRRUNNING, 0, 0)) return;
    if (std::chrono::steady_clock::now() >= deadline)
      throw HostCommandError(L"the repair job has not ended after " + std::to_wstring(kRepairWait.count()) + L" s");
    std::this_thread::sleep_for(kRepairPoll);
  }
}

void HostWindow::Quit() {
  browser_->Quit();
  RunLoop();
}

std::vector<std::wstring> HostWindow::StateLines() const {
  std::wstring location;
  browser_->Browser()->get_LocationURL(&location);
  std::vector<std::wstring> lines{L"location: " + EscapeLine(location),
                                  L"title: " + EscapeLine(GetWindowString(frame_.GetSafeHwnd()))};
  if (HWND toolbar = Toolbar()) {
    auto setupMenu = reinterpret_cast<HMENU>(SendMessageW(toolbar, TBM_GETSETUPMENU, 0, 0));
    std::vector<std::wstring> toolbarLines = DescribeToolbar(toolbar, setupMenu);
    lines.insert(lines.end(), toolbarLines.begin(), toolbarLines.end());
  }
  return lines;
}

std::vector<std::wstring> HostWindow::PageLines() const { return browser_->PageLines(); }

std::wstring HostWindow::StatusText() const {
  std::wstring text;
  browser_->Browser()->get_StatusText(&text);
  return text;
}
