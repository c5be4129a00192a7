# shellcheck shell=bash
# shellcheck disable=SC2034 # what the functions set is for the script that sources this
# Sourced: a private X server for one test, benchmark or run, on a display
# number the server picks itself (-displayfd), so concurrent tests never
# collide; and the demo on it as a person meets it: started, its window
# found, ended by a real Escape key press, its report line read.
#
#   start_xvfb DIR [--size WxH] [FLAG...]
#                      starts it, logs to DIR/xvfb.log, exports DISPLAY: a
#                      WxH screen (640x480 if not given), any FLAGs passed
#                      on to Xvfb (such as -extension Composite)
#   stop_xvfb          stops it and waits for it to go (call it from the trap)
#   stop_process PID   ends a child of the script, however stuck
#   start_demo DIR COMMAND...
#                      COMMAND in the background through env(1), which execs
#                      it, so VAR=VALUE and -u VAR may lead it and $demo_pid
#                      is the program's; its output in DIR/out and DIR/err
#   wait_demo_window PID SECONDS [WxH]
#                      the demo's window in $win, once it is WxH if asked
#   press_escape       a real Escape key press to the window in $win
#   escape_demo PID SECONDS
#                      Escape, pressed again every 5 s while program PID runs
#   wait_demo_exit PID SECONDS
#                      program PID's exit status in $demo_status
#   read_report FILE   FILE's one report line: $report_secs, $report_frames
#                      and $report_fps
#   loaded_sdl PROG    the file the loader finds for PROG's libSDL-1.2.so.0
#
# Those that can fail return 1 and say why in $why.

xvfb_pid=
demo_pid=
why=

start_xvfb() {
    local dir=$1 size=640x480
    shift
    if [[ ${1:-} == --size ]]; then
        size=$2
        shift 2
    fi
    # The default screen is larger than the 400x300 window, which leaves room
    # to point past its edges. -noreset: by default the server resets when
    # its last client leaves, and SDL opens and closes a first connection
    # just to probe for X; the next connection, made during the reset, is
    # then refused. The display file starts empty: DIR may have held a
    # server before.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset "$@" 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local _
    for _ in $(seq 300); do
        [[ -s $dir/display ]] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [[ ! -s $dir/display ]]; then
        why="Xvfb did not start within 30 s"
        kill -0 "$xvfb_pid" 2>/dev/null || why="Xvfb ended without starting"
        return 1
    fi
    local number
    number=$(head -1 "$dir/display")
    export DISPLAY=:$number
}

stop_xvfb() {
    [[ -n $xvfb_pid ]] || return 0
    stop_process "$xvfb_pid"
    xvfb_pid=
}

# stop_process PID: SIGTERM (and SIGCONT, should it be stopped), up to 5 s
# to go, then SIGKILL; reaps it.
stop_process() {
    kill -CONT "$1" 2>/dev/null || true
    kill -TERM "$1" 2>/dev/null || true
    local _
    for _ in $(seq 50); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

start_demo() {
    local dir=$1
    shift
    env "$@" >"$dir/out" 2>"$dir/err" &
    demo_pid=$!
}

# wait_demo_window PID SECONDS [WxH]: fails if program PID ends first or the
# seconds run out. The size is read until it is the one asked for: a
# library may map the window before giving it its final size.
wait_demo_window() {
    local want=${3:-} size='' _
    win=
    for _ in $(seq $(($2 * 10))); do
        [[ -n $win ]] || win=$(xdotool search --name '^Kimallusmylly$' 2>/dev/null | head -1) || win=
        if [[ -n $win ]]; then
            [[ -n $want ]] || return 0
            size=$(xwininfo -id "$win" 2>/dev/null | awk '$1 == "Width:" { w = $2 } $1 == "Height:" { h = $2 }
                END { if (w != "") print w "x" h }') || size=
            [[ $size != "$want" ]] || return 0
        fi
        if ! kill -0 "$1" 2>/dev/null; then
            why="the program ended before its window appeared"
            [[ -z $win ]] || why="the program ended with its window ${size:-gone}, not $want"
            return 1
        fi
        sleep 0.1
    done
    why="no window named Kimallusmylly after $2 s"
    [[ -z $win ]] || why="the window is ${size:-gone}, not $want, after $2 s"
    return 1
}

# press_escape: the pointer over the window, the window focused, Escape
# pressed and released; the key is pressed even if the window could not
# take the focus, but that fails too.
press_escape() {
    local focused=yes
    xdotool mousemove --window "$win" 200 150 windowfocus "$win" 2>/dev/null || focused=
    if ! xdotool key Escape || [[ -z $focused ]]; then
        why="could not press Escape in the window (is it still open?)"
        return 1
    fi
}

# escape_demo PID SECONDS: press_escape again every 5 s while program PID
# runs (a press made before the window had the focus goes elsewhere); fails
# if it still runs after that.
escape_demo() {
    local _
    for _ in $(seq $((($2 + 4) / 5))); do
        press_escape || true
        for _ in $(seq 50); do
            kill -0 "$1" 2>/dev/null || return 0
            sleep 0.1
        done
    done
    ! kill -0 "$1" 2>/dev/null
}

wait_demo_exit() {
    local _
    for _ in $(seq $(($2 * 10))); do
        if ! kill -0 "$1" 2>/dev/null; then
            demo_status=0
            wait "$1" || demo_status=$?
            return 0
        fi
        sleep 0.1
    done
    why="the program was still running after $2 s"
    return 1
}

read_report() {
    [[ $(wc -l <"$1") -eq 1 ]] || { why="not exactly one line on stdout"; return 1; }
    local re='^Aika: ([0-9]+\.[0-9]{3}) sek, framet: ([0-9]+) kpl, fps: ([0-9]+\.[0-9]{3})$'
    [[ $(cat "$1") =~ $re ]] || { why="report line malformed"; return 1; }
    report_secs=${BASH_REMATCH[1]} report_frames=${BASH_REMATCH[2]} report_fps=${BASH_REMATCH[3]}
}

# loaded_sdl PROG: the real path of the libSDL-1.2.so.0 the loader finds for
# PROG as the environment stands (LD_LIBRARY_PATH included); empty if none.
loaded_sdl() {
    local lib
    lib=$(ldd "$1" | sed -n 's/^[[:space:]]*libSDL-1\.2\.so\.0 => \([^ ]*\) .*/\1/p')
    [[ -n $lib ]] && readlink -f "$lib"
}
