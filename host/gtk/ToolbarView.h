// The toolbar's face on the desktop: a GtkToolbar that shows the band's toolbar window as the
// window system has it, and hands what a person does with it back to the window system.
//
// The window system is the truth. The view lays out the toolbar's buttons in their order (a
// button as a tool button with its image and label, a separator as a separator, and the space a
// separator keeps for one of the toolbar's child boxes as that box), and shows each button's
// enabled, pressed and hidden state, its tooltip, and each box's text, caret, selection and
// drop-down list. It reads that state again after every input it hands over and whenever the
// window system says one of the toolbar's windows changed, so whatever the toolbar changes by
// itself (a page load, a menu command) shows at once; the changes of one turn of the main loop
// are shown together, from an idle callback.
//
// Input goes in as the same messages the host's commands send (see HostWindow): a click is the
// mouse going down and up over the button's middle; a key typed in a box's entry is the key
// messages of KeyStrokes posted to the window with the focus; a pick from a drop-down list is
// PickComboListItem. The host's loop runner then runs the window's message loop, which offers
// each key to the band first. The GTK entries never edit their text themselves: it is always the
// window system's edit field's text.
//
// Used on the GTK main thread, which is also the toolbar window's user-interface thread. The
// view must not outlive the toolbar's window system; the toolbar window may go first (the view
// then shows nothing and sends nothing).
#pragma once
// The window system's names first: GLib defines TRUE and FALSE as macros.
#include "platform/com/WinTypes.h"
#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "host/gtk/GObjectRef.h"
#include "platform/ui/Image.h"
#include "platform/ui/Window.h"

struct TBBUTTON;

// The grey that the toolbar's bitmaps paint their background with; the platform's toolbars draw
// it as the face of the button, so here it is transparent.
inline constexpr std::uint32_t kButtonFaceColour = 0xC0C0C0;

// The image as a pixbuf with an alpha channel, each pixel drawn as a `scale` by `scale` square
// (nearest neighbour, so small icons stay crisp); the button-face grey becomes transparent.
GObjectRef<GdkPixbuf> PixbufFromImage(const Image& image, int scale = 1);

class ToolbarView {
 public:
  // Runs the message loop of the toolbar's thread until nothing is left to do, offering each key
  // message to the band first (what HostWindow::RunLoop does). It may throw: the view reports
  // the failure as a GLib warning and goes on.
  using LoopRunner = std::function<void()>;

  // Builds the widget for the toolbar window `toolbar` (the band's window, as IDeskBand's
  // GetWindow gives it) and listens to the window system's change notification (the process has
  // one listener: the view takes it over and gives it back at its end).
  ToolbarView(HWND toolbar, LoopRunner runLoop);
  // Stops listening, disconnects the view from its widgets and destroys the toolbar widget,
  // taking it out of whatever container holds it.
  ~ToolbarView();
  ToolbarView(const ToolbarView&) = delete;
  ToolbarView& operator=(const ToolbarView&) = delete;

  // The GtkToolbar, for the window to pack (for example at the top of a vertical GtkBox). The
  // view keeps its own reference; the container adds one.
  GtkWidget* Widget() const { return GTK_WIDGET(toolbar_.get()); }
  // The tool button that shows the toolbar button with `commandId`, or none; an anchor for the
  // Options menu (see GtkDialogs).
  GtkWidget* ButtonWidget(UINT commandId) const;
  // The combo box that shows the child box with `boxId` (ID_SEARCH_BOX, ID_CATEGORY_BOX), and
  // its entry; none when the toolbar has no such box.
  GtkComboBoxText* BoxWidget(UINT boxId) const;
  GtkEntry* BoxEntry(UINT boxId) const;

  // Reads the window system's state now and shows it.
  void Refresh();

 private:
  struct Item;

  // Reads the toolbar's buttons, in its order, and makes the items anew when they are no longer
  // those the items were made for; the buttons read are returned, one per item.
  std::vector<TBBUTTON> Rebuild();
  void RefreshButton(Item& item, const TBBUTTON& button);
  void RefreshBox(Item& item);
  // Runs `input` (which posts or sends messages), then the loop, then a refresh, unless another
  // input is still being handled (a menu or a box it opened runs a loop of its own).
  template <class Input>
  bool Deliver(Input&& input);

  static void OnClicked(GtkToolButton* button, gpointer data);
  static gboolean OnKeyPress(GtkWidget* entry, GdkEventKey* event, gpointer data);
  static gboolean OnFocusIn(GtkWidget* entry, GdkEventFocus* event, gpointer data);
  static void OnCaretMoved(GObject* entry, GParamSpec* property, gpointer data);
  static void OnComboChanged(GtkComboBox* combo, gpointer data);
  static void OnPaste(GtkEntry* entry, gpointer data);
  // A window changed: shows it once the main loop is idle.
  void OnWindowChange(HWND changed, WindowChange change);
  static gboolean OnIdle(gpointer data);

  HWND window_;
  LoopRunner runLoop_;
  GObjectRef<GtkToolbar> toolbar_;
  std::vector<std::unique_ptr<Item>> items_;
  // Set while the view changes GTK widgets itself, so that their signals are not taken for input.
  bool updating_ = false;
  bool delivering_ = false;
  std::thread::id thread_ = std::this_thread::get_id();
  WindowChangeHandler previousHandler_;
  GSourceHandle pendingRefresh_;
};
