#include "host/gtk/DesktopWindow.h"

#include <chrono>

#include "host/gtk/GLibLoop.h"
#include "platform/text/WideText.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

GtkWidget* IconButton(const char* icon, const char* tip) {
  GtkWidget* button = gtk_button_new_from_icon_name(icon, GTK_ICON_SIZE_SMALL_TOOLBAR);
  gtk_widget_set_tooltip_text(button, tip);
  gtk_widget_set_focus_on_click(button, FALSE);
  return button;
}

void GoBack(GtkButton*, gpointer view) { webkit_web_view_go_back(WEBKIT_WEB_VIEW(view)); }
void GoForward(GtkButton*, gpointer view) { webkit_web_view_go_forward(WEBKIT_WEB_VIEW(view)); }
void Reload(GtkButton*, gpointer view) { webkit_web_view_reload(WEBKIT_WEB_VIEW(view)); }

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
  GtkWidget* back = IconButton("go-previous", "Back");
  GtkWidget* forward = IconButton("go-next", "Forward");
  GtkWidget* reload = IconButton("view-refresh", "Reload");
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
  g_signal_connect(view_.get(), "notify::uri", G_CALLBACK(OnUriChanged), this);
  g_signal_connect(view_.get(), "notify::title", G_CALLBACK(OnTitleChanged), this);
  gtk_widget_show_all(window_.get());
}

DesktopWindow::~DesktopWindow() {
  g_signal_handlers_disconnect_by_data(window_.get(), this);
  g_signal_handlers_disconnect_by_data(view_.get(), this);
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

void DesktopWindow::OnActivate(GtkEntry* entry, gpointer self) {
  auto* window = static_cast<DesktopWindow*>(self);
  if (window->actions_.open) window->actions_.open(FromUtf8(gtk_entry_get_text(entry)));
}

void DesktopWindow::OnUriChanged(GObject*, GParamSpec*, gpointer self) {
  auto* window = static_cast<DesktopWindow*>(self);
  const char* uri = webkit_web_view_get_uri(window->View());
  gtk_entry_set_text(GTK_ENTRY(window->address_.get()), uri ? uri : "");
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
