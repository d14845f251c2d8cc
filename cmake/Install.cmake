# Installation and the Debian package. The programs and the example files
# install from their own folders (app/, examples/); this adds the command
# line, the desktop integration and the user guide, and packages it all.
include(GNUInstallDirs)

set(QUBLE_APP_ID "org.quble.Quble")

# The user guide: found by the core, opened by the desktop from the GUI.
target_sources(quble_core PRIVATE "${PROJECT_SOURCE_DIR}/platform/help_paths.cpp")
target_sources(quble_gui PRIVATE "${PROJECT_SOURCE_DIR}/platform/help_qt.cpp")

install(TARGETS quble-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(_quble_pkg "${PROJECT_SOURCE_DIR}/packaging")
install(FILES "${_quble_pkg}/${QUBLE_APP_ID}.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${_quble_pkg}/${QUBLE_APP_ID}.metainfo.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES "${_quble_pkg}/icons/quble.svg" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES "${_quble_pkg}/icons/quble-${size}.png"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME quble.png)
endforeach()

# The user guide is staged where an installation keeps it (share/quble/help
# beside bin), so the program of the build tree finds it as the installed
# one does.
file(GLOB _quble_guide_files CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/docs/guide/*.html" "${PROJECT_SOURCE_DIR}/docs/guide/*.css"
  "${PROJECT_SOURCE_DIR}/docs/guide/images/*.png")
set(_quble_guide_stage "${CMAKE_BINARY_DIR}/share/quble/help")
add_custom_command(
  OUTPUT "${_quble_guide_stage}/index.html"
  COMMAND ${CMAKE_COMMAND} -E remove_directory "${_quble_guide_stage}"
  COMMAND ${CMAKE_COMMAND} -E copy_directory "${PROJECT_SOURCE_DIR}/docs/guide" "${_quble_guide_stage}"
  DEPENDS ${_quble_guide_files}
  COMMENT "Placing the user guide beside the program"
  VERBATIM)
add_custom_target(quble_user_guide ALL DEPENDS "${_quble_guide_stage}/index.html")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/docs/guide/" DESTINATION ${CMAKE_INSTALL_DATADIR}/quble/help)
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

# A Debian package (cpack -G DEB in a Release build, see scripts/deb.sh).
set(QUBLE_DEB_MAINTAINER "Quble developers <quble@users.noreply.github.com>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_NAME "quble")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Quble")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "simulate first-order proton NMR multiplets and compare them with spectra")
set(CPACK_PACKAGE_DESCRIPTION
  "Quble is a desktop program for teaching and analysing proton (1H) NMR spectra.\n"
  "It simulates first-order multiplets of one to four hydrogens from their\n"
  "chemical shifts and coupling constants, draws the splitting diagram, the\n"
  "stick lines and the spectrum with a Lorentzian, Gaussian or mixed line\n"
  "shape, opens processed Bruker spectra (1r, procs, acqus), calibrates them\n"
  "against a reference and draws them over the simulation for comparison.\n"
  "Pictures go to the clipboard and to EMF, SVG, PDF or PNG files. The\n"
  "package includes the command line program quble-cli, example spectra and\n"
  "a user guide.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUBLE_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The graphs measure and draw their texts with the Liberation fonts, found
# by file, so no library dependency brings them in. The windows are laid out
# for DejaVu Sans; without it a fresh system's fontconfig answers
# "sans-serif" with Liberation Mono, and captions no longer fit.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core")
# Qt loads its Wayland platform plugin at run time, so dpkg-shlibdeps cannot
# see it (the X11 one comes with the Qt GUI library); the user guide opens
# in the browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
set(CPACK_GENERATOR "DEB")
include(CPack)
