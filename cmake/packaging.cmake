# Installing the demo, and packing it as a Debian package:
#
#   cmake --install build --prefix /usr/local        -> /usr/local/bin/kimallusmylly
#   (cd build && cpack -G DEB --config CPackConfig.cmake)   -> kimallusmylly_<version>_<arch>.deb
#
# Only the program is installed: the tools, tests and benchmarks are for
# working on it.
include(GNUInstallDirs)
install(TARGETS kimallusmylly RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kimallusmylly)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kimallusmylly developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "soft blobs of light flowing together, drawn in real time")
set(CPACK_PACKAGE_DESCRIPTION
  "A small real-time graphics demo on SDL 1.2. It opens a 400x300 window in\n"
  "256 grey levels and draws, as fast as it can, six soft blobs of light whose\n"
  "brightness adds up where they overlap: three stand still, one bounces, one\n"
  "orbits and one follows the mouse. Escape or closing the window ends the run\n"
  "with one line giving the time, the frames shown and the frame rate.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# The binary is built with debug information; the package does not need it.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kimallusmylly developers <kimallusmylly@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps (dpkg-dev) reads the libraries the binary links, SDL 1.2
# among them, and turns them into versioned Depends (libsdl1.2debian, libc6
# and whatever else it comes to need), so the list never goes stale.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

if(KIMALLUS_SANITIZE)
  message(STATUS "KIMALLUS_SANITIZE is on: a package of this build would carry the sanitizer runtimes")
endif()

include(CPack)
