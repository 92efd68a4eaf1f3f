# The toolbar's face on the desktop (host/gtk): the GTK widget that shows the band's toolbar
# window and the GTK dialogs and menus for the window system's boxes and popup menus. Built only
# where GTK 3 is found; the desktop host links it.
pkg_check_modules(GTK3 IMPORTED_TARGET gtk+-3.0)
if(GTK3_FOUND)
  add_library(pendrel-gtk-view STATIC
    ${CMAKE_SOURCE_DIR}/host/gtk/ToolbarView.h
    ${CMAKE_SOURCE_DIR}/host/gtk/ToolbarView.cpp
    ${CMAKE_SOURCE_DIR}/host/gtk/GtkDialogs.h
    ${CMAKE_SOURCE_DIR}/host/gtk/GtkDialogs.cpp)
  target_link_libraries(pendrel-gtk-view PUBLIC pendrel-core PkgConfig::GTK3)
else()
  message(STATUS "gtk+-3.0 not found: the toolbar's desktop view is not built")
endif()
