# The installed program: one application folder holding the programs and the data they look
# for beside their own executable (config.ini, Languages/, help/), linked into bin/, plus the
# desktop entry, icons and AppStream data. The Debian package is built from the same rules.

set(TAVRELL_APP_DIR lib/tavrell-dvd-player)
set(TAVRELL_DESKTOP_ID tavrell-dvd-player)
set(TAVRELL_APPSTREAM_ID io.github.tavrell.DvdPlayer)
set(TAVRELL_RELEASE_DATE 2026-12-08)
set(TAVRELL_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 00:00:00 +0000")
set(TAVRELL_HOMEPAGE https://github.com/tavrell/tavrell-dvd-player)
set(TAVRELL_SCREENSHOT_BASE https://raw.githubusercontent.com/tavrell/tavrell-dvd-player/main/docs)
set(TAVRELL_MAINTAINER "Tavrell DVD Player developers <developers@tavrell.invalid>")

set(_pkg ${PROJECT_SOURCE_DIR}/packaging)
set(_out ${CMAKE_BINARY_DIR}/packaging)

# Folders created on the way get the usual modes whatever the umask of whoever installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS tavrell-dvd-player tavrell-bdinfo RUNTIME DESTINATION ${TAVRELL_APP_DIR})
install(FILES lang/config.ini DESTINATION ${TAVRELL_APP_DIR})
install(DIRECTORY lang/Languages help DESTINATION ${TAVRELL_APP_DIR})

# Relative links, so the tree can move as a whole (a staging folder, another prefix); started
# through them, the program still resolves its own folder through /proc/self/exe.
foreach(_program tavrell-dvd-player tavrell-bdinfo)
    file(MAKE_DIRECTORY ${_out}/bin)
    file(CREATE_LINK ../${TAVRELL_APP_DIR}/${_program} ${_out}/bin/${_program} SYMBOLIC)
    install(FILES ${_out}/bin/${_program} DESTINATION bin)
endforeach()

install(FILES ${_pkg}/${TAVRELL_DESKTOP_ID}.desktop DESTINATION share/applications)
foreach(_size 16 22 24 32 48 64 128 256)
    install(FILES ${_pkg}/icons/${_size}.png DESTINATION share/icons/hicolor/${_size}x${_size}/apps
        RENAME ${TAVRELL_DESKTOP_ID}.png)
endforeach()
install(FILES resources/image/src/logo.svg DESTINATION share/icons/hicolor/scalable/apps
    RENAME ${TAVRELL_DESKTOP_ID}.svg)
configure_file(${_pkg}/metainfo.xml.in ${_out}/${TAVRELL_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${_out}/${TAVRELL_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)

# The copyright, the changelog and the manual pages; the last two compressed the way Debian's
# tools expect (-n: no name or time stamp, so the package is reproducible).
configure_file(${_pkg}/copyright ${_out}/copyright @ONLY)
configure_file(${_pkg}/changelog ${_out}/changelog @ONLY)
find_program(TAVRELL_GZIP gzip REQUIRED)
set(_compressed)
foreach(_file changelog man/tavrell-dvd-player.1 man/tavrell-bdinfo.1)
    if(_file STREQUAL changelog)
        set(_source ${_out}/changelog)
    else()
        set(_source ${_pkg}/${_file})
    endif()
    get_filename_component(_name ${_file} NAME)
    add_custom_command(OUTPUT ${_out}/${_name}.gz
        COMMAND ${TAVRELL_GZIP} -9nc ${_source} > ${_out}/${_name}.gz
        DEPENDS ${_source} VERBATIM)
    list(APPEND _compressed ${_out}/${_name}.gz)
endforeach()
add_custom_target(tavrell_compressed_docs ALL DEPENDS ${_compressed})
install(FILES ${_out}/changelog.gz DESTINATION share/doc/tavrell-dvd-player)
install(FILES ${_out}/tavrell-dvd-player.1.gz ${_out}/tavrell-bdinfo.1.gz DESTINATION share/man/man1)
install(FILES ${_out}/copyright DESTINATION share/doc/tavrell-dvd-player)

# ---- Debian package: cmake --build <dir> --target package ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrell-dvd-player)
set(CPACK_PACKAGE_VENDOR "Tavrell DVD Player developers")
set(CPACK_PACKAGE_CONTACT ${TAVRELL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video player for media files, DVD and Blu-ray folders")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tavrell-dvd-player)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TAVRELL_HOMEPAGE})
# The body under the summary line; CPack indents it as the control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tavrell DVD Player plays media files, DVD folders (holding VIDEO_TS) and
unencrypted Blu-ray folders (holding BDMV). Playback runs MPlayer embedded
in the window. It keeps a playlist with the length of every entry, the last
ten played paths and dated snapshots, and shows its captions in English,
German, French, Spanish and Simplified Chinese.

tavrell-bdinfo lists the titles, chapters and streams of a Blu-ray folder.")
# The libraries (Qt 6 with its xcb platform plugin, libbluray) come from dpkg-shlibdeps;
# the programs it starts, the fonts it asks for by name and Qt's own translations (its file
# dialogs in the chosen language) are listed here: the "run" group of debian-packages.txt.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "mplayer, ffmpeg, fonts-crosextra-carlito, fonts-wqy-microhei, qt6-translations-l10n")
# Help pages and the snapshot folder are handed to the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
