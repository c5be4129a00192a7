#!/usr/bin/env bash
# The demo's frame rate against the same frame loop with nothing drawn.
#
#   bench/fps.sh [build-dir] [seconds-a-run] [rounds] [classic|compat|windows]
#
# The last argument is the SDL 1.2 library both run on: the classic one or
# the SDL2-based compatibility library (default: the one the system loads);
# or windows: build-dir is the Windows build (scripts/windows.sh, then
# `cmake --build build-windows --target emptyloop`), whose programs run
# under Wine with a prefix in build-dir and write the report to stdout.txt.
# Starts a private Xvfb, then runs the demo and its emptyloop in turn,
# each for the given seconds (default 4) over the given rounds (default 5),
# ends every run with a real Escape key press sent to its window, reads the
# fps from the run's report line and prints the median of each and the
# demo's rate as a share of the empty loop's. Not a test: the figures move
# with whatever else the machine is doing.
set -euo pipefail
usage() {
    echo "usage: bench/fps.sh [build-dir] [seconds-a-run] [rounds] [classic|compat|windows]" >&2
    echo "  seconds-a-run: a number above 0 (default 4); rounds: a whole number above 0 (default 5)" >&2
    exit 2
}
[[ $# -le 4 ]] || usage
seconds=${2:-4}
rounds=${3:-5}
# A run of no time has no rate to speak of: the figures would be noise.
[[ $seconds =~ ^[0-9]+(\.[0-9]+)?$ && $seconds =~ [1-9] ]] || usage
[[ $rounds =~ ^[1-9][0-9]*$ ]] || usage
case ${4:-} in
''|classic|compat|windows) ;;
*) echo "fps.sh: the library is classic, compat or windows, not $4" >&2; usage ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
demo=$build/app/kimallusmylly
empty=$build/app/emptyloop
run=()
if [[ ${4:-} == windows ]]; then
    demo+=.exe
    empty+=.exe
    export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        WINEPATH=$build/deps/prefix/bin
    run=(wine)
    if [[ ! -e $WINEPREFIX/system.reg ]]; then
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
fi
for exe in "$demo" "$empty"; do
    [[ -x $exe ]] || { echo "fps.sh: $exe is missing; build the project first" >&2; exit 1; }
done

# shellcheck source=../scripts/xserver.sh
source "$root/scripts/xserver.sh"

# The system's libSDL-1.2.so.0 is one of the two (the compatibility library
# names its file libSDL-1.2.so.1.2.<release>); Debian 12 keeps the
# compatibility library beside the classic one in sdl12-compat/.
if [[ ${4:-} == windows ]]; then
    system=$build/deps/prefix/bin/SDL.dll kind=windows
else
    system=$(loaded_sdl "$demo") || { echo "fps.sh: the demo loads no libSDL-1.2.so.0" >&2; exit 1; }
    if [[ $system =~ libSDL-1\.2\.so\.1\.2\.[0-9]+$ ]]; then kind=compat; else kind=classic; fi
fi
library=${4:-$kind}
case $library in
"$kind") ;;
compat)
    [[ -e $(dirname "$system")/sdl12-compat/libSDL-1.2.so.0 ]] ||
        { echo "fps.sh: no compatibility library beside $system (apt-get install libsdl1.2-compat)" >&2; exit 1; }
    LD_LIBRARY_PATH=$(dirname "$system")/sdl12-compat${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
    export LD_LIBRARY_PATH ;;
classic)
    echo "fps.sh: the system's SDL 1.2 is the compatibility library; there is no classic one here" >&2; exit 1 ;;
esac
if [[ ${#run[@]} -gt 0 ]]; then
    echo "SDL 1.2 library: $library, $system"
else
    echo "SDL 1.2 library: $library, $(loaded_sdl "$demo")"
fi

work=$(mktemp -d)
cleanup() {
    if [[ -n $demo_pid ]]; then stop_process "$demo_pid"; fi
    stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
start_xvfb "$work" || { echo "fps.sh: $why:" >&2; cat "$work/xvfb.log" >&2; exit 1; }

# One run: start, wait for its window, let it run, press Escape; the rate
# from its report in $fps. Run in this shell, not in a command substitution,
# so that demo_pid is the one the EXIT trap sees.
fps_of() { # executable
    start_demo "$work" "${run[@]}" "$1"
    wait_demo_window "$demo_pid" 30 || { echo "fps.sh: no window from $1:" >&2; cat "$work/out" "$work/err" >&2; exit 1; }
    sleep "$seconds"
    escape_demo "$demo_pid" 30 || { echo "fps.sh: $1 did not stop on Escape" >&2; exit 1; }
    wait_demo_exit "$demo_pid" 30 || true
    demo_pid=
    if [[ ${#run[@]} -gt 0 ]]; then
        # SDL's shim wrote the report beside the program, once Wine is done.
        wineserver -w
        tr -d '\r' <"$(dirname "$1")/stdout.txt" >"$work/out"
    fi
    read_report "$work/out" || { echo "fps.sh: no report from $1 ($why):" >&2; cat "$work/out" "$work/err" >&2; exit 1; }
    fps=$report_fps
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/demo"
: >"$work/empty"
: >"$work/ratio"
for round in $(seq "$rounds"); do
    fps_of "$demo"
    d=$fps
    fps_of "$empty"
    e=$fps
    r=$(awk -v d="$d" -v e="$e" 'BEGIN { printf "%.1f", 100 * d / e }')
    echo "round $round: demo $d fps, empty loop $e fps, demo/empty $r%"
    echo "$d" >>"$work/demo"
    echo "$e" >>"$work/empty"
    echo "$r" >>"$work/ratio"
done
# The machine's speed drifts over a run; a round's two runs are seconds
# apart, so the median of the rounds' own ratios is the steadier figure.
d=$(median <"$work/demo")
e=$(median <"$work/empty")
r=$(median <"$work/ratio")
awk -v d="$d" -v e="$e" -v r="$r" \
    'BEGIN { printf "median: demo %.1f fps, empty loop %.1f fps, demo/empty %.1f%% (median of rounds %.1f%%)\n", d, e, 100 * d / e, r }'
