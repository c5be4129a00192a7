#!/usr/bin/env bash
# The demo for 64-bit Windows: installs what is missing of what the zip needs
# (scripts/packages-windows.txt), cross-builds it with mingw-w64 into
# build-windows/ (SDL 1.2 and Highway included, built from Debian 12's
# source packages) and packs build-windows/kimallusmylly-<version>-windows-x64.zip,
# whose path it prints last. The zip needs nothing on Windows beyond
# Windows itself.
#
#   scripts/windows.sh [BUILD_DIR]     (default build-windows; the tests use
#                                       a folder of their own)
#   scripts/windows.sh --help          this text
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=usage.sh
source "$root/scripts/usage.sh"
case ${1:-} in
-h|--help)
    script_help
    exit 0
    ;;
esac
[[ $# -le 1 && ${1:-} != -* ]] || refuse "windows.sh [BUILD_DIR]"
build=$(realpath -m "${1:-$root/build-windows}")
host=x86_64-w64-mingw32

"$root/scripts/setup.sh" windows
# shellcheck source=quietbuild.sh
source "$root/scripts/quietbuild.sh"

# SDL 1.2 and Highway for Windows, built once into the build folder, where
# the configure step below finds them.
"$root/scripts/windows-deps.sh" "$build/deps" ||
    { echo "windows.sh: SDL 1.2 and Highway for Windows did not build ($build/deps/deps.log)" >&2; exit 1; }
build_quietly "$build.log" "windows.sh: the Windows build failed" "$build" \
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$host.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -- --target kimallusmylly
deps=$build/deps
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
name=kimallusmylly-$version-windows-x64
stage=$build/zip/$name
rm -rf "$build/zip"
mkdir -p "$stage"
"$host-strip" -o "$stage/kimallusmylly.exe" "$build/app/kimallusmylly.exe"
cp "$deps/prefix/bin/SDL.dll" "$stage/"
"$host-strip" "$stage/SDL.dll"

# Only SDL.dll beside it and DLLs every Windows has: the GCC, C++ and thread
# runtimes are linked in.
for file in kimallusmylly.exe SDL.dll; do
    while read -r dll; do
        case ${dll,,} in
        sdl.dll) [[ $file == kimallusmylly.exe ]] || { echo "windows.sh: SDL.dll imports itself?" >&2; exit 1; } ;;
        kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|msvcrt.dll|winmm.dll|shell32.dll|ole32.dll|imm32.dll|version.dll) ;;
        *) echo "windows.sh: $file needs $dll, which Windows does not have" >&2; exit 1 ;;
        esac
    done < <("$host-objdump" -p "$stage/$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
done

# Text for Windows users: CR LF line ends.
crlf() { sed 's/$/\r/'; }
crlf <"$root/LICENSE" >"$stage/LICENSE"
crlf <"$deps/prefix/Highway-LICENSE.txt" >"$stage/Highway-LICENSE.txt"
# Where SDL.dll came from, as windows-deps.sh built it: the Debian revision
# is whichever the mirror had then.
sdl_source=$(sed -n 's/^\([0-9a-f]\{64\}\)  \(libsdl1\.2_.*\)$/  \2\n    SHA-256 \1/p' "$deps/prefix/built-from")
sdl_version=$(sed -n 's/^[0-9a-f]\{64\}  libsdl1\.2_\(.*\)\.dsc$/\1/p' "$deps/prefix/built-from")
if [[ -z $sdl_version || $sdl_version == *$'\n'* ]]; then
    echo "windows.sh: $deps/prefix/built-from names no single libsdl1.2 source package" >&2
    exit 1
fi
sdl_upstream=${sdl_version%-*}
{
    cat <<EOF_
SDL.dll is the Simple DirectMedia Layer library, version ${sdl_upstream%%+*}, under the
GNU Lesser General Public License version 2.1 (below). It was built, with
Debian's patches and no others, from Debian 12's source package libsdl1.2,
version $sdl_version: \`apt-get source libsdl1.2=$sdl_version\` on Debian 12, or
the Debian archive's pool/main/libs/libsdl1.2/, these files:

$sdl_source

configured with --host=$host --disable-static --disable-directx
--disable-audio --disable-joystick --disable-cdrom. The program only calls
it, so any SDL.dll of SDL 1.2 with video can take its place.

EOF_
    cat "$deps/prefix/SDL-COPYING.txt"
} | crlf >"$stage/SDL-LICENSE.txt"
crlf >"$stage/README.txt" <<EOF_
Kimallusmylly $version for 64-bit Windows
=========================================

A small real-time graphics demo: a 400x300 window in 256 grey levels with
six soft blobs of light whose brightness adds up where they overlap. Three
stand still, one bounces, one orbits and one follows the mouse.

Running it
----------
Unpack the whole folder anywhere you may write to and double-click
kimallusmylly.exe (SDL.dll must stay beside it). No installation and nothing
else is needed.

- The mouse steers the sixth blob: move it, or hold a button and drag.
- Escape, or closing the window, ends the run.

At the end the program writes one line to stdout.txt, beside the program:

    Aika: 3.464 sek, framet: 3945 kpl, fps: 1138.857

(time, frames shown, frames a second). If the demo cannot start or go on, it
says why in stderr.txt, beside the program, and writes no report:

    SDL ei initoitunut: ...          SDL did not start
    Videomoodin asetus epäonnas: ... the 400x300 8-bit window could not be opened
    Screeni ei lukkiutunut: ...      the window's picture could not be drawn

(the messages are Latin-1 text, as the program writes them), and ends
with exit status 1 instead of 0. SDL, the library the program draws
with, sends both files there; a file with nothing in it is removed.

Licences
--------
LICENSE              the demo (MIT)
SDL-LICENSE.txt      SDL.dll (LGPL 2.1), with where its source comes from
Highway-LICENSE.txt  Highway, the vector library built into the program
EOF_

zip=$build/$name.zip
rm -f "$zip"
(cd "$build/zip" && cmake -E tar cf "$zip" --format=zip "$name")
echo "$zip"
