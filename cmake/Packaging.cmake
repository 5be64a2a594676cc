# `make package`: one .deb with both executables, the desktop files and the documents Debian
# expects under /usr/share/doc/tolvane. Depends comes from the linked libraries; the plugins Qt
# loads at run time (SQLite for Firefox's cookies, SVG for the icon) are named by hand.
include(GNUInstallDirs)

set(TOLVANE_PACKAGE_MAINTAINER "The Tolvane developers <tolvane@example.org>"
    CACHE STRING "Maintainer field of the .deb")
set(tolvane_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tolvane)

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${tolvane_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${tolvane_doc_dir} RENAME copyright)

# Debian wants a changelog in every package, compressed at the highest level without a timestamp.
string(TIMESTAMP tolvane_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${PROJECT_BINARY_DIR}/packaging/changelog
    "tolvane (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${PROJECT_VERSION}.\n\n"
    " -- ${TOLVANE_PACKAGE_MAINTAINER}  ${tolvane_changelog_date}\n")
execute_process(COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/packaging/changelog RESULT_VARIABLE tolvane_gzip_failed)
if(NOT tolvane_gzip_failed)
    install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${tolvane_doc_dir})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tolvane developers")
set(CPACK_PACKAGE_CONTACT "${TOLVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rename movie files after the films they hold")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tolvane looks up the film in each video file of a movie library and renames\n"
    "the file to its title and year. Drop files or folders on the window, check the\n"
    "proposed names and rename them in one go; tolvane-cli does the same work\n"
    "without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# Qt's own texts (file chooser, message box buttons) in the user's language come from Debian's
# translations package; without it those stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "mediainfo, ffmpeg, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
