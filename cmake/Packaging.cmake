# What `cmake --install` puts where, and the Debian package that `cpack` makes of it.
#
# The program opens the book in the folder it starts in, so the menu entry runs the launcher, which makes the
# user's data folder and a first, empty book there and then starts corvane in it. The launcher finds the two
# programs beside itself, hence all three in the same bin folder.
include(GNUInstallDirs)

install(TARGETS corvane corvane-create-db RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/res/corvane-launcher.sh
    DESTINATION ${CMAKE_INSTALL_BINDIR}
    RENAME corvane-launcher)
install(FILES ${PROJECT_SOURCE_DIR}/res/corvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/corvane.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane maintainers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "address book for people who send bulk mail")
set(CPACK_PACKAGE_DESCRIPTION [[
Corvane keeps e-mail addresses in named groups in an embedded SQLite database
reached through ODBC. It imports addresses from text files, keeping only valid
ones not yet in the group, exports a page of them, and filters a text file
against a group so that only new addresses are written out.
The interface is Simplified Chinese.]])
# Debug information stays in the build tree; the package carries what runs.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane maintainers")
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link to are found by dpkg-shlibdeps. The rest are loaded by name at run time: the
# SQLite ODBC driver through unixODBC (whose odbcinst registers it as "SQLite3", the name in the connection
# string), and a font that has the Chinese characters of the interface. Qt's xcb and offscreen platform plugins
# come with libqt6gui6, which the shared-library dependencies bring in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsqliteodbc, unixodbc, fonts-wqy-zenhei, qt6-translations-l10n")
# Where a menu looks for the icon (every desktop brings it, a bare system may not), and xdg-open, which starts the
# browser for the search panel's pages (a BROWSER variable can stand in for it).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, xdg-utils")

include(CPack)
