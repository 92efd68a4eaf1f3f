# Installation and the Debian packages (bash scripts/package.sh; cpack -G DEB in a build folder).
# Two packages, made from two install components, as Debian splits a program from its graphical
# front:
#
#   pendrel (component pendrel): the terminal program and what every host needs
#     bin/pendrel                                 the program
#     lib/pendrel/libPendrelBand.so               the band, which `pendrel install` registers
#     lib/pendrel/libpendrel-platform.so          the platform library every host uses
#     share/pendrel/help/, schema.sql, *.rgs      the help pages and resources (also built in)
#     share/man/man1/pendrel.1.gz                 the manual page
#     share/doc/pendrel/copyright
#
#   pendrel-browser (component pendrel-browser, where GTK and WebKit were found): the desktop window
#     bin/pendrel-browser                         the desktop browser window
#     share/applications/pendrel-browser.desktop  its desktop entry
#     share/icons/hicolor/scalable/apps/pendrel-browser.svg
#     share/doc/pendrel-browser/copyright
#
# The installed programs find the platform library through their RUNPATH and the band library
# relative to themselves, so the packages work from any prefix.
set_target_properties(pendrel PROPERTIES INSTALL_RPATH "$ORIGIN/${PENDREL_BAND_LIBRARY_DIR}")
set_target_properties(PendrelBand pendrel-platform PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS pendrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT pendrel)
install(TARGETS PendrelBand pendrel-platform LIBRARY DESTINATION ${PENDREL_PRIVATE_LIBDIR} COMPONENT pendrel)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/help DESTINATION ${CMAKE_INSTALL_DATADIR}/pendrel
        COMPONENT pendrel)
install(FILES ${CMAKE_SOURCE_DIR}/resources/schema.sql ${CMAKE_SOURCE_DIR}/resources/TesselBand.rgs
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pendrel COMPONENT pendrel)
install(FILES ${CMAKE_SOURCE_DIR}/docs/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pendrel
        COMPONENT pendrel)

if(TARGET pendrel-browser)
  set_target_properties(pendrel-browser PROPERTIES INSTALL_RPATH "$ORIGIN/${PENDREL_BAND_LIBRARY_DIR}")
  install(TARGETS pendrel-browser RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT pendrel-browser)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/pendrel-browser.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT pendrel-browser)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/pendrel-browser.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT pendrel-browser)
  install(FILES ${CMAKE_SOURCE_DIR}/docs/copyright
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pendrel-browser COMPONENT pendrel-browser)
endif()

# Manual pages are installed compressed, as Debian has them.
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/pendrel.1.gz
                   COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/docs/pendrel.1 > ${CMAKE_BINARY_DIR}/pendrel.1.gz
                   DEPENDS ${CMAKE_SOURCE_DIR}/docs/pendrel.1 VERBATIM)
add_custom_target(manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/pendrel.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/pendrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT pendrel)

set(CPACK_PACKAGE_NAME pendrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Vellorin)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL pendrel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Pendrel developers <pendrel@vellorin.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The runtime libraries are found by dpkg-shlibdeps from what each package's binaries link; the
# project's own libraries sit in the private folder of the pendrel package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)

# Each description's first line is the package's summary.
set(CPACK_DEBIAN_PENDREL_PACKAGE_NAME pendrel)
set(CPACK_DEBIAN_PENDREL_DESCRIPTION "bookmark toolbar for a web browser, with a browser window in the terminal
Pendrel keeps bookmarks in a local database instead of the browser's Favorites:
add, change and delete the page shown under a category, search bookmarks by
words, keep a history log, have login forms remembered per site and repair
moved bookmarks.

This package holds the pendrel program, which docks the toolbar in a browser
window that runs in the terminal, interactively or from a script, and installs,
registers and removes the toolbar for each user; the toolbar library and the
platform library it runs on; the help pages and resources; and the manual page.
The desktop window is in the pendrel-browser package.")

if(TARGET pendrel-browser)
  list(APPEND CPACK_COMPONENTS_ALL pendrel-browser)
  set(CPACK_DEBIAN_PENDREL_PACKAGE_SUGGESTS pendrel-browser)
  set(CPACK_DEBIAN_PENDREL-BROWSER_PACKAGE_NAME pendrel-browser)
  # The desktop window runs the toolbar and the platform library of the pendrel package built with
  # it, so it needs that package of the very same version.
  set(CPACK_COMPONENT_PENDREL-BROWSER_DEPENDS pendrel)
  set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
  set(CPACK_DEBIAN_PENDREL-BROWSER_DESCRIPTION "desktop browser window with the Pendrel bookmark toolbar
Pendrel keeps bookmarks in a local database instead of the browser's Favorites:
add, change and delete the page shown under a category, search bookmarks by
words, keep a history log, have login forms remembered per site and repair
moved bookmarks.

This package holds pendrel-browser, a GTK window with WebKit pages, an address
bar, a status bar and the toolbar docked above the page, with its desktop entry
and icon. The toolbar itself, the pendrel program that installs it for each
user, and the help pages are in the pendrel package.")
endif()
include(CPack)
