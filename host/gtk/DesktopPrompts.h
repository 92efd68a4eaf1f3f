// Where the desktop window shows boxes and menus to a person: the hook of an interactive
// pendrel-browser (HostWindow::SetPresenter and its QuestionAsker). These are plain stand-ins:
// a box or question is a GTK message dialog with the box's caption and text, and the Options
// menu, opened by a person's click, is dismissed. The host's own GTK dialogs and menu take
// their place through MakeDesktopPresenter and AskWithDialog alone.
//
// Boxes asked for from another thread (the repair job's worker) are printed only: GTK is used
// from the window's thread alone.
#pragma once
#include "host/gtk/GtkHeaders.h"

#include "host/core/HostWindow.h"

HostWindow::Presenter MakeDesktopPresenter(GtkWindow* parent);
HostWindow::QuestionAsker AskWithDialog(GtkWindow* parent);
