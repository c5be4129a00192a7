# Cross build for 64-bit Windows with Debian's mingw-w64
# (x86_64-w64-mingw32-g++); its programs run under Wine. The top-level
# CMakeLists.txt builds SDL 1.2 and Highway for it (scripts/windows-deps.sh)
# and names Wine as the emulator, with a prefix of the build's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The POSIX thread model: GoogleTest needs std::mutex, which GCC 12's win32
# thread model lacks. Its thread library is linked in statically.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
