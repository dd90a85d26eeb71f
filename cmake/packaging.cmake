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

set(CPACK_PACKAGE_NAME tarnrecovery)
set(CPACK_PACKAGE_VENDOR "TarnRecovery")
set(CPACK_PACKAGE_CONTACT "TarnRecovery developers <tarnrecovery@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Recovers deleted files from FAT and NTFS volumes and finds lost partitions")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs the X11 platform plugin, which no library links, and
# shows Qt's own dialogs in the chosen language from Qt's translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
