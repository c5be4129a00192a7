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
xvfb_pid=
prog_pid=
cleanup() {
    if [[ -n $prog_pid ]]; then
        kill "$prog_pid" 2>/dev/null || true
        wait "$prog_pid" 2>/dev/null || true
    fi
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
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

    # -noreset: SDL probes X with a connection it closes at once; a server
    # that resets on its last client leaving would refuse the next one.
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 300); do
        [[ -s $work/display ]] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [[ -s $work/display ]] || fail "Xvfb did not start within 30 s"
    export DISPLAY=:$(head -1 "$work/display")

    SDL_VIDEODRIVER=x11 "$prog" >"$work/out" 2>"$work/err" &
    prog_pid=$!
    win=
    for _ in $(seq 600); do
        win=$(xdotool search --name '^Kimallusmylly$' 2>/dev/null | head -1) && [[ -n $win ]] && break
        kill -0 "$prog_pid" 2>/dev/null || fail "the program ended before its window appeared"
        sleep 0.1
    done
    [[ -n $win ]] || fail "no Kimallusmylly window after 60 s"
    # Escape again if the first press came before the window had the focus.
    for _ in $(seq 12); do
        xdotool mousemove --window "$win" 200 150 windowfocus "$win" 2>/dev/null || true
        xdotool key Escape
        for _ in $(seq 50); do
            kill -0 "$prog_pid" 2>/dev/null || break 2
            sleep 0.1
        done
    done
    kill -0 "$prog_pid" 2>/dev/null && fail "still running 60 s after the first Escape"
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
