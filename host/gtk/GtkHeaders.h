// GTK, WebKitGTK and GLib for the desktop host. GLib defines TRUE and FALSE as macros unless they
// exist already, while the platform declares them as constants; the platform's types therefore
// come first, so that both can be used in one file.
#pragma once
#include "platform/com/WinTypes.h"

#include <glib-object.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>
