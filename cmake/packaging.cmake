# Where `cmake --install` puts the programs and what they read, and the
# Debian package `cpack -G DEB` makes of it.
include(GNUInstallDirs)

# The package installs under /usr.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(TARN_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tarnrecovery)
install(TARGETS tarnrecovery-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES src/resources/Tarnrecovery.conf DESTINATION ${TARN_DATA_DIR})

if(TARN_GUI)
  install(TARGETS tarnrecovery RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES src/resources/language.ini DESTINATION ${TARN_DATA_DIR})
  install(FILES src/resources/tarnrecovery.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # pkexec keeps the display for the window only when a policy allows it;
  # the policy names the program where this install puts it.
  install(CODE "
    set(TARN_INSTALLED_PROGRAM \${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tarnrecovery)
    configure_file(${PROJECT_SOURCE_DIR}/src/resources/tarnrecovery.policy.in
                   \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/polkit-1/actions/org.tarnrecovery.policy @ONLY)
    message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/polkit-1/actions/org.tarnrecovery.policy\")
  ")
  # The product icon, drawn with the rest of the skin, as a PNG desktops read.
  set(icon_png ${CMAKE_BINARY_DIR}/tarnrecovery.png)
  add_custom_command(OUTPUT ${icon_png}
      COMMAND ${TARN_CONVERT} ${CMAKE_BINARY_DIR}/src/resources/art/images/top.ico ${icon_png}
      DEPENDS ${CMAKE_BINARY_DIR}/src/resources/art/images.qrc
      VERBATIM)
  add_custom_target(tarn_icon ALL DEPENDS ${icon_png})
  add_dependencies(tarn_icon tarn_art)
  install(FILES ${icon_png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
endif()

# What Debian asks of every package: its copyright and its changelog (a
# native package: no Debian revision),
# compressed the way dpkg tools expect (no name or time in the gzip header).
set(TARN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tarnrecovery)
install(FILES src/resources/package/copyright DESTINATION ${TARN_DOC_DIR})
configure_file(src/resources/package/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
set(changelog_gz ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/changelog > ${changelog_gz}
    DEPENDS ${CMAKE_BINARY_DIR}/changelog)
add_custom_target(tarn_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} DESTINATION ${TARN_DOC_DIR})

set(CPACK_PACKAGE_NAME tarnrecovery)
set(CPACK_PACKAGE_VENDOR "TarnRecovery")
set(CPACK_PACKAGE_CONTACT "TarnRecovery developers <tarnrecovery@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "recover deleted files and lost partitions")
set(CPACK_PACKAGE_DESCRIPTION "TarnRecovery scans FAT12/16/32 and NTFS volumes, disks and disk image files
for files the file system no longer shows and restores the chosen ones to
another drive. A deep scan finds files by their content on any volume, and
a partition search finds lost partitions and can rewrite the partition
table after saving the old one. Comes with a window and a command-line tool.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# No homepage: the field is left out rather than filled with a made-up one.
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "")
# Without debug information: a Release tree, and stripped all the same.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs the X11 platform plugin, which no library links, shows
# Qt's own dialogs in the chosen language from Qt's translations, and
# previews TIFF and WebP pictures through Qt's image plug-ins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, qt6-image-formats-plugins")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
