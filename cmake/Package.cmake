# The Debian package halvex, made by CPack from the install rules (tools/package.sh).
set(HALVEX_PACKAGE_MAINTAINER "Vantorel <halvex@vantorel.com>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvex)
set(CPACK_PACKAGE_VENDOR Vantorel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${HALVEX_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.vantorel.com/halvex/)
# The libraries the programs link against (Qt 6, libjpeg, ...) become the dependencies,
# found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Wine's free Tahoma, the face the printouts ask for (DejaVu Sans stands in without it).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of the LT-40 teslameter")
# The long description; CPack indents it as dpkg wants, an empty line parts paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Halvex talks to the LT-40, a hand-held three-axis magnetic-field meter, over a
serial line. It shows the live reading (one axis or the field vector; DC, 50 Hz
or AC; mT, kA/m or Gs), the probe temperature and the instrument's indicators,
draws the readings on a strip chart with minimum, maximum and average, records
them to data files and replays them, drives the instrument remotely, downloads
the results stored in it and prints a measurement report. Behind a password,
service technicians calibrate the probe.

The package also holds lt40-sim, a simulated LT-40 on a pseudo-terminal, to try
the program without the instrument.")

include(CPack)
