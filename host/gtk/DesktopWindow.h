// The desktop window of pendrel-browser, as GTK draws it, top to bottom:
//   the navigation bar   back, forward, reload and the address entry
//   the toolbar slot     a box the toolbar's widget goes into (ToolbarSlot); until one is put
//                        there it holds a placeholder naming the toolbar
//   the page             a WebKitWebView
//   the status bar       the text of put_StatusText (ShowStatus)
// The window draws; it decides nothing. What a person does in the navigation bar goes to the
// handlers the host gives (Actions). Back and forward are sensitive exactly when the page has
// somewhere to go back or forward to; the keys every GTK browser has (kWindowKeys in the source:
// Ctrl+L, F5, Ctrl+R, Alt+Left, Alt+Right, Ctrl+W, Ctrl+Q) work wherever the focus is.
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
    std::function<void()> close;                            // the close button, Ctrl+W, Ctrl+Q
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

  // The navigation bar's widgets, as a person meets them.
  GtkWidget* BackButton() const { return back_.get(); }
  GtkWidget* ForwardButton() const { return forward_.get(); }
  GtkEntry* AddressEntry() const { return GTK_ENTRY(address_.get()); }

  // Lets GTK draw what changed, then writes the window as it shows on the screen to `file` as
  // PNG. False when it could not be read or written.
  bool SavePicture(const std::filesystem::path& file);

 private:
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
  static void OnHistoryChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer, gpointer self);
  void UpdateHistoryButtons();
  static void OnActivate(GtkEntry* entry, gpointer self);
  static void OnUriChanged(GObject*, GParamSpec*, gpointer self);
  static void OnTitleChanged(GObject*, GParamSpec*, gpointer self);

  Actions actions_;
  GObjectRef<GtkWidget> window_;
  GObjectRef<GtkWidget> view_;
  GObjectRef<GtkWidget> address_;
  GObjectRef<GtkWidget> back_;
  GObjectRef<GtkWidget> forward_;
  GObjectRef<GtkWidget> toolbarSlot_;
  GObjectRef<GtkWidget> status_;
};
