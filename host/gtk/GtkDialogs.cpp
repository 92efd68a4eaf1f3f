#include "host/gtk/GtkDialogs.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/gtk/GObjectRef.h"
#include "platform/text/WideText.h"

namespace {

struct IconType {
  UINT icon;
  GtkMessageType type;
};
constexpr IconType kIconTypes[] = {
    {MB_ICONERROR, GTK_MESSAGE_ERROR},
    {MB_ICONQUESTION, GTK_MESSAGE_QUESTION},
    {MB_ICONWARNING, GTK_MESSAGE_WARNING},
    {MB_ICONINFORMATION, GTK_MESSAGE_INFO},
};

struct ButtonAnswer {
  const char* label;
  GtkResponseType response;
  int answer;
};
constexpr ButtonAnswer kOk{"_OK", GTK_RESPONSE_OK, IDOK};
constexpr ButtonAnswer kCancel{"_Cancel", GTK_RESPONSE_CANCEL, IDCANCEL};
constexpr ButtonAnswer kYes{"_Yes", GTK_RESPONSE_YES, IDYES};
constexpr ButtonAnswer kNo{"_No", GTK_RESPONSE_NO, IDNO};

// The buttons of a kind of box, in the order they show, and the answer of a box closed without
// a button.
struct BoxButtons {
  UINT buttons;
  std::initializer_list<ButtonAnswer> shown;
  int closed;
};
const BoxButtons kBoxButtons[] = {
    {MB_OK, {kOk}, IDOK},
    {MB_OKCANCEL, {kOk, kCancel}, IDCANCEL},
    {MB_YESNO, {kYes, kNo}, IDNO},
    {MB_YESNOCANCEL, {kYes, kNo, kCancel}, IDCANCEL},
};

const BoxButtons& ButtonsOf(const MessageBoxRequest& box) {
  for (const BoxButtons& buttons : kBoxButtons)
    if (buttons.buttons == box.Buttons()) return buttons;
  return kBoxButtons[0];  // a kind this window system does not know shows as an OK box
}

GtkMessageType TypeOf(const MessageBoxRequest& box) {
  for (const IconType& icon : kIconTypes)
    if (icon.icon == box.Icon()) return icon.type;
  return GTK_MESSAGE_OTHER;
}

int ShowMessageBox(const MessageBoxRequest& box, GtkWindow* parent) {
  const BoxButtons& buttons = ButtonsOf(box);
  // The text goes in as an argument, never as the format: a page title may hold a '%'.
  auto dialog = GObjectRef<GtkWidget>::Sink(gtk_message_dialog_new(
      parent, GTK_DIALOG_MODAL, TypeOf(box), GTK_BUTTONS_NONE, "%s", ToUtf8(box.text).c_str()));
  gtk_window_set_title(GTK_WINDOW(dialog.get()), ToUtf8(box.caption).c_str());
  for (const ButtonAnswer& button : buttons.shown)
    gtk_dialog_add_button(GTK_DIALOG(dialog.get()), button.label, button.response);
  // The first button is the default, as on the platform.
  gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), buttons.shown.begin()->response);
  gint response = gtk_dialog_run(GTK_DIALOG(dialog.get()));
  gtk_widget_destroy(dialog.get());
  for (const ButtonAnswer& button : buttons.shown)
    if (button.response == response) return button.answer;
  return buttons.closed;
}

// A box asked for by a thread that is not the GTK main thread, waiting there to be shown.
struct ForeignBox {
  const MessageBoxRequest& box;
  GtkWindow* parent;
  std::mutex mutex;
  std::condition_variable answered;
  std::optional<int> answer;
};

gboolean ShowForeignBox(gpointer data) {
  auto* call = static_cast<ForeignBox*>(data);
  int answer = ShowMessageBox(call->box, call->parent);
  {
    std::lock_guard lock(call->mutex);
    call->answer = answer;
  }
  call->answered.notify_one();
  return G_SOURCE_REMOVE;
}

struct MenuRun {
  GMainLoop* loop = nullptr;
  UINT chosen = 0;
};

struct EntryChoice {
  MenuRun* run;
  UINT id;
};

}  // namespace

int RunMessageBoxDialog(const MessageBoxRequest& box, GtkWindow* parent) {
  GMainContext* context = g_main_context_default();
  if (g_main_context_acquire(context)) {
    int answer = ShowMessageBox(box, parent);
    g_main_context_release(context);
    return answer;
  }
  ForeignBox call{box, parent, {}, {}, {}};
  g_main_context_invoke(context, &ShowForeignBox, &call);
  std::unique_lock lock(call.mutex);
  call.answered.wait(lock, [&] { return call.answer.has_value(); });
  return *call.answer;
}

UINT RunPopupMenu(const PopupMenuRequest& request, GtkWidget* anchor) {
  MenuRun run;
  auto menu = GObjectRef<GtkWidget>::Sink(gtk_menu_new());
  std::vector<EntryChoice> choices;
  choices.reserve(request.items.size());
  for (const MenuItemView& entry : request.items) {
    GtkWidget* item = nullptr;
    if (entry.IsSeparator()) {
      item = gtk_separator_menu_item_new();
    } else {
      std::string label = ToUtf8(entry.text);
      if (entry.IsChecked() || entry.checkedBitmap || entry.uncheckedBitmap) {
        item = gtk_check_menu_item_new_with_label(label.c_str());
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), entry.IsChecked());
      } else {
        item = gtk_menu_item_new_with_label(label.c_str());
      }
      gtk_widget_set_sensitive(item, entry.IsEnabled());
      choices.push_back({&run, entry.id});
      g_signal_connect(item, "activate", G_CALLBACK(+[](GtkMenuItem*, gpointer data) {
                         auto* choice = static_cast<EntryChoice*>(data);
                         choice->run->chosen = choice->id;
                       }),
                       &choices.back());
    }
    gtk_widget_show(item);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu.get()), item);
  }

  std::unique_ptr<GMainLoop, decltype(&g_main_loop_unref)> loop(g_main_loop_new(nullptr, FALSE), &g_main_loop_unref);
  run.loop = loop.get();
  // An entry's activate comes after the menu's deactivate, but before the loop sees its end.
  gulong deactivated = g_signal_connect(menu.get(), "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer data) {
                                          g_main_loop_quit(static_cast<MenuRun*>(data)->loop);
                                        }),
                                        &run);
  // The click that opened the menu, if GTK is still handling it, places the menu and its grab.
  std::unique_ptr<GdkEvent, decltype(&gdk_event_free)> trigger(gtk_get_current_event(), &gdk_event_free);
  if (anchor && gtk_widget_get_realized(anchor)) {
    gtk_menu_attach_to_widget(GTK_MENU(menu.get()), anchor, nullptr);
    gtk_menu_popup_at_widget(GTK_MENU(menu.get()), anchor, GDK_GRAVITY_SOUTH_WEST, GDK_GRAVITY_NORTH_WEST,
                             trigger.get());
  } else {
    gtk_menu_popup_at_pointer(GTK_MENU(menu.get()), trigger.get());
  }
  // A menu that could not take the pointer and keyboard is not up, and nothing can be chosen.
  if (gtk_widget_get_visible(menu.get())) g_main_loop_run(loop.get());
  g_signal_handler_disconnect(menu.get(), deactivated);
  // Destroying the menu detaches it from the anchor.
  gtk_widget_destroy(menu.get());
  return run.chosen;
}
