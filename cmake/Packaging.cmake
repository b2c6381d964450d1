# What `cmake --install` puts beside the program (desktop entry, metainfo,
# icon, manual page, bash completion, copyright and changelog) and the Debian
# package `cpack -G DEB` makes of it.

# The desktop file id, the metainfo id and the icon name.
set(SUNNYSIDE_APP_ID io.github.sunnyside_app.Sunnyside)
target_compile_definitions(sunnyside PRIVATE SUNNYSIDE_APP_ID="${SUNNYSIDE_APP_ID}")

# The version is the bundle's (assets/Info.plist).
file(READ ${PROJECT_SOURCE_DIR}/assets/Info.plist info_plist)
if(NOT info_plist MATCHES "<key>CFBundleVersion</key>[ \t\r\n]*<string>([^<]+)</string>")
  message(FATAL_ERROR "assets/Info.plist names no CFBundleVersion")
endif()
set(SUNNYSIDE_VERSION ${CMAKE_MATCH_1})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/assets/Info.plist ${PROJECT_SOURCE_DIR}/data/changelog)

# The manual page: the template filled with the program's own --help text.
set(SUNNYSIDE_MAN_PAGE ${CMAKE_BINARY_DIR}/man/sunnyside.1)
add_custom_command(
  OUTPUT ${SUNNYSIDE_MAN_PAGE} ${SUNNYSIDE_MAN_PAGE}.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
          HOME=${CMAKE_BINARY_DIR}/man XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/man/config
          ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:sunnyside> -DTEMPLATE=${PROJECT_SOURCE_DIR}/data/sunnyside.1.in
          -DOUTPUT=${SUNNYSIDE_MAN_PAGE} -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
  DEPENDS sunnyside ${PROJECT_SOURCE_DIR}/data/sunnyside.1.in ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
  COMMENT "Writing the manual page from sunnyside --help"
  VERBATIM)
add_custom_target(sunnyside_man ALL DEPENDS ${SUNNYSIDE_MAN_PAGE})

# Debian wants the changelog compressed without a time stamp.
set(SUNNYSIDE_CHANGELOG ${CMAKE_BINARY_DIR}/man/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
execute_process(COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/data/changelog OUTPUT_FILE ${SUNNYSIDE_CHANGELOG}
                RESULT_VARIABLE zipped)
if(NOT zipped EQUAL 0)
  message(FATAL_ERROR "could not compress data/changelog")
endif()

install(FILES data/${SUNNYSIDE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${SUNNYSIDE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/${SUNNYSIDE_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${SUNNYSIDE_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/sunnyside.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME sunnyside)
install(FILES data/copyright ${SUNNYSIDE_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sunnyside)

# cpack -G DEB: dpkg-shlibdeps finds the libraries; the plugins Qt and EGL
# load at run time are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sunnyside)
set(CPACK_PACKAGE_VERSION ${SUNNYSIDE_VERSION})
set(CPACK_PACKAGE_VENDOR "Sunnyside developers")
set(CPACK_PACKAGE_CONTACT "Sunnyside developers <feedback@sunnyside.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn a photograph into a desktop picture for your screen")
set(CPACK_PACKAGE_DESCRIPTION
    "Sunnyside puts a photo in the middle of a picture made for your screen
and fills the rest with an artistic extension of the photo itself:
blurred, half-turned, colour-burned copies with a soft shadow. The
picture is saved in the pictures folder and set as the desktop picture
on KDE Plasma, Xfce, sway, GNOME, Cinnamon, MATE, plain X11 window
managers or through the desktop portal. From the command line,
sunnyside --render writes the picture for any screen size.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl-mesa0, libgl1-mesa-dri, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xwallpaper | feh")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
