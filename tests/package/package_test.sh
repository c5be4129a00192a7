#!/usr/bin/env bash
# The installed program, as a user gets it.
#
#   package_test.sh install BUILD_DIR VERSION   cmake --install into a scratch prefix
#   package_test.sh deb BUILD_DIR VERSION       cpack's .deb: its fields and files, and
#                                               the program unpacked from it, run in a
#                                               private Xvfb and ended by Escape
#
# Nothing is installed on the machine: the package is unpacked with
# dpkg-deb -x into a scratch directory. Every wait polls up to a deadline
# and then says what it saw.
set -euo pipefail
case=$1
build=$2
version=$3
work=$(mktemp -d)
prog_pid=
# shellcheck source=../../scripts/xvfb.sh
source "$(dirname "$0")/../../scripts/xvfb.sh"
cleanup() {
    if [[ -n $prog_pid ]]; then stop_process "$prog_pid"; fi
    stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in out err xvfb.log cpack.log; do
        [[ -s $work/$f ]] && { echo "--- $f:"; cat "$work/$f"; }
    done
    exit 1
}

# Files (not directories) under $1, relative to it, sorted.
files_under() { (cd "$1" && find . -type f -o -type l | sort); }

case $case in
install)
    cmake --install "$build" --prefix "$work/prefix" >"$work/out" 2>&1 || fail "cmake --install failed"
    [[ -x $work/prefix/bin/kimallusmylly ]] || fail "no executable bin/kimallusmylly under the prefix"
    got=$(files_under "$work/prefix")
    [[ $got == ./bin/kimallusmylly ]] || fail "installed more than the program:"$'\n'"$got"
    ;;
deb)
    (cd "$build" && cpack -G DEB --config CPackConfig.cmake -B "$work/pkg") >"$work/cpack.log" 2>&1 ||
        fail "cpack failed"
    debs=("$work"/pkg/*.deb)
    [[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one .deb, found: ${debs[*]}"
    deb=${debs[0]}
    [[ $(basename "$deb") == kimallusmylly_${version}_*.deb ]] || fail "package file named $(basename "$deb")"

    field() { dpkg-deb -f "$deb" "$1"; }
    [[ $(field Package) == kimallusmylly ]] || fail "Package: $(field Package)"
    [[ $(field Version) == "$version" ]] || fail "Version: $(field Version), project is $version"
    [[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "Architecture: $(field Architecture)"
    [[ $(field Depends) =~ (^|, )libsdl1\.2debian( |,|$) ]] || fail "Depends does not name SDL 1.2: $(field Depends)"
    [[ -n $(field Maintainer) && -n $(field Description) ]] || fail "no Maintainer or Description"

    contents=$(dpkg-deb -c "$deb" | awk '{print $1, $NF}' | sort)
    want=$'-rwxr-xr-x ./usr/bin/kimallusmylly\ndrwxr-xr-x ./usr/\ndrwxr-xr-x ./usr/bin/'
    [[ $contents == "$want" ]] || fail "package contents:"$'\n'"$contents"$'\n'"expected:"$'\n'"$want"

    dpkg-deb -x "$deb" "$work/root"
    prog=$work/root/usr/bin/kimallusmylly

    start_xvfb "$work" >/dev/null || fail "Xvfb did not start"

    SDL_VIDEODRIVER=x11 "$prog" >"$work/out" 2>"$work/err" &
    prog_pid=$!
    wait_demo_window "$prog_pid" 60 || fail "no Kimallusmylly window after 60 s"
    escape_demo "$prog_pid" 60 || fail "still running 60 s after the first Escape"
    status=0
    wait "$prog_pid" || status=$?
    prog_pid=
    [[ $status -eq 0 ]] || fail "exit status $status"
    [[ ! -s $work/err ]] || fail "stderr not empty"
    [[ $(cat "$work/out") =~ ^Aika:\ [0-9]+\.[0-9]{3}\ sek,\ framet:\ [0-9]+\ kpl,\ fps:\ [0-9]+\.[0-9]{3}$ ]] ||
        fail "no report line"
    ;;
*)
    fail "unknown case $case"
    ;;
esac
echo "ok: $case"
