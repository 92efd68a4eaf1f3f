// The toolbar docked in the desktop window: its GTK view (ToolbarView) in the window's toolbar
// slot and, for a person at the window, the window's message boxes, questions and the Options
// menu shown by GTK (GtkDialogs). A script answers them itself (HostWindow prints them and takes
// the script's answers), so then only the view is docked.
//
// Boxes asked for from another thread (the repair job's worker) are printed only: the window's
// thread may be waiting for that worker, and GTK is used from the window's thread alone.
#pragma once
#include "host/gtk/GtkHeaders.h"

#include <memory>

#include "host/core/HostWindow.h"
#include "host/gtk/DesktopWindow.h"
#include "host/gtk/ToolbarView.h"

// The browser of a host window shown in `desktop`: WebKit in its page area, the status texts in
// its status bar.
HostWindow::BrowserMaker BrowserIn(DesktopWindow& desktop);

enum class Prompts { FromScript, FromPerson };

class DesktopToolbar {
 public:
  // Docks the view of `window`'s toolbar into `desktop` (nothing when the window has no
  // toolbar) and, for a person, shows the window's boxes and menus with GTK. Both windows must
  // outlive this object.
  DesktopToolbar(DesktopWindow& desktop, HostWindow& window, Prompts prompts);
  // Takes the GTK menu away from the host window and the view out of the desktop window.
  ~DesktopToolbar();
  DesktopToolbar(const DesktopToolbar&) = delete;
  DesktopToolbar& operator=(const DesktopToolbar&) = delete;

  // The toolbar's view, or none when the window has no toolbar.
  ToolbarView* View() const { return view_.get(); }

 private:
  HostWindow& window_;
  Prompts prompts_;
  std::unique_ptr<ToolbarView> view_;
};

// Answers the host window's question boxes with a GTK dialog over `parent` (No from any other
// thread than the one that made it).
HostWindow::QuestionAsker AskWithDialog(GtkWindow* parent);
