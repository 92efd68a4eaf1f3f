// Screenshots of what a test shows on its display, as PNG files a person can look at.
#pragma once
// The window system's names first: GLib defines TRUE and FALSE as macros.
#include "platform/com/WinTypes.h"
#include <filesystem>
#include <vector>

#include <gtk/gtk.h>

// The screen area that the toplevel windows `windows` cover together (menus included: a popped-
// up menu is a toplevel of its own), drawn first and then saved as a PNG file. False when
// nothing could be read or written.
bool SaveScreenshot(const std::vector<GtkWidget*>& windows, const std::filesystem::path& png);
