// The desktop window of pendrel-browser, as GTK draws it, top to bottom:
//   the navigation bar   back, forward, reload and the address entry
//   the toolbar slot     a box the toolbar's widget goes into (ToolbarSlot); until one is put
//                        there it holds a placeholder naming the toolbar
//   the page             a WebKitWebView
//   the status bar       the text of put_StatusText (ShowStatus)
// The window draws; it decides nothing. What a person does in the navigation bar goes to the
// handlers the host gives (Actions).
#pragma once
#include "host/gtk/GtkHeaders.h"

#include <filesystem>
#include <functional>
#include <string>

#include "host/gtk/GObjectRef.h"

class DesktopWindow {
 public:
  struct Actions {
    std::function<void(const std::wstring& address)> open;  // Enter in the address entry
    std::function<void()> close;                            // the window's close button
  };

  // Builds the window and shows it. GTK must have been initialised.
  explicit DesktopWindow(Actions actions);
  ~DesktopWindow();
  DesktopWindow(const DesktopWindow&) = delete;
  DesktopWindow& operator=(const DesktopWindow&) = delete;

  GtkWindow* Window() const { return GTK_WINDOW(window_.get()); }
  WebKitWebView* View() const { return WEBKIT_WEB_VIEW(view_.get()); }
  // The box the toolbar's widget is docked in, above the page.
  GtkBox* ToolbarSlot() const { return GTK_BOX(toolbarSlot_.get()); }
  // Puts `toolbar` into the toolbar slot in place of what is there.
  void DockToolbar(GtkWidget* toolbar);
  void ShowStatus(const std::wstring& text);

  // Lets GTK draw what changed, then writes the window as it shows on the screen to `file` as
  // PNG. False when it could not be read or written.
  bool SavePicture(const std::filesystem::path& file);

 private:
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static void OnActivate(GtkEntry* entry, gpointer self);
  static void OnUriChanged(GObject*, GParamSpec*, gpointer self);
  static void OnTitleChanged(GObject*, GParamSpec*, gpointer self);

  Actions actions_;
  GObjectRef<GtkWidget> window_;
  GObjectRef<GtkWidget> view_;
  GObjectRef<GtkWidget> address_;
  GObjectRef<GtkWidget> toolbarSlot_;
  GObjectRef<GtkWidget> status_;
};
