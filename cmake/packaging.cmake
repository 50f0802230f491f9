# Installation, and the Debian package made from it by CPack: /usr/bin/vorlane,
# Cura's script under /usr/share/vorlane/cura and, under /usr/share/doc/vorlane,
# the README, the licence as Debian's copyright file and, for the static
# program, the C library's licence. scripts/package runs CPack and makes the zip and tarball.
include(GNUInstallDirs)
install(TARGETS vorlane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Cura's post-processing script, for users to copy where Cura looks for it.
install(FILES integrations/cura/Vorlane.py DESTINATION ${CMAKE_INSTALL_DATADIR}/vorlane/cura)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)
if(VORLANE_STATIC)
  # The program then contains the GNU C Library (LGPL-2.1): its notice, where
  # its source is, and the licence's text go with the program.
  execute_process(COMMAND dpkg-query -W -f=\${Version} libc6 OUTPUT_VARIABLE GLIBC_VERSION
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  configure_file(cmake/glibc-notice.txt.in glibc-notice.txt @ONLY)
  file(READ ${CMAKE_BINARY_DIR}/glibc-notice.txt notice)
  file(READ /usr/share/doc/libc6/copyright copyright)
  file(READ /usr/share/common-licenses/LGPL-2.1 licence)
  file(WRITE ${CMAKE_BINARY_DIR}/LICENSE-glibc.txt "${notice}\n${copyright}\n${licence}")
  install(FILES ${CMAKE_BINARY_DIR}/LICENSE-glibc.txt DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlane)
set(CPACK_PACKAGE_VERSION ${VORLANE_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vorlane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "G-code post-processor for multi-tool 3D prints")
set(CPACK_PACKAGE_DESCRIPTION "The slicer (Kisslicer, PrusaSlicer, OrcaSlicer, Bambu Studio, Cura,
Simplify3D and others) runs it on each G-code file it writes. It lifts travels
over paths another tool has just laid, boosts support interface and sparse
infill over the layer below, restores the fan after a tool change and raises
the start bed temperature to the hottest material's.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Vorlane developers")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Linked statically (VORLANE_STATIC), the program depends on no other package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "")
include(CPack)
