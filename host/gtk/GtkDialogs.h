// The window system's message boxes and popup menus, shown to a person on the desktop: plain
// functions for the desktop window's handlers (see SetMessageBoxHandler, SetPopupMenuHandler).
#pragma once
// The window system's names first: GLib defines TRUE and FALSE as macros.
#include "platform/com/WinTypes.h"
#include <gtk/gtk.h>

#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"

// Shows the box as a modal GtkMessageDialog over `parent` (or none): the caption as its title,
// the text as its message, an icon after the box's icon (error, question, warning, information,
// or none) and the box's buttons (OK; OK and Cancel; Yes and No; Yes, No and Cancel). Returns
// the button chosen (IDOK, IDCANCEL, IDYES, IDNO). A dialog closed without a button answers
// what changes nothing: OK for an OK box, No for Yes and No, Cancel where there is a Cancel.
//
// Any thread may ask. While another thread runs the GTK main loop, the dialog is shown there
// and the calling thread waits for the answer.
int RunMessageBoxDialog(const MessageBoxRequest& box, GtkWindow* parent);

// Pops up the menu as a GtkMenu below `anchor` (the Options button of the toolbar view; with
// none, at the pointer): its entries in order, a check mark on checked entries (an entry with
// bitmaps of its own is a check entry, ticked or not), greyed entries insensitive, separators as
// separators. Waits until the menu closes and returns the command id chosen, or 0 when it was
// dismissed. While it is up the menu is attached to `anchor` (gtk_menu_get_for_attach_widget).
// On the GTK main thread only.
UINT RunPopupMenu(const PopupMenuRequest& menu, GtkWidget* anchor);
