#include "host/gtk/DesktopPrompts.h"

#include <thread>

#include "platform/text/WideText.h"

namespace {

GtkMessageType KindOf(const MessageBoxRequest& box) {
  switch (box.Icon()) {
    case MB_ICONQUESTION: return GTK_MESSAGE_QUESTION;
    case MB_ICONERROR: return GTK_MESSAGE_ERROR;
    case MB_ICONINFORMATION: return GTK_MESSAGE_INFO;
    default: return GTK_MESSAGE_WARNING;
  }
}

// Runs a modal dialog for `box` with `buttons`; the GTK response.
int RunDialog(GtkWindow* parent, const MessageBoxRequest& box, GtkButtonsType buttons) {
  GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, KindOf(box), buttons, "%s",
                                             ToUtf8(box.text).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), ToUtf8(box.caption).c_str());
  int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return response;
}

}  // namespace

HostWindow::Presenter MakeDesktopPresenter(GtkWindow* parent) {
  const std::thread::id windowThread = std::this_thread::get_id();
  HostWindow::Presenter presenter;
  presenter.showBox = [parent, windowThread](const MessageBoxRequest& box) {
    if (std::this_thread::get_id() == windowThread) RunDialog(parent, box, GTK_BUTTONS_OK);
  };
  presenter.chooseFromMenu = [](const PopupMenuRequest&) -> UINT { return 0; };
  return presenter;
}

HostWindow::QuestionAsker AskWithDialog(GtkWindow* parent) {
  const std::thread::id windowThread = std::this_thread::get_id();
  return [parent, windowThread](const MessageBoxRequest& box) {
    if (std::this_thread::get_id() != windowThread) return Answer::No;
    GtkButtonsType buttons = box.Buttons() == MB_OKCANCEL ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_YES_NO;
    int response = RunDialog(parent, box, buttons);
    return response == GTK_RESPONSE_YES || response == GTK_RESPONSE_OK ? Answer::Yes : Answer::No;
  };
}
