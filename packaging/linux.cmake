# linux.cmake -- what `cmake --install` puts where on Linux, and the Debian package CPack
# makes of it (scripts/package-linux.sh). The package's dependencies are the shared
# libraries the installed programs load, as dpkg-shlibdeps finds them.
include(GNUInstallDirs)

install(TARGETS umbravel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET umbravel-tool)
  install(TARGETS umbravel-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/umbravel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The forge paints the icon into the build folder; a build without it installs no icon.
install(FILES ${CMAKE_BINARY_DIR}/icon/umbravel.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        OPTIONAL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME umbravel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Umbravel")
set(CPACK_PACKAGE_CONTACT "Umbravel developers <umbravel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo with its own module player")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "A fixed show of animated 3D and 2D sections, drawn with OpenGL 1.1 on a render thread, "
  "to a tracker module played by its own software mixer. Every picture, object, video frame "
  "and the music are inside the program. umbravel-tool inspects the embedded files and "
  "compares captures.")
set(CPACK_PACKAGE_FILE_NAME umbravel-${PROJECT_VERSION}-amd64)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL opens the GL libraries itself when it makes the context (GLX on a display, EGL without
# one), so dpkg-shlibdeps cannot see them; the libraries it finds are added to these.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
# umbravel-tool letters its contact sheets with the terminal font; capture into a video
# file runs the ffmpeg command.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-terminus")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg")
include(CPack)
