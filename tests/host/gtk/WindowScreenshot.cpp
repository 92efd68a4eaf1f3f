#include "tests/host/gtk/WindowScreenshot.h"

#include <algorithm>
#include <memory>

#include "host/gtk/GObjectRef.h"
#include "tests/host/gtk/GtkTestDisplay.h"

bool SaveScreenshot(const std::vector<GtkWidget*>& windows, const std::filesystem::path& png) {
  // Everything queued is drawn before the screen is read.
  for (GtkWidget* window : windows) gtk_widget_queue_draw(window);
  DrainGtkEvents();
  gdk_display_sync(gdk_display_get_default());
  DrainGtkEvents();

  GdkRectangle area{0, 0, 0, 0};
  bool any = false;
  for (GtkWidget* widget : windows) {
    GdkWindow* window = gtk_widget_get_window(widget);
    if (!window || !gdk_window_is_viewable(window)) continue;
    GdkRectangle frame;
    gdk_window_get_frame_extents(window, &frame);
    if (!any) {
      area = frame;
      any = true;
    } else {
      gdk_rectangle_union(&area, &frame, &area);
    }
  }
  if (!any || area.width <= 0 || area.height <= 0) return false;
  GdkWindow* root = gdk_get_default_root_window();
  auto shot = GObjectRef<GdkPixbuf>::Adopt(gdk_pixbuf_get_from_window(root, area.x, area.y, area.width, area.height));
  if (!shot) return false;
  return gdk_pixbuf_save(shot.get(), png.c_str(), "png", nullptr, nullptr);
}
