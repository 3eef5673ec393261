# Install rules (cmake --install; the Debian package is made of the same): the programs
# into bin; the desktop entry, the AppStream metadata and the icon where desktops look for
# them; the man pages and the documents. The program reads nothing from the build tree at run time: its
# about picture is a Qt resource inside it, its settings and data live in the user's XDG
# folders, the printouts' face comes from the system (fonts-wine), and message catalogues
# are looked up in share/halvex/locale (none comes with it).
include(GNUInstallDirs)

# The installed programs: a program added here is installed into bin and built by the
# target "installed-programs" (tools/package.sh builds only that).
set(HALVEX_INSTALLED_PROGRAMS halvex lt40-sim)
install(TARGETS ${HALVEX_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(_halvex_desktop ${CMAKE_SOURCE_DIR}/desktop)
set(_halvex_id com.vantorel.Halvex)

install(FILES ${_halvex_desktop}/${_halvex_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The release named in the metadata is the project's VERSION of HALVEX_RELEASE_DATE.
configure_file(${_halvex_desktop}/${_halvex_id}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/desktop/${_halvex_id}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${_halvex_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon: the drawing, and the 256-pixel picture made from it (tools/make-icon.sh).
install(FILES ${_halvex_desktop}/${_halvex_id}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_halvex_desktop}/${_halvex_id}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

# Man pages, with the version and date filled in, compressed as Debian installs them.
set(_halvex_man_pages)
foreach(_page halvex.1 lt40-sim.1)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${_page}.in ${CMAKE_BINARY_DIR}/man/${_page} @ONLY)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/man/${_page}.gz
    COMMAND gzip -9 -n -k -f ${CMAKE_BINARY_DIR}/man/${_page}
    DEPENDS ${CMAKE_BINARY_DIR}/man/${_page}
    COMMENT "Compressing the man page ${_page}")
  list(APPEND _halvex_man_pages ${CMAKE_BINARY_DIR}/man/${_page}.gz)
endforeach()
add_custom_target(halvex-man-pages ALL DEPENDS ${_halvex_man_pages})
install(FILES ${_halvex_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's documents: serial port access and port names, the licences, the user guide
# with its pictures.
install(FILES ${CMAKE_SOURCE_DIR}/docs/README.Debian ${CMAKE_SOURCE_DIR}/docs/copyright
              ${CMAKE_SOURCE_DIR}/docs/guide.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/screenshots DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Everything the install rules take from the build, and nothing else (no tests).
add_custom_target(installed-programs)
add_dependencies(installed-programs ${HALVEX_INSTALLED_PROGRAMS} halvex-man-pages)
