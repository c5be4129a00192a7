#!/usr/bin/env bash
# Runs the real program the way a person does: in a private X server, ended
# by a real Escape key press, or with no display at all.
#
#   demo_run.sh PROGRAM escape|nodisplay
set -euo pipefail
prog=$1
case=$2
work=$(mktemp -d)
xvfb_pid=
prog_pid=
cleanup() {
    [[ -n $prog_pid ]] && kill "$prog_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in out err; do echo "--- std$f:"; cat -A "$work/$f" 2>/dev/null || true; done; exit 1; }

# X libraries keep allocations until exit; the program itself allocates
# nothing, so a leak report would only be noise on stderr.
export ASAN_OPTIONS=detect_leaks=0

# Waits up to $2 tenths of a second for process $1 to end; its status in $status.
wait_exit() {
    for _ in $(seq "$2"); do
        if ! kill -0 "$1" 2>/dev/null; then
            status=0
            wait "$1" || status=$?
            return 0
        fi
        sleep 0.1
    done
    return 1
}

case $case in
nodisplay)
    env -u DISPLAY SDL_VIDEODRIVER=x11 "$prog" >"$work/out" 2>"$work/err" &
    prog_pid=$!
    wait_exit "$prog_pid" 100 || fail "program did not end without a display"
    [[ $status -eq 0 ]] || fail "exit status $status"
    [[ ! -s $work/out ]] || fail "stdout not empty"
    grep -qaE '^SDL ei initoitunut: .+$' "$work/err" || fail "no init message"
    [[ $(wc -l <"$work/err") -eq 1 ]] || fail "more than one line on stderr"
    ;;
escape)
    # -displayfd lets the server pick a free display, so runs never collide.
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
    [[ -s $work/display ]] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=:$(head -1 "$work/display")

    "$prog" ignored --arguments >"$work/out" 2>"$work/err" &
    prog_pid=$!
    win=
    for _ in $(seq 300); do
        win=$(xdotool search --name '^Kimallusmylly$' 2>/dev/null | head -1) && [[ -n $win ]] && break
        kill -0 "$prog_pid" 2>/dev/null || fail "program ended before its window appeared"
        sleep 0.1
    done
    [[ -n $win ]] || fail "no window named Kimallusmylly after 30 s"
    geometry=$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')
    [[ $geometry == 400x300 ]] || fail "window is $geometry, not 400x300"

    # Real input through XTest, as from a keyboard and mouse: the pointer over
    # the window and the window focused, so the keys go to it.
    xdotool mousemove --window "$win" 390 290 windowfocus "$win"
    # Keys other than Escape, and pointer moves, must not end the run.
    xdotool key a space
    sleep 1
    kill -0 "$prog_pid" 2>/dev/null || fail "run ended on a key other than Escape"

    xdotool key Escape
    wait_exit "$prog_pid" 300 || fail "Escape did not end the run"
    prog_pid=
    [[ $status -eq 0 ]] || fail "exit status $status"
    [[ ! -s $work/err ]] || fail "stderr not empty"
    [[ $(wc -l <"$work/out") -eq 1 ]] || fail "not exactly one line on stdout"
    line=$(cat "$work/out")
    re='^Aika: ([0-9]+\.[0-9]{3}) sek, framet: ([0-9]+) kpl, fps: ([0-9]+\.[0-9]{3})$'
    [[ $line =~ $re ]] || fail "report line malformed"
    secs=${BASH_REMATCH[1]} frames=${BASH_REMATCH[2]} fps=${BASH_REMATCH[3]}
    [[ $frames -gt 0 ]] || fail "no frames shown"
    # The printed seconds are rounded to a millisecond: the rate must agree
    # with frames / seconds within that rounding.
    awk -v s="$secs" -v n="$frames" -v r="$fps" 'BEGIN {
        lo = n / (s + 0.0005); hi = (s > 0.0005) ? n / (s - 0.0005) : 1e30;
        exit !(r >= lo - 0.001 && r <= hi + 0.001) }' || fail "fps $fps does not match $frames frames in $secs s"
    ;;
*)
    fail "unknown case $case"
    ;;
esac
echo "ok: $case"
