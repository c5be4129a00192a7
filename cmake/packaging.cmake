# Installing the demo, and packing it as a Debian package:
#
#   cmake --install build --prefix /usr/local        -> /usr/local/bin/kimallusmylly and the rest below
#   (cd build && cpack -G DEB --config CPackConfig.cmake)   -> kimallusmylly_<version>_<arch>.deb
#
# What a user gets: the program, its manual page, a desktop menu entry with
# its icon (run in a terminal, where the report line is seen), the AppStream
# metainfo that software centres list it by, and the licence and changelog.
# The tools, tests and benchmarks are for working on it. The sources of the
# installed files are in packaging/; the icon is the 256x256 square at
# (144, 22) of docs/screenshot.png.
include(GNUInstallDirs)
install(TARGETS kimallusmylly RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages and the changelog are installed compressed, the way Debian
# wants them: gzip at its best, with no name or time stamp inside.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(packagingDir ${PROJECT_SOURCE_DIR}/packaging)
set(gzipped)
foreach(pair "kimallusmylly.1|kimallusmylly.1.gz" "changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${to}
    COMMAND ${GZIP_EXECUTABLE} -9nc ${packagingDir}/${from} > ${CMAKE_CURRENT_BINARY_DIR}/${to}
    DEPENDS ${packagingDir}/${from}
    VERBATIM)
  list(APPEND gzipped ${CMAKE_CURRENT_BINARY_DIR}/${to})
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${gzipped})

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kimallusmylly.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The desktop entry and the metainfo are named by the AppStream component ID,
# reverse-DNS as AppStream wants it (on the example.org of the Maintainer
# address); the metainfo names the entry as its launchable.
set(appId org.example.kimallusmylly)
install(FILES ${packagingDir}/${appId}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packagingDir}/${appId}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packagingDir}/kimallusmylly.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
# The version is Debian-native (no Debian revision), so its changelog is
# changelog.gz, not changelog.Debian.gz.
install(FILES ${packagingDir}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kimallusmylly)

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
# dpkg-shlibdeps (dpkg-dev, and `file` for CPack to find the binaries) reads
# the libraries the binary links, SDL 1.2 among them, and turns them into
# versioned Depends (libsdl1.2debian, libc6 and whatever else it comes to
# need), so the list never goes stale.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

if(KIMALLUS_SANITIZE)
  message(STATUS "KIMALLUS_SANITIZE is on: a package of this build would carry the sanitizer runtimes")
endif()

include(CPack)
