# shellcheck shell=bash
# Sourced: a private X server for one test, benchmark or run, on a display number the server
# picks itself (-displayfd), so concurrent tests never collide.
#
#   start_xvfb DIR   starts it, logs to DIR/xvfb.log, exports DISPLAY
#   stop_xvfb        stops it and waits for it to go (call it from the test's trap)
#   stop_process PID ends a child of the test, however stuck
#   loaded_sdl PROG  the file the loader finds for PROG's libSDL-1.2.so.0

xvfb_pid=

start_xvfb() {
    local dir=$1
    # A screen larger than the 400x300 window leaves room to point past its
    # edges. -noreset: by default the server resets when its last client
    # leaves, and SDL opens and closes a first connection just to probe for
    # X; the next connection, made during the reset, is then refused.
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local _
    for _ in $(seq 300); do
        [[ -s $dir/display ]] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [[ ! -s $dir/display ]]; then
        echo "FAIL: Xvfb did not start within 30 s:"
        cat "$dir/xvfb.log"
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

# wait_demo_window PID SECONDS: the id of the demo's window in $win; fails if
# program PID ends first or the seconds run out.
wait_demo_window() {
    win=
    local _
    for _ in $(seq $(($2 * 10))); do
        win=$(xdotool search --name '^Kimallusmylly$' 2>/dev/null | head -1) && [[ -n $win ]] && return 0
        kill -0 "$1" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# escape_demo PID SECONDS: a real Escape key press to the window in $win,
# pressed again every 5 s while program PID runs (a press made before the
# window had the focus goes elsewhere); fails if it still runs after that.
escape_demo() {
    local _
    for _ in $(seq $((($2 + 4) / 5))); do
        xdotool mousemove --window "$win" 200 150 windowfocus "$win" 2>/dev/null || true
        xdotool key Escape
        for _ in $(seq 50); do
            kill -0 "$1" 2>/dev/null || return 0
            sleep 0.1
        done
    done
    ! kill -0 "$1" 2>/dev/null
}

# loaded_sdl PROG: the real path of the libSDL-1.2.so.0 the loader finds for
# PROG as the environment stands (LD_LIBRARY_PATH included); empty if none.
loaded_sdl() {
    local lib
    lib=$(ldd "$1" | sed -n 's/^[[:space:]]*libSDL-1\.2\.so\.0 => \([^ ]*\) .*/\1/p')
    [[ -n $lib ]] && readlink -f "$lib"
}
