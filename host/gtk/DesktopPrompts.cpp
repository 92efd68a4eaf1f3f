#include "host/gtk/DesktopPrompts.h"

#include <thread>

#include "host/gtk/GtkDialogs.h"
#include "host/gtk/WebViewBrowser.h"
#include "published/ToolbarIds.h"

HostWindow::BrowserMaker BrowserIn(DesktopWindow& desktop) {
  return [&desktop](HWND) -> std::unique_ptr<HostBrowser> {
    auto browser = MakeCounted<WebViewBrowser>(desktop.View());
    browser->SetStatusListener([&desktop](const std::wstring& text) { desktop.ShowStatus(text); });
    return std::make_unique<DesktopBrowser>(std::move(browser));
  };
}

DesktopToolbar::DesktopToolbar(DesktopWindow& desktop, HostWindow& window, Prompts prompts)
    : window_(window), prompts_(prompts) {
  if (HWND toolbar = window.Toolbar()) {
    // The view's input runs what the window queued, keys through the band first; a command
    // that fails there is said as the host says it.
    view_ = std::make_unique<ToolbarView>(toolbar, [&window] {
      try {
        window.DispatchQueued();
      } catch (const HostCommandError& e) {
        window.Print(ErrorLine(e.Why()));
      }
    });
    desktop.DockToolbar(view_->Widget());
  }
  if (prompts_ != Prompts::FromPerson) return;
  const std::thread::id windowThread = std::this_thread::get_id();
  GtkWindow* parent = desktop.Window();
  HostWindow::Presenter presenter;
  presenter.showBox = [parent, windowThread](const MessageBoxRequest& box) {
    if (std::this_thread::get_id() == windowThread) RunMessageBoxDialog(box, parent);
  };
  presenter.chooseFromMenu = [this](const PopupMenuRequest& menu) -> UINT {
    return RunPopupMenu(menu, view_ ? view_->ButtonWidget(ID_BUTTON_OPTIONS) : nullptr);
  };
  window.SetPresenter(std::move(presenter));
}

DesktopToolbar::~DesktopToolbar() {
  if (prompts_ == Prompts::FromPerson) window_.SetPresenter({});
}

HostWindow::QuestionAsker AskWithDialog(GtkWindow* parent) {
  const std::thread::id windowThread = std::this_thread::get_id();
  return [parent, windowThread](const MessageBoxRequest& box) {
    if (std::this_thread::get_id() != windowThread) return Answer::No;
    int chosen = RunMessageBoxDialog(box, parent);
    return chosen == IDYES || chosen == IDOK ? Answer::Yes : Answer::No;
  };
}
