#include "host/gtk/DesktopWindow.h"

#include <chrono>

#include "host/gtk/GLibLoop.h"
#include "platform/text/WideText.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// Symbolic icons are drawn in the text colour, dark when the button works and grey when it does
// not; the theme's full-colour navigation icons look greyed either way.
GtkWidget* IconButton(const char* icon, const char* tip) {
  GtkWidget* button = gtk_button_new_from_icon_name(icon, GTK_ICON_SIZE_SMALL_TOOLBAR);
  gtk_widget_set_tooltip_text(button, tip);
  gtk_widget_set_focus_on_click(button, FALSE);
  return button;
}

void GoBack(GtkButton*, gpointer view) { webkit_web_view_go_back(WEBKIT_WEB_VIEW(view)); }
void GoForward(GtkButton*, gpointer view) { webkit_web_view_go_forward(WEBKIT_WEB_VIEW(view)); }
void Reload(GtkButton*, gpointer view) { webkit_web_view_reload(WEBKIT_WEB_VIEW(view)); }

enum class WindowKey { FocusAddress, Reload, Back, Forward, Close };

struct KeyBinding {
  guint key;  // a letter in lower case
  GdkModifierType modifiers;
  WindowKey does;
};

// The window's keys, as every GTK browser has them.
constexpr KeyBinding kWindowKeys[] = {
    {GDK_KEY_l, GDK_CONTROL_MASK, WindowKey::FocusAddress},
    {GDK_KEY_F5, GdkModifierType(0), WindowKey::Reload},
    {GDK_KEY_r, GDK_CONTROL_MASK, WindowKey::Reload},
    {GDK_KEY_Left, GDK_MOD1_MASK, WindowKey::Back},
    {GDK_KEY_Right, GDK_MOD1_MASK, WindowKey::Forward},
    {GDK_KEY_w, GDK_CONTROL_MASK, WindowKey::Close},
    {GDK_KEY_q, GDK_CONTROL_MASK, WindowKey::Close},
};

const KeyBinding* BindingOf(const GdkEventKey& event) {
  const auto modifiers = static_cast<GdkModifierType>(event.state & gtk_accelerator_get_default_mod_mask());
  const guint key = gdk_keyval_to_lower(event.keyval);
  for (const KeyBinding& binding : kWindowKeys)
    if (binding.key == key && binding.modifiers == modifiers) return &binding;
  return nullptr;
}

}  // namespace

DesktopWindow::DesktopWindow(Actions actions) : actions_(std::move(actions)) {
  window_ = GObjectRef<GtkWidget>::Sink(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  gtk_window_set_title(Window(), "Pendrel");
  gtk_window_set_icon_name(Window(), "pendrel-browser");
  gtk_window_set_default_size(Window(), kWidth, kHeight);

  // Pages are drawn without the GPU: the window must draw, and be read back, on any X server.
  WebKitSettings* settings = webkit_settings_new();
  webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  view_ = GObjectRef<GtkWidget>::Sink(webkit_web_view_new_with_settings(settings));
  g_object_unref(settings);

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  GtkWidget* navigation = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 2);
  gtk_container_set_border_width(GTK_CONTAINER(navigation), 2);
  back_ = GObjectRef<GtkWidget>::Sink(IconButton("go-previous-symbolic", "Back"));
  forward_ = GObjectRef<GtkWidget>::Sink(IconButton("go-next-symbolic", "Forward"));
  GtkWidget* back = back_.get();
  GtkWidget* forward = forward_.get();
  GtkWidget* reload = IconButton("view-refresh-symbolic", "Reload");
  g_signal_connect(back, "clicked", G_CALLBACK(GoBack), view_.get());
  g_signal_connect(forward, "clicked", G_CALLBACK(GoForward), view_.get());
  g_signal_connect(reload, "clicked", G_CALLBACK(Reload), view_.get());
  address_ = GObjectRef<GtkWidget>::Sink(gtk_entry_new());
  gtk_entry_set_placeholder_text(GTK_ENTRY(address_.get()), "Address");
  g_signal_connect(address_.get(), "activate", G_CALLBACK(OnActivate), this);
  gtk_box_pack_start(GTK_BOX(navigation), back, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(navigation), forward, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(navigation), reload, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(navigation), address_.get(), TRUE, TRUE, 0);

  toolbarSlot_ = GObjectRef<GtkWidget>::Sink(gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0));
  gtk_widget_set_name(toolbarSlot_.get(), "toolbar-slot");
  GtkWidget* placeholder = gtk_label_new("Pendrel toolbar");
  gtk_widget_set_halign(placeholder, GTK_ALIGN_START);
  gtk_widget_set_margin_start(placeholder, 6);
  gtk_box_pack_start(GTK_BOX(toolbarSlot_.get()), placeholder, TRUE, TRUE, 2);

  status_ = GObjectRef<GtkWidget>::Sink(gtk_label_new(""));
  gtk_label_set_ellipsize(GTK_LABEL(status_.get()), PANGO_ELLIPSIZE_END);
  gtk_widget_set_halign(status_.get(), GTK_ALIGN_START);
  gtk_widget_set_margin_start(status_.get(), 6);

  gtk_box_pack_start(GTK_BOX(column), navigation, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), toolbarSlot_.get(), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), view_.get(), TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(column), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), status_.get(), FALSE, FALSE, 2);
  gtk_container_add(GTK_CONTAINER(window_.get()), column);

  g_signal_connect(window_.get(), "delete-event", G_CALLBACK(OnDelete), this);
  // Before the focused widget: the page and the entries would otherwise take these keys.
  g_signal_connect(window_.get(), "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect(webkit_web_view_get_back_forward_list(View()), "changed", G_CALLBACK(OnHistoryChanged), this);
  g_signal_connect(view_.get(), "notify::uri", G_CALLBACK(OnUriChanged), this);
  g_signal_connect(view_.get(), "notify::title", G_CALLBACK(OnTitleChanged), this);
  gtk_widget_show_all(window_.get());
  UpdateHistoryButtons();
}

DesktopWindow::~DesktopWindow() {
  g_signal_handlers_disconnect_by_data(window_.get(), this);
  g_signal_handlers_disconnect_by_data(view_.get(), this);
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(View()), this);
  g_signal_handlers_disconnect_by_data(address_.get(), this);
  gtk_widget_destroy(window_.get());
}

void DesktopWindow::DockToolbar(GtkWidget* toolbar) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(toolbarSlot_.get()));
  for (GList* child = children; child; child = child->next) gtk_widget_destroy(GTK_WIDGET(child->data));
  g_list_free(children);
  gtk_box_pack_start(ToolbarSlot(), toolbar, TRUE, TRUE, 0);
  gtk_widget_show_all(toolbar);
}

void DesktopWindow::ShowStatus(const std::wstring& text) {
  gtk_label_set_text(GTK_LABEL(status_.get()), ToUtf8(text).c_str());
}

gboolean DesktopWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  auto* window = static_cast<DesktopWindow*>(self);
  if (window->actions_.close) window->actions_.close();
  return TRUE;  // the window goes when its owner lets go of it
}

gboolean DesktopWindow::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* window = static_cast<DesktopWindow*>(self);
  const KeyBinding* binding = BindingOf(*event);
  if (!binding) return FALSE;
  switch (binding->does) {
    case WindowKey::FocusAddress:
      // The whole address selected, ready to be typed over.
      gtk_widget_grab_focus(window->address_.get());
      gtk_editable_select_region(GTK_EDITABLE(window->address_.get()), 0, -1);
      break;
    case WindowKey::Reload: webkit_web_view_reload(window->View()); break;
    case WindowKey::Back: webkit_web_view_go_back(window->View()); break;
    case WindowKey::Forward: webkit_web_view_go_forward(window->View()); break;
    case WindowKey::Close:
      if (window->actions_.close) window->actions_.close();
      break;
  }
  return TRUE;
}

void DesktopWindow::OnHistoryChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer, gpointer self) {
  static_cast<DesktopWindow*>(self)->UpdateHistoryButtons();
}

void DesktopWindow::UpdateHistoryButtons() {
  gtk_widget_set_sensitive(back_.get(), webkit_web_view_can_go_back(View()));
  gtk_widget_set_sensitive(forward_.get(), webkit_web_view_can_go_forward(View()));
}

void DesktopWindow::OnActivate(GtkEntry* entry, gpointer self) {
  auto* window = static_cast<DesktopWindow*>(self);
  if (window->actions_.open) window->actions_.open(FromUtf8(gtk_entry_get_text(entry)));
}

void DesktopWindow::OnUriChanged(GObject*, GParamSpec*, gpointer self) {
  auto* window = static_cast<DesktopWindow*>(self);
  const char* uri = webkit_web_view_get_uri(window->View());
  gtk_entry_set_text(GTK_ENTRY(window->address_.get()), uri ? uri : "");
  window->UpdateHistoryButtons();
}

void DesktopWindow::OnTitleChanged(GObject*, GParamSpec*, gpointer self) {
  auto* window = static_cast<DesktopWindow*>(self);
  const char* title = webkit_web_view_get_title(window->View());
  std::string text = title && *title ? std::string(title) + " - Pendrel" : "Pendrel";
  gtk_window_set_title(window->Window(), text.c_str());
}

bool DesktopWindow::SavePicture(const std::filesystem::path& file) {
  gtk_window_present(Window());
  gtk_widget_queue_draw(window_.get());
  // A moment for GTK and WebKit to draw, handling whatever comes meanwhile.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  while (std::chrono::steady_clock::now() < until) IterateMainLoop(std::chrono::milliseconds(20));
  GdkWindow* surface = gtk_widget_get_window(window_.get());
  if (!surface) return false;
  int width = gdk_window_get_width(surface);
  int height = gdk_window_get_height(surface);
  auto picture = GObjectRef<GdkPixbuf>::Adopt(gdk_pixbuf_get_from_window(surface, 0, 0, width, height));
  if (!picture) return false;
  GError* error = nullptr;
  gboolean saved = gdk_pixbuf_save(picture.get(), file.c_str(), "png", &error, nullptr);
  GErrorPtr failure(error);
  return saved;
}
