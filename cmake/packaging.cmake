# What `cmake --install` puts where, and the packages CPack makes from it:
# on Linux a Debian package (the Qt window with its menu entry, icons and
# manual pages, the replay tool, and the browser page with a menu entry of
# its own when its tree is given), from the Windows build a zip of
# brisqual.exe and its read-me. The version is the project's; the
# application id names the desktop entries, the icons and the AppStream
# file alike; the licence is LICENSE's.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME brisqual)
set(CPACK_PACKAGE_VENDOR "The Brisqual developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "teaching program for the mean value theorem for integrals")
if(BRISQUAL_HOMEPAGE)
    set(CPACK_PACKAGE_HOMEPAGE_URL ${BRISQUAL_HOMEPAGE})
endif()
set(CPACK_PACKAGE_CONTACT ${BRISQUAL_MAINTAINER})
# Versions and file names come from project(VERSION) alone.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)

# The release date, from one number of seconds: CMake's timestamps follow
# SOURCE_DATE_EPOCH, which gives both the ISO and the changelog's form.
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${BRISQUAL_RELEASE_EPOCH})
string(TIMESTAMP BRISQUAL_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP BRISQUAL_RELEASE_DAY "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(staged ${PROJECT_BINARY_DIR}/packaging)

# LICENSE, whole for the read-me, and as its copyright line and its terms
# for Debian's copyright file (each line indented, blank lines as " .").
file(READ ${PROJECT_SOURCE_DIR}/LICENSE BRISQUAL_LICENSE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" copyright_line "${BRISQUAL_LICENSE}")
set(BRISQUAL_COPYRIGHT ${CMAKE_MATCH_1})
string(FIND "${BRISQUAL_LICENSE}" "Permission" terms_start)
string(SUBSTRING "${BRISQUAL_LICENSE}" ${terms_start} -1 terms)
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " BRISQUAL_LICENSE_TEXT " ${terms}")

if(WIN32)
    # The zip: the program as built (already stripped; CPack must not touch
    # it) and the read-me in CR LF lines for Notepad.
    install(TARGETS brisqual RUNTIME DESTINATION .)
    # NEWLINE_STYLE ends the template's lines; the licence's own lines are
    # given their CR LF here.
    string(STRIP "${BRISQUAL_LICENSE}" BRISQUAL_LICENSE)
    string(REPLACE "\n" "\r\n" BRISQUAL_LICENSE "${BRISQUAL_LICENSE}")
    configure_file(${packaging}/windows/LEEME-README.txt.in ${staged}/LEEME-README.txt
                   @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${staged}/LEEME-README.txt DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(CPACK_SYSTEM_NAME win64)
    else()
        set(CPACK_SYSTEM_NAME win32)
    endif()
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_STRIP_FILES OFF)
    include(CPack)
    return()
endif()

# The browser page, and the menu entry that opens it in the default
# browser: both come with the page's tree.
set(BRISQUAL_PAGE_PATH /usr/${CMAKE_INSTALL_DATADIR}/brisqual/brisqual.html)
if(BRISQUAL_WEB)
    install(FILES ${PROJECT_BINARY_DIR}/brisqual.html DESTINATION ${CMAKE_INSTALL_DATADIR}/brisqual)
    configure_file(${packaging}/linux/brisqual-page.desktop.in ${staged}/${BRISQUAL_APP_ID}.Page.desktop @ONLY)
    install(FILES ${staged}/${BRISQUAL_APP_ID}.Page.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    return()
endif()

find_program(BRISQUAL_GZIP gzip REQUIRED)
install(TARGETS brisqual-replay RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(manuals brisqual-replay.1)

if(TARGET brisqual-qt)
    install(TARGETS brisqual-qt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    list(APPEND manuals brisqual-qt.1)

    configure_file(${packaging}/linux/brisqual.desktop.in ${staged}/${BRISQUAL_APP_ID}.desktop @ONLY)
    # A home page and its screenshots only where a publisher has one.
    set(BRISQUAL_METAINFO_HOMEPAGE "")
    set(BRISQUAL_METAINFO_SCREENSHOTS "")
    if(BRISQUAL_HOMEPAGE)
        set(BRISQUAL_METAINFO_HOMEPAGE "  <url type=\"homepage\">${BRISQUAL_HOMEPAGE}</url>\n")
        set(BRISQUAL_METAINFO_SCREENSHOTS "  <screenshots>
    <screenshot type=\"default\">
      <caption>The curve after two drags, with its integral and mean level</caption>
      <image>${BRISQUAL_HOMEPAGE}/screenshots/qt-main.png</image>
    </screenshot>
    <screenshot>
      <caption>The About box</caption>
      <image>${BRISQUAL_HOMEPAGE}/screenshots/qt-about.png</image>
    </screenshot>
  </screenshots>\n")
    endif()
    configure_file(${packaging}/linux/brisqual.metainfo.xml.in ${staged}/${BRISQUAL_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${staged}/${BRISQUAL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${staged}/${BRISQUAL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # The theme's icons: the 32 x 32 picture, each pixel enlarged to a
    # block, and the same squares as a scalable SVG.
    set(icons)
    foreach(size 32 48 64 128 256 scalable)
        if(size STREQUAL scalable)
            set(icon ${staged}/icons/${size}/${BRISQUAL_APP_ID}.svg)
            brisqual_make_icon(${icon})
            set(folder scalable)
        else()
            set(icon ${staged}/icons/${size}/${BRISQUAL_APP_ID}.png)
            brisqual_make_icon(${icon} --size ${size})
            set(folder ${size}x${size})
        endif()
        install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${folder}/apps)
        list(APPEND icons ${icon})
    endforeach()
    add_custom_target(brisqual-icons ALL DEPENDS ${icons})
endif()

# Manual pages and the changelog, compressed without a time stamp so that
# the package's bytes depend on the sources alone.
configure_file(${packaging}/linux/changelog.in ${staged}/changelog @ONLY)
configure_file(${packaging}/linux/copyright.in ${staged}/copyright @ONLY)
set(compressed ${staged}/changelog.gz)
add_custom_command(OUTPUT ${staged}/changelog.gz
    COMMAND ${BRISQUAL_GZIP} -9nkf ${staged}/changelog
    DEPENDS ${staged}/changelog)
foreach(manual ${manuals})
    configure_file(${packaging}/linux/${manual}.in ${staged}/${manual} @ONLY)
    add_custom_command(OUTPUT ${staged}/${manual}.gz
        COMMAND ${BRISQUAL_GZIP} -9nkf ${staged}/${manual}
        DEPENDS ${staged}/${manual})
    install(FILES ${staged}/${manual}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    list(APPEND compressed ${staged}/${manual}.gz)
endforeach()
add_custom_target(brisqual-docs ALL DEPENDS ${compressed})
install(FILES ${staged}/copyright ${staged}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brisqual)

# The browser page comes from its own build tree, when that tree has built
# it by the time CPack runs (so the check is CPack's, not this configure's).
set(BRISQUAL_WEB_TREE "" CACHE PATH "A browser-page tree (build/web) whose page the package also installs")
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};Brisqual;ALL;/")
set(BRISQUAL_WEB_PACKAGE_TREE ${BRISQUAL_WEB_TREE})
configure_file(${packaging}/linux/cpack_project.cmake.in ${staged}/cpack_project.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${staged}/cpack_project.cmake)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The About box is drawn in Wine's MS Sans Serif; Qt needs a platform
# plugin (xcb or wayland) to open any window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine, qt6-qpa-plugins")
# CPack puts the summary above this as the synopsis line; the paragraph on
# the browser page is added when the page goes in (cpack_project.cmake).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Brisqual shows a sampled curve (red), its running integral (yellow) and
its mean level (green). Drag the curve up or down with the mouse and watch
the green line move so that the area between it and the curve always
balances out. It is meant for students and teachers.
.
This package installs the program's window, brisqual-qt, with a menu
entry, and brisqual-replay, a command-line tool that replays mouse events
from a script or a link and draws the same picture as a PNG file.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
