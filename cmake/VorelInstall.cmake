# Installation in the usual places of a Linux system, and the Debian package.
include(GNUInstallDirs)

install(TARGETS vorel vorel-cli vorel-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/vorel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/vorel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/vorel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The user guide, which the help window finds in <prefix>/share/vorel/guide beside bin/.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide/en ${PROJECT_SOURCE_DIR}/docs/guide/zh
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vorel/guide)

# The watch service: its systemd unit and its user (created by systemd-sysusers from the
# package's postinst).
install(FILES ${PROJECT_SOURCE_DIR}/data/systemd/vorel-watch.service
        DESTINATION lib/systemd/system)
install(FILES ${PROJECT_SOURCE_DIR}/data/systemd/vorel-watch.sysusers
        DESTINATION lib/sysusers.d RENAME vorel-watch.conf)

# The package's documents where Debian keeps them: the copyright file as it is, the changelog
# compressed.
find_program(GZIP gzip REQUIRED)
set(vorel_changelog ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${vorel_changelog}
  COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/data/doc/changelog > ${vorel_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/data/doc/changelog
  COMMENT "Compressed changelog")
add_custom_target(vorel-changelog ALL DEPENDS ${vorel_changelog})
install(FILES ${PROJECT_SOURCE_DIR}/data/doc/copyright ${vorel_changelog}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorel)
set(CPACK_PACKAGE_VENDOR "Vorel")
set(CPACK_PACKAGE_CONTACT "Vorel service tool maintainers <vorel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Service tool for diesel generating-set controllers (Modbus RTU master)")
set(CPACK_PACKAGE_DESCRIPTION
    "Identify the controllers on a serial line or through a modem, read, edit, write, back up and restore their parameters, watch a set live and command it, read and keep its event log, edit sensor curves. Includes vorel-cli for scripts and vorel-sim, a substitute controller for training.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The runtime libraries are read from the programs themselves (dpkg-shlibdeps); the Chinese
# font, Qt's own translations and the history's SQLite driver are what the programs load at run
# time; the PostgreSQL driver only serves a team's shared history.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "socat, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
