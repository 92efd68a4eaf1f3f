# Installation and the Debian package (cpack -G DEB).
#
#   bin/pendrel                                   the program
#   bin/pendrel-browser                           the desktop browser window (where GTK and WebKit were
#                                                 found), with its desktop entry in share/applications
#                                                 and its icon in share/icons/hicolor/scalable/apps
#   lib/pendrel/libPendrelBand.so                 the band, which `pendrel install` registers
#   lib/pendrel/libpendrel-platform.so            the platform library both of them use
#   share/pendrel/help/, schema.sql, *.rgs        the help pages and resources (also built in)
#   share/man/man1/pendrel.1.gz                   the manual page
#   share/doc/pendrel/copyright
#
# The installed program finds the platform library through its RUNPATH and the band library
# relative to itself, so the package works from any prefix.
set_target_properties(pendrel PROPERTIES INSTALL_RPATH "$ORIGIN/${PENDREL_BAND_LIBRARY_DIR}")
set_target_properties(PendrelBand pendrel-platform PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS pendrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET pendrel-browser)
  set_target_properties(pendrel-browser PROPERTIES INSTALL_RPATH "$ORIGIN/${PENDREL_BAND_LIBRARY_DIR}")
  install(TARGETS pendrel-browser RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/pendrel-browser.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/pendrel-browser.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
install(TARGETS PendrelBand pendrel-platform LIBRARY DESTINATION ${PENDREL_PRIVATE_LIBDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/help DESTINATION ${CMAKE_INSTALL_DATADIR}/pendrel)
install(FILES ${CMAKE_SOURCE_DIR}/resources/schema.sql ${CMAKE_SOURCE_DIR}/resources/TesselBand.rgs
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pendrel)

# Manual pages are installed compressed, as Debian has them.
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/pendrel.1.gz
                   COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/docs/pendrel.1 > ${CMAKE_BINARY_DIR}/pendrel.1.gz
                   DEPENDS ${CMAKE_SOURCE_DIR}/docs/pendrel.1 VERBATIM)
add_custom_target(manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/pendrel.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/pendrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/docs/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pendrel)

set(CPACK_PACKAGE_NAME pendrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Vellorin)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bookmark toolbar for a web browser, with browser windows for the terminal and the desktop")
set(CPACK_PACKAGE_DESCRIPTION "Pendrel keeps bookmarks in a local database instead of the browser's Favorites: \
add, change and delete the page shown under a category, search bookmarks by words, keep a history log, \
have login forms remembered per site and repair moved bookmarks. The pendrel program docks the toolbar \
in a browser window that runs in the terminal, interactively or from a script; pendrel-browser docks it \
in a desktop browser window with WebKit pages.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Pendrel developers <pendrel@vellorin.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The runtime libraries are found by dpkg-shlibdeps from what the binaries link; the package's
# own libraries sit in its private folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
include(CPack)
