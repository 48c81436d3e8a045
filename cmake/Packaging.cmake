# Installation and the Debian package.
#
#   cmake --install build --prefix /usr      bin/copista, bin/copista-cli, the .desktop entry,
#                                            the icon
#   (cd build && cpack -G DEB)               copista_<version>_<arch>.deb
include(GNUInstallDirs)

install(TARGETS copista copista-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/app/copista.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/app/icons/hicolor/scalable/apps/copista.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME copista)
set(CPACK_PACKAGE_VENDOR "Copista")
set(CPACK_PACKAGE_CONTACT "Copista <copista@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Criação/cópia de biblioteca de componentes para KiCad")
set(CPACK_PACKAGE_DESCRIPTION
    "Builds KiCad legacy schematic symbol libraries (.lib) out of existing ones:
 browse a search library, copy, delete and rename components into an edit
 library, edit their command text with a live symbol preview, and save.
 copista-cli does the same from the command line, without a display: list,
 copy, render, check and board.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Qt 6 runtime libraries the program links, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The preview draws its texts in Arial; Liberation Sans stands in for it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
# Only the programs go into the package (no tests, no benchmarks).
set(CPACK_STRIP_FILES ON)
include(CPack)

if(COPISTA_BUILD_TESTS AND NOT COPISTA_SANITIZE AND NOT COPISTA_FUZZ)
  find_program(DPKG_DEB dpkg-deb)
  if(DPKG_DEB)
    # Builds the package and checks its contents and its installation into a
    # temporary root (dpkg -x; nothing is installed on the machine).
    add_test(NAME packaging.deb
             COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/check_deb.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(packaging.deb PROPERTIES TIMEOUT 300 RUN_SERIAL ON)
  endif()
endif()
