# Tests of what the package says about itself: the AppStream metadata and the menu entry pass the validators that
# software centres and desktops apply (each test only where its validator is installed; scripts/install-deps.sh
# installs both for the tests), and the metadata's and the changelog's newest release is the project's version.
set(corvane_app_id org.corvane.Corvane)

find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
    add_test(NAME package_metainfo_valid
        COMMAND ${APPSTREAMCLI} validate --no-net ${PROJECT_SOURCE_DIR}/res/${corvane_app_id}.metainfo.xml)
else()
    message(STATUS "appstreamcli not found: the AppStream metadata is not checked")
endif()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
    add_test(NAME package_desktop_entry_valid
        COMMAND ${DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/res/${corvane_app_id}.desktop)
else()
    message(STATUS "desktop-file-validate not found: the menu entry is not checked")
endif()

add_test(NAME package_release_version
    COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION}
        -DMETAINFO=${PROJECT_SOURCE_DIR}/res/${corvane_app_id}.metainfo.xml
        -DCHANGELOG=${PROJECT_SOURCE_DIR}/res/package/changelog
        -P ${PROJECT_SOURCE_DIR}/cmake/CheckReleaseVersion.cmake)
