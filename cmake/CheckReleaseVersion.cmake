# cmake -DVERSION=X -DMETAINFO=FILE -DCHANGELOG=FILE -P CheckReleaseVersion.cmake: fails unless the newest release of
# the AppStream metadata (the first <release>) and of the Debian changelog (its first line) is version X.
file(READ ${METAINFO} metainfo)
string(REGEX MATCH "<release[^>]* version=\"([^\"]*)\"" release "${metainfo}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "${METAINFO}: the newest release is '${CMAKE_MATCH_1}', the project's version ${VERSION}")
endif()
file(STRINGS ${CHANGELOG} first LIMIT_COUNT 1)
string(REGEX MATCH "^corvane \\(([^)]*)\\)" entry "${first}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "${CHANGELOG}: the newest entry is '${CMAKE_MATCH_1}', the project's version ${VERSION}")
endif()
message(STATUS "the metadata and the changelog name release ${VERSION}")
