// A display for tests that show GTK windows: an X server of the test program's own (Xvfb, on a
// display number it picks itself), started on the first use and ended with the program, and GTK
// opened on it. The tests never use a display a person is looking at.
#pragma once
// The window system's names first: GLib defines TRUE and FALSE as macros.
#include "platform/com/WinTypes.h"
#include <functional>
#include <string>
#include <vector>

#include <gtk/gtk.h>

#include "tests/support/TestSupport.h"

// Starts the server and GTK, once per program; false with the reason in `why` when there can be
// no display (no Xvfb installed, or GTK cannot open it).
bool OpenTestDisplay(std::string& why);

// Lets GTK handle everything it has pending, without waiting.
void DrainGtkEvents();

// Runs the GTK main loop until `done` holds; false if it still does not after a generous while
// (a guard against a hang, not a measure of speed).
bool RunGtkUntil(const std::function<bool()>& done);

// A test with its own registry and data folders (IsolatedTest) that shows GTK windows; it fails
// at once, saying why, when there is no display.
class GtkTest : public IsolatedTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// A step a test takes from inside a modal GTK loop (a dialog, a menu): `step` is tried on the
// main loop until it answers true, then no more. Removed at the end if it never did.
class LaterStep {
 public:
  explicit LaterStep(std::function<bool()> step);
  ~LaterStep();
  LaterStep(const LaterStep&) = delete;
  LaterStep& operator=(const LaterStep&) = delete;
  bool Done() const { return done_; }

 private:
  static gboolean Try(gpointer data);
  std::function<bool()> step_;
  guint source_ = 0;
  bool done_ = false;
};

// The message dialog shown now, if any.
GtkMessageDialog* ShownMessageDialog();

// Presses a key in `widget` as the keyboard would (key-press-event), with the given modifiers;
// whether a handler took it.
bool PressGtkKey(GtkWidget* widget, guint keyval, GdkModifierType modifiers = static_cast<GdkModifierType>(0));
// Presses the keys of each character of `text` in `widget`.
void TypeGtkText(GtkWidget* widget, const std::string& utf8);

// An entry of a GTK menu as a person sees it.
struct ShownEntry {
  std::string label;  // "-" for a separator
  bool check = false;
  bool checked = false;
  bool sensitive = true;
  friend bool operator==(const ShownEntry&, const ShownEntry&) = default;
};

// The entries of `menu`, in order.
std::vector<ShownEntry> EntriesOf(GtkWidget* menu);
// The entry of `menu` with that label; null when there is none.
GtkWidget* ItemLabelled(GtkWidget* menu, const std::string& label);
// The menu attached to `anchor` while it is up; null otherwise.
GtkWidget* MenuAt(GtkWidget* anchor);
