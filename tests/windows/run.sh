#!/usr/bin/env bash
# The Windows build, made with Debian's mingw-w64 and run under Wine: its
# unit tests and table builds (every Highway target the processor has
# against the literal sum, the tables' pinned hashes), then the real program
# as scripts/windows.sh packs it, unzipped, in a private Xvfb, driven by
# real input (tests/e2e/demo_run.sh, Windows mode). Exits 77, which CTest
# counts as skipped, where mingw-w64 or Wine is missing.
#
#   run.sh SOURCE_DIR BUILD_DIR     (E2E_XDRIVER names the plain build's xdriver)
set -euo pipefail
root=$1
build=$2

missing=()
for tool in x86_64-w64-mingw32-g++-posix wine wineserver; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "SKIP: no ${missing[*]} here; scripts/setup.sh installs mingw-w64, wine and wine64 where the archive has them"
    exit 77
fi

# The program and its zip as a user makes them (windows.sh says what failed,
# if anything did), then the tests beside it.
zip=$("$root/scripts/windows.sh" "$build" | tail -1) || { echo "FAIL: scripts/windows.sh failed"; exit 1; }
log=$build/tests-build.log
# shellcheck source=../../scripts/quietbuild.sh
source "$root/scripts/quietbuild.sh"
build_quietly "$log" "FAIL: the Windows build's tests did not build" "$build" --
rm -rf "$build/unpacked"
mkdir "$build/unpacked"
(cd "$build/unpacked" && cmake -E tar xf "$zip")
program=$(echo "$build"/unpacked/*/kimallusmylly.exe)
for file in kimallusmylly.exe SDL.dll README.txt LICENSE SDL-LICENSE.txt Highway-LICENSE.txt; do
    [[ -s $(dirname "$program")/$file ]] || { echo "FAIL: no $file in $zip"; exit 1; }
done

# Wine's prefix lives in the build folder. It is made once, before any test
# would make it at the same time as another.
export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -e $WINEPREFIX/system.reg ]]; then
    env -u DISPLAY wineboot -i >>"$log" 2>&1 || { cat "$log"; echo "FAIL: wineboot could not make $WINEPREFIX"; exit 1; }
fi
timeout 120 wineserver -w

# The unit tests open no window, and Wine then needs no X display either:
# none of the user's is touched.
status=0
env -u DISPLAY ctest --test-dir "$build" --output-on-failure -j "$jobs" || status=1
for case in picture escape close nodriver; do
    E2E_WINDOWS=1 E2E_SDL_DLL=$(dirname "$program")/SDL.dll \
        "$root/tests/e2e/demo_run.sh" "$program" "$case" || status=1
done
exit "$status"
