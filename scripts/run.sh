#!/usr/bin/env bash
# Installs what is missing, builds the demo into build/ and runs it.
#
# With DISPLAY or WAYLAND_DISPLAY set, as in a desktop session, it runs the
# demo there until you press Escape or close the window. Without either it
# brings a display of its own: a private Xvfb, a few seconds
# of the demo, a picture and a short recording of the live window, a real
# Escape key press, the demo's report line, and the paths of the two.
# Ends with status 0 after a run with its report line, 1 when the demo
# could not start or go on, 2 on a bad RUN_SECONDS or argument.
#
#   scripts/run.sh                 RUN_SECONDS=10 in front: 10 s, not 3
#   scripts/run.sh --help          this text
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
# shellcheck source=usage.sh
source "$root/scripts/usage.sh"
no_arguments run.sh "it takes no arguments; RUN_SECONDS=SECONDS in front sets the headless run's length" "$@"
# Without a display the demo runs this many seconds before its pictures are
# taken; checked before the long build, not after it.
seconds=${RUN_SECONDS:-3}
if ! [[ $seconds =~ ^[0-9]+(\.[0-9]+)?$ ]]; then
    echo "run.sh: RUN_SECONDS must be a number of seconds, such as 3 or 0.5, not '$seconds'" >&2
    exit 2
fi

"$root/scripts/setup.sh" run
# shellcheck source=quietbuild.sh
source "$root/scripts/quietbuild.sh"
# The demo and its picture tool alone: no tests or benchmarks, whose
# packages the run does not install.
build_quietly "$root/build.log" "build failed" "$build" \
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -- --target kimallusmylly windowshot
prog=$build/app/kimallusmylly

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    # The demo's status is this script's: 0 once you end the run, 1 when
    # it could not start there or could not go on (its message says why).
    # It chooses between X and Wayland itself.
    status=0
    "$prog" || status=$?
    [ "$status" -eq 0 ] ||
        echo "run.sh: the demo ended with status $status on display ${DISPLAY:-$WAYLAND_DISPLAY} (README.md, \"When it does not start\", says what its message means)" >&2
    exit "$status"
fi

# No display: the demo is a window on an X server, so it gets a server of
# its own here, one that goes away with this script.
shot=$build/run-screenshot.png
recording=$build/run-recording.gif
work=$(mktemp -d)
# shellcheck source=xserver.sh
source "$root/scripts/xserver.sh"
cleanup() {
    if [ -n "$demo_pid" ]; then stop_process "$demo_pid"; fi
    stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "run.sh: $*" >&2
    for f in err xvfb.log; do
        if [ -s "$work/$f" ]; then echo "--- $f:" >&2; cat "$work/$f" >&2; fi
    done
    exit 1
}

echo "No display: running the demo for ${seconds} s in a private X server (Xvfb)."
start_xvfb "$work" >/dev/null || fail "Xvfb did not start"

# X and nothing else, whatever driver the caller's environment names.
start_demo "$work" SDL_VIDEODRIVER=x11 "$prog"

if ! wait_demo_window "$demo_pid" 30; then
    kill -0 "$demo_pid" 2>/dev/null || fail "the demo could not start on the private X server"
    fail "no Kimallusmylly window after 30 s"
fi

# The pointer blob follows the mouse: put it among the others.
xdotool mousemove --window "$win" 300 90
sleep "$seconds"
"$build/tools/windowshot" --wait 10 "$shot" || fail "could not take the screenshot"
# 100 readings of the window, as fast as they come: 2 s of animation.
"$build/tools/windowshot" --wait 10 --frames 100 "$recording" || fail "could not record the window"

# A real key press, sent to the window that has the focus.
escape_demo "$demo_pid" 30 || fail "the demo did not end on Escape within 30 s"
wait_demo_exit "$demo_pid" 30 || fail "$why"
status=$demo_status
demo_pid=
cat "$work/out"
[ -s "$work/err" ] && cat "$work/err" >&2
[ "$status" -eq 0 ] || fail "the demo exited with status $status"
grep -q '^Aika: ' "$work/out" || fail "the demo printed no report line"
echo "Screenshot of the live window: ${shot#"$PWD"/}"
echo "Recording of the live window: ${recording#"$PWD"/}"
