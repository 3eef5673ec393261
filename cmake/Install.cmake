# Install rules (cmake --install; the Debian package is made of the same): the programs
# into bin; the desktop entry, the AppStream metadata and the icon where desktops look for
# them; the man pages and the documents. The program reads nothing from the build tree at
# run time: its about picture is a Qt resource inside it, its settings and data live in the
# user's XDG folders, the printouts' face comes from the system (fonts-wine), and message
# catalogues are looked up in share/halvex/locale (none comes with it).
include(GNUInstallDirs)

# The installed programs: a program added here is installed into bin and built by the
# target "installed-programs" (tools/package.sh builds only that).
set(HALVEX_INSTALLED_PROGRAMS halvex halvex-log lt40-sim)
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

# Texts with the version and the release date filled in, compressed as Debian installs them:
# the man pages and the package's changelog (dated in its own form).
execute_process(COMMAND date -u -R -d "${HALVEX_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE HALVEX_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
set(_halvex_texts)
foreach(_text docs/man/halvex.1 docs/man/halvex-log.1 docs/man/lt40-sim.1 docs/changelog.Debian)
  get_filename_component(_name ${_text} NAME)
  set(_out ${CMAKE_BINARY_DIR}/installed/${_name})
  configure_file(${CMAKE_SOURCE_DIR}/${_text}.in ${_out} @ONLY)
  add_custom_command(OUTPUT ${_out}.gz COMMAND gzip -9 -n -k -f ${_out} DEPENDS ${_out}
                     COMMENT "Compressing ${_name}")
  list(APPEND _halvex_texts ${_out}.gz)
endforeach()
add_custom_target(halvex-installed-texts ALL DEPENDS ${_halvex_texts})
install(FILES ${CMAKE_BINARY_DIR}/installed/halvex.1.gz
              ${CMAKE_BINARY_DIR}/installed/halvex-log.1.gz
              ${CMAKE_BINARY_DIR}/installed/lt40-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/installed/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The package's documents: serial port access and port names, the licences, the user guide
# with its pictures.
install(FILES ${CMAKE_SOURCE_DIR}/docs/README.Debian ${CMAKE_SOURCE_DIR}/docs/copyright
              ${CMAKE_SOURCE_DIR}/docs/guide.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/screenshots DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Everything the install rules take from the build, and nothing else (no tests).
add_custom_target(installed-programs)
add_dependencies(installed-programs ${HALVEX_INSTALLED_PROGRAMS} halvex-installed-texts)
