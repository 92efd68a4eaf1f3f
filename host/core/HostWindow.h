// A browser window with the toolbar docked in it, as every host has it, whatever draws it: a
// top-level window (the frame) holding a browser (HostBrowser, which the host brings) and the
// band, sited through a BandSite and shown. The host window routes
// each key message through the band before the browser's own handling, answers message boxes
// and popup menus, prints what happens as lines (see HostLines) or hands it to a host's own
// view of it (EventView), and carries out the commands a person or a script gives.
//
// Used on one thread, the window's user-interface thread, which runs its message loop (RunLoop)
// between commands. It installs the process's message-box and popup-menu handlers while it
// lives, so one host window lives at a time.
#pragma once
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/BandSite.h"
#include "host/core/InprocServer.h"
#include "host/core/HostEventSink.h"
#include "host/core/HostLines.h"
#include "host/core/HostBrowser.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Wnd.h"
#include "published/ToolbarIds.h"

// A command that could not be carried out, with the reason a person reads after "error: ".
class HostCommandError : public std::runtime_error {
 public:
  explicit HostCommandError(std::wstring why);
  const std::wstring& Why() const { return why_; }

 private:
  std::wstring why_;
};

class HostWindow {
 public:
  static constexpr std::chrono::seconds kRepairWait{60};
  // The longest a command waits for a browser that is busy (a page that never finishes loading).
  static constexpr std::chrono::seconds kLoadWait{30};

  using LineOutput = std::function<void(const std::wstring& line)>;
  // Asks the person at the host for the answer to a question box.
  using QuestionAsker = std::function<Answer(const MessageBoxRequest& box)>;
  // Makes the window's browser on the calling thread, inside the frame window `frame`.
  using BrowserMaker = std::function<std::unique_ptr<HostBrowser>(HWND frame)>;

  // Opens the window on the calling thread with no page shown, creates the band as the browser
  // does (see BandCreation) and docks it. A band that cannot be made or sited leaves the window
  // without a toolbar, which is said once as "no toolbar: WHY". Every line goes to `output`.
  // Questions are answered from the queue of answers, else by `ask`, else No. The browser is
  // the one `makeBrowser` makes: each host brings its own.
  HostWindow(LineOutput output, QuestionAsker ask, BrowserMaker makeBrowser);
  // Closes the window if it is still open (the toolbar hears the browser quit), then undocks
  // the band (CloseDW, SetSite with no site) and lets go of it.
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  // How a host that draws its window shows boxes and menus to the person at it. Unset, an OK
  // box is only printed and a menu that no command opened is dismissed.
  struct Presenter {
    std::function<void(const MessageBoxRequest& box)> showBox;         // an OK box, after its line
    std::function<UINT(const PopupMenuRequest& menu)> chooseFromMenu;  // the id chosen; 0 dismisses
  };
  // Questions still go to the queue of answers, then to `ask`.
  void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }

  // How a host that shows the window's events in its own way (a person's terminal) hears them.
  // An event whose function is set goes to it instead of being printed as its line; each is
  // called as Print is, one at a time, on the thread the event happens on.
  struct EventView {
    std::function<void(const std::wstring& address)> navigate;  // a navigation starts
    std::function<void(const std::wstring& text)> status;       // a new status-bar text
    std::function<void(const MessageBoxRequest& box, Answer answer)> box;  // a box, once answered
  };
  void SetEventView(EventView view);

  // Runs the window's message loop until nothing is left to do, the browser's own work included
  // (waited for at most kLoadWait, then HostCommandError). Each key message is offered to the
  // band first; what the band leaves (S_FALSE) is translated and dispatched to its window, as the
  // browser passes keys on (a key for the page itself does nothing here).
  void RunLoop();
  // Dispatches what the window's queue holds now, as RunLoop does, without waiting for the
  // browser: for a host whose own event loop calls it. Does nothing while RunLoop runs, which
  // takes those messages itself.
  void DispatchQueued();

  // The commands. Each runs the loop until idle before it returns, and raises HostCommandError
  // when it cannot be carried out.
  void Navigate(std::wstring_view address);
  // Clicks into the box's edit field (the focus goes there, the caret to the end of its text,
  // nothing selected) and types `text` key by key.
  void Type(UINT boxId, std::wstring_view text);
  // One press of `virtualKey` in the box's edit field (focused first if it is not).
  void PressKey(UINT boxId, UINT virtualKey);
  // Empties the box's edit field as a person does: Home, Shift+End to select the whole text,
  // then Delete, each through the box's own keys.
  void Clear(UINT boxId);
  // Picks entry `index` (from 0) of the box's drop-down list with the mouse.
  void Pick(UINT boxId, int index);
  // A mouse click on the toolbar button with command id `buttonId`.
  void Click(UINT buttonId);
  // Opens the Options menu and chooses the entry whose text, or command id, is `entry`.
  void ChooseMenuEntry(std::wstring_view entry);
  // The answer to the next question box.
  void QueueAnswer(Answer answer);
  // Types `value` over the whole of the page's first text field named `field`.
  void Fill(std::wstring_view field, std::wstring_view value);
  // Submits form `form` (from 0) of the page.
  void Submit(size_t form);
  // Follows the first link of the window whose text (see LinkText) is `text`.
  void Follow(std::wstring_view text);
  // Runs the loop until the toolbar's repair job has ended (at once when none runs), at most
  // kRepairWait; a job still running then is an error.
  void WaitForRepair();
  // Closes the browser window: the sinks, the toolbar's among them, hear it quit.
  void Quit();

  // The state lines of "show": location, title and, with a toolbar, its lines (DescribeToolbar).
  std::vector<std::wstring> StateLines() const;
  // The page as text (DescribePage).
  std::vector<std::wstring> PageLines() const;
  std::wstring StatusText() const;
  bool HasQuit() const { return browser_->HasQuit(); }
  // The toolbar window, or none when the window has no toolbar.
  HWND Toolbar() const;
  HWND Frame() const { return frame_.GetSafeHwnd(); }
  HostBrowser& Browser() const { return *browser_; }

  // Prints one line (already escaped where it holds texts).
  void Print(const std::wstring& line);

 private:
  struct MenuChoice {
    std::wstring entry;
    bool opened = false;
    std::wstring problem;  // why the entry could not be chosen
  };

  void DockBand();
  void Undock();
  int OnMessageBox(const MessageBoxRequest& box);
  UINT OnPopupMenu(const PopupMenuRequest& menu);
  HWND RequireToolbar() const;
  HWND BoxWindow(UINT boxId) const;
  HWND EditField(UINT boxId) const;
  void Post(const std::vector<MSG>& messages);
  enum class QueueEnd { Empty, Quit };
  QueueEnd DispatchQueue();

  LineOutput output_;
  QuestionAsker ask_;
  // Guards the output and the answers: a box may be shown from another thread (a worker's).
  std::mutex mutex_;
  std::deque<Answer> answers_;
  std::optional<MenuChoice> menuChoice_;
  Presenter presenter_;
  EventView view_;
  MessageBoxHandler previousBoxHandler_;
  PopupMenuHandler previousMenuHandler_;

  CWnd frame_;
  std::unique_ptr<HostBrowser> browser_;
  int looping_ = 0;  // > 0 while RunLoop runs
  CComPtr<HostEventSink> sink_;
  DWORD sinkCookie_ = 0;
  // The band's library goes last: the band's code lives in it.
  std::optional<InprocServer> bandLibrary_;
  CComPtr<BandSite> site_;
  CComPtr<IObjectWithSite> band_;
  CComPtr<IDeskBand> deskBand_;
  CComPtr<IInputObject> bandInput_;
};
