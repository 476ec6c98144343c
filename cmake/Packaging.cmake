# What `cmake --install` puts where, and the Debian package that `cpack` makes of it.
#
# The program opens the book in the folder it starts in, so the menu entry runs the launcher, which makes the
# user's data folder and a first, empty book there and then starts corvane in it. The launcher finds the two
# programs beside itself, hence all three in the same bin folder.
include(GNUInstallDirs)

install(TARGETS corvane corvane-create-db corvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/res/corvane-launcher.sh
    DESTINATION ${CMAKE_INSTALL_BINDIR}
    RENAME corvane-launcher)
# The menu entry, its icons and what software centres show, all under the application's id.
set(CORVANE_APP_ID org.corvane.Corvane)
install(FILES ${PROJECT_SOURCE_DIR}/res/${CORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/${CORVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The smaller sizes are made from the 256-pixel icon by scripts/make-icons.sh; the scalable one is drawn after it.
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/corvane.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
    RENAME ${CORVANE_APP_ID}.png)
foreach(size 16 22 24 32 48 64 128)
    install(FILES ${PROJECT_SOURCE_DIR}/res/icons/hicolor/${size}x${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${CORVANE_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/corvane.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${CORVANE_APP_ID}.svg)

# The licence and the release notes where Debian keeps them (doc/corvane/copyright and changelog.gz), in the formats
# Debian's tools read. The changelog is compressed at build time, without a name or time stamp in it, so that two
# builds of one source make the same package.
set(CORVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/corvane)
set(corvane_changelog_gz ${PROJECT_BINARY_DIR}/package/changelog.gz)
add_custom_command(OUTPUT ${corvane_changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/package
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/res/package/changelog ${PROJECT_BINARY_DIR}/package/changelog
    COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/package/changelog
    DEPENDS ${PROJECT_SOURCE_DIR}/res/package/changelog
    COMMENT "Compressing the package's changelog"
    VERBATIM)
add_custom_target(corvane-changelog ALL DEPENDS ${corvane_changelog_gz})
install(FILES ${PROJECT_SOURCE_DIR}/res/package/copyright ${corvane_changelog_gz} DESTINATION ${CORVANE_DOC_DIR})

# corvane-cli's manual page (compressed as the changelog is) and its bash completion.
set(corvane_cli_man_gz ${PROJECT_BINARY_DIR}/package/corvane-cli.1.gz)
add_custom_command(OUTPUT ${corvane_cli_man_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/package
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/res/cli/corvane-cli.1 ${PROJECT_BINARY_DIR}/package/corvane-cli.1
    COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/package/corvane-cli.1
    DEPENDS ${PROJECT_SOURCE_DIR}/res/cli/corvane-cli.1
    COMMENT "Compressing corvane-cli's manual page"
    VERBATIM)
add_custom_target(corvane-cli-man ALL DEPENDS ${corvane_cli_man_gz})
install(FILES ${corvane_cli_man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/res/cli/corvane-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME corvane-cli)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "The Corvane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "address book for people who send bulk mail")
set(CPACK_PACKAGE_DESCRIPTION [[
Corvane keeps e-mail addresses in named groups, in an SQLite book of the
user's own reached through ODBC or in a book that a team shares on a
PostgreSQL server. It imports addresses from text files, keeping only valid
ones not yet in the group, exports a page of them, and filters a text file
against a group so that only new addresses are written out.
The interface is Simplified Chinese.]])
# Debug information stays in the build tree; the package carries what runs.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_CONTACT "Corvane developers <corvane@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.corvane.example/")
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
