# The 64-bit Windows build (cmake/x86_64-w64-mingw32.cmake): the program, a
# GUI-subsystem executable entered through SDL's entry shim, and the unit
# tests and table builds, run under Wine. It links SDL 1.2 and Highway built
# for Windows from Debian 12's source packages, which scripts/windows.sh
# builds into the build folder's deps/prefix before it configures
# (scripts/windows-deps.sh BUILD_DIR/deps); configure only finds them there,
# or in the prefix KIMALLUS_DEPS_PREFIX names.
set(KIMALLUS_DEPS_PREFIX ${CMAKE_BINARY_DIR}/deps/prefix CACHE PATH "SDL 1.2 and Highway built for Windows")
if(NOT EXISTS ${KIMALLUS_DEPS_PREFIX}/built-from)
  message(FATAL_ERROR "No SDL 1.2 and Highway for Windows in ${KIMALLUS_DEPS_PREFIX}: "
    "scripts/windows.sh builds them there before it configures, or build them with "
    "scripts/windows-deps.sh ${CMAKE_BINARY_DIR}/deps")
endif()

add_library(SDL::SDL SHARED IMPORTED)
set_target_properties(SDL::SDL PROPERTIES
  IMPORTED_LOCATION ${KIMALLUS_DEPS_PREFIX}/bin/SDL.dll
  IMPORTED_IMPLIB ${KIMALLUS_DEPS_PREFIX}/lib/libSDL.dll.a
  INTERFACE_INCLUDE_DIRECTORIES ${KIMALLUS_DEPS_PREFIX}/include/SDL)
# The shim supplies WinMain, which mingw's start-up code in libmingw32
# calls; it then enters main, renamed SDL_main by SDL's header. It calls
# SDL in turn, so the import library follows it again on the link line.
add_library(SDL::main INTERFACE IMPORTED)
set_target_properties(SDL::main PROPERTIES INTERFACE_LINK_LIBRARIES
  "mingw32;${KIMALLUS_DEPS_PREFIX}/lib/libSDLmain.a;${KIMALLUS_DEPS_PREFIX}/lib/libSDL.dll.a")

# Seen by field/, which then links the library and dispatches at run time.
find_package(hwy CONFIG REQUIRED PATHS ${KIMALLUS_DEPS_PREFIX} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

# No GCC, C++ or thread runtime DLL to ship: the program needs SDL.dll and
# Windows' own DLLs only (SDL's import library is named by its path, so
# -static leaves it a DLL).
add_link_options(-static)

# Wine with a prefix in this build folder, never the user's; no prompts for
# Mono or Gecko, no debug chatter; SDL.dll found where it was built.
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEDEBUG=-all
  WINEDLLOVERRIDES=mscoree,mshtml= WINEPATH=${KIMALLUS_DEPS_PREFIX}/bin wine)
# The tests are listed when they run, not when they are built, so the build
# itself needs no Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
# GoogleTest is built from Debian's source of it, which only the tests
# install: the zip alone (windows.sh) is built without it.
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
