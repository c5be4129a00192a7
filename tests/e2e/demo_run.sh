#!/usr/bin/env bash
# Runs the real program the way a person meets it: in a private X server,
# with real input, ended by Escape or by the window's close button, or by
# losing its display; or with one of its SDL calls failing on purpose; or
# with no display at all; or, on the compatibility library, scaled up to
# twice its size for a big monitor, or on a Wayland desktop with no X server.
#
#   demo_run.sh PROGRAM CASE
#
# E2E_XDRIVER, E2E_SDLSHIM and E2E_HWYTIMER name the helpers built next to
# this script (xdriver.cpp, sdlshim.cpp, hwytimer.cpp). E2E_SDL names the
# SDL 1.2 library the program runs on (classic or compat), E2E_SDL_FILE the
# file it must load for libSDL-1.2.so.0 and E2E_SDL_DIR the folder to load it
# from, if not the system's own. No step depends on how fast anything runs: every wait polls
# up to a generous deadline and then reports what it saw.
#
# With E2E_WINDOWS=1, PROGRAM is the Windows build's .exe and runs under Wine
# (WINEPREFIX and the rest set by the caller), beside a copy of the SDL.dll
# E2E_SDL_DLL names; SDL's entry shim writes the report and the messages to
# stdout.txt and stderr.txt beside the program, which stand in for its
# standard output and error.
set -euo pipefail
prog=$1
case=$2
here=$(cd "$(dirname "$0")" && pwd)
xdriver=${E2E_XDRIVER:-}
shim=${E2E_SDLSHIM:-}
sdl=${E2E_SDL:-default}
windows=${E2E_WINDOWS:-}
work=$(mktemp -d)
# shellcheck source=../../scripts/xserver.sh
source "$here/../../scripts/xserver.sh"

driver_pid=
sway_pid=
keyboard_pid=
wl=
cleanup() {
    # SDL turns SIGTERM into a quit request, which a broken program may
    # ignore: it gets 5 s, then SIGKILL.
    [[ -z $demo_pid ]] || stop_process "$demo_pid"
    [[ -z $driver_pid ]] || stop_process "$driver_pid"
    [[ -z $windows ]] || wineserver -k 2>/dev/null || true
    stop_xvfb
    [[ -z $keyboard_pid ]] || stop_process "$keyboard_pid"
    [[ -z $sway_pid ]] || stop_process "$sway_pid"
    # Also ends the loop that feeds the keyboard (start_keyboard).
    [[ -z $wl ]] || rm -rf "$wl"
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for f in out err trace driver xvfb.log wine.out wine.err sway.log; do
        [[ -e $work/$f ]] && { echo "--- $f:"; cat -A "$work/$f"; }
    done
    exit 1
}
# The case cannot run on this system; CTest counts it as skipped.
skip() {
    echo "SKIP: $*"
    exit 77
}

# X libraries keep allocations until exit; the program itself allocates
# nothing, so a leak report would only be noise on stderr. The shim is
# preloaded ahead of the sanitizer runtime, which is fine: it has no
# instrumented code and only forwards calls.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0:verify_asan_link_order=0

if [[ -n $windows ]]; then
    [[ -n ${WINEPREFIX:-} ]] || fail "WINEPREFIX is not set: the Windows runs keep Wine out of the home folder"
    # A copy of its own for each run, so no run reads another's files.
    mkdir "$work/win"
    cp "$prog" "${E2E_SDL_DLL:?the Windows runs need E2E_SDL_DLL}" "$work/win/"
    printf '#!/bin/sh\nexec wine "%s" "$@"\n' "$work/win/$(basename "$prog")" >"$work/wine-run"
    chmod +x "$work/wine-run"
    prog=$work/wine-run
    sdl=windows
    loaded=$E2E_SDL_DLL
# The program is linked against libSDL-1.2.so.0 whichever library provides
# it; the loader must pick the one this run is for.
elif [[ -n ${E2E_SDL_DIR:-} ]]; then
    export LD_LIBRARY_PATH=$E2E_SDL_DIR${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
fi
if [[ -z $windows ]]; then
    loaded=$(loaded_sdl "$prog") || fail "the program does not load libSDL-1.2.so.0"
    [[ -z ${E2E_SDL_FILE:-} || $loaded == "$(readlink -f "$E2E_SDL_FILE")" ]] ||
        fail "the program would load $loaded, not the $sdl library $E2E_SDL_FILE"
fi

# The compatibility library scales the window by these, SDL2 beneath it by
# the last: set for a big monitor, they would change every window here but
# the one the scaled case asks for.
unset SDL12COMPAT_WINDOW_SCALING SDL12COMPAT_SCALE_METHOD SDL_RENDER_SCALE_QUALITY

# The error text the shim hands to SDL_SetError, and the trace it writes.
shim_text='sdlshim: injected failure #7'
shim_env=(LD_PRELOAD="$shim" SDLSHIM_TEXT="$shim_text" SDLSHIM_TRACE="$work/trace")

# The steps the cases are made of; each fails the run, saying why.

# xserver [--size WxH] [FLAG...]: a private X server (scripts/xserver.sh).
xserver() {
    start_xvfb "$work" "$@" || fail "$why"
}

# launch [VAR=VALUE | -u VAR]... COMMAND...: the program in the background,
# its output in out and err.
launch() {
    start_demo "$work" "$@"
}

# window [SECONDS [WxH]]: waits for the program's window, caption
# Kimallusmylly, 400x300 unless said; sets $win.
window() {
    wait_demo_window "$demo_pid" "${1:-60}" "${2:-400x300}" || fail "$why"
}

# open_demo ARGS...: a server, the program (launch's ARGS) and its window.
open_demo() {
    xserver
    launch "$@"
    window
}

# Waits up to $1 seconds for the program to end; its exit status in $status.
wait_exit() {
    wait_demo_exit "$demo_pid" "$1" || fail "$why"
    status=$demo_status
    demo_pid=
    [[ -z $windows ]] || windows_output
}

# end_with escape|close [SECONDS]: a real Escape key press (the pointer over
# the window, the window focused), or the close request a window manager
# sends; the program must end within the seconds (60).
end_with() {
    case $1 in
    escape) press_escape || fail "$why" ;;
    close) driver close "$win" ;;
    esac
    wait_exit "${2:-60}"
}

# Under Wine: once every program of the prefix has ended, the files SDL's
# shim wrote become out and err, each line's CR LF (the text mode of
# Windows) read as LF. Wine's own output must have nothing of the program's.
windows_output() {
    timeout 60 wineserver -w || fail "Wine's programs were still running 60 s after the demo ended"
    mv "$work/out" "$work/wine.out"
    mv "$work/err" "$work/wine.err"
    [[ ! -s $work/wine.out ]] || fail "the program wrote to Wine's standard output, not to stdout.txt"
    local f to
    for f in stdout stderr; do
        to=$work/${f#std}
        [[ -e $work/win/$f.txt ]] || { : >"$to"; continue; }
        [[ $(grep -c $'\r$' "$work/win/$f.txt") -eq $(wc -l <"$work/win/$f.txt") ]] ||
            { cat -A "$work/win/$f.txt"; fail "$f.txt has a line that does not end in CR LF"; }
        sed 's/\r$//' "$work/win/$f.txt" >"$to"
    done
}

driver() {
    "$xdriver" "$@" || fail "xdriver $1"
}

# driver_until WORD ARGS...: xdriver in the background, its output in
# driver, until it says WORD; its pid in $driver_pid.
driver_until() {
    local word=$1 _
    shift
    "$xdriver" "$@" >"$work/driver" &
    driver_pid=$!
    for _ in $(seq 600); do
        grep -qw "$word" "$work/driver" && return 0
        kill -0 "$driver_pid" 2>/dev/null || { wait "$driver_pid" || true; driver_pid=; fail "xdriver $1"; }
        sleep 0.1
    done
    fail "xdriver $1 did not say $word"
}

# The end of a normal run: status 0, nothing on stderr, one report line whose
# rate agrees with its frames and seconds. Sets $frames.
check_report() {
    [[ $status -eq 0 ]] || fail "exit status $status"
    [[ ! -s $work/err ]] || fail "stderr not empty"
    read_report "$work/out" || fail "$why"
    local secs=$report_secs fps=$report_fps
    frames=$report_frames
    [[ $frames -gt 0 ]] || fail "no frames shown"
    # The printed seconds are rounded to a millisecond: the rate must agree
    # with frames / seconds within that rounding.
    awk -v s="$secs" -v n="$frames" -v r="$fps" 'BEGIN {
        lo = n / (s + 0.0005); hi = (s > 0.0005) ? n / (s - 0.0005) : 1e30;
        exit !(r >= lo - 0.001 && r <= hi + 0.001) }' || fail "fps $fps does not match $frames frames in $secs s"
}

# A failure exit: status 1, nothing on stdout, exactly the bytes of $1 (a
# printf format, %s standing for the library's error text) on stderr, and
# the library shut down at least once on the way out.
check_failure() {
    [[ $status -eq 1 ]] || fail "exit status $status, not 1"
    [[ ! -s $work/out ]] || fail "stdout not empty: the report must not be printed"
    # shellcheck disable=SC2059
    printf "$1" "$shim_text" >"$work/expected"
    cmp -s "$work/expected" "$work/err" || {
        echo "--- expected stderr:"; cat -A "$work/expected"; fail "stderr differs"; }
    grep -q '^quit 1 ' "$work/trace" || fail "SDL_Quit was never called"
}

# cannot_start MESSAGE [VAR=VALUE | -u VAR]...: the program, started so,
# ends by itself with status 1, nothing on stdout and one line on stderr,
# all of it matching MESSAGE (an extended regular expression); no report.
cannot_start() {
    local message=$1
    shift
    launch "$@" "$prog"
    wait_exit 60
    [[ $status -eq 1 ]] || fail "exit status $status, not 1"
    [[ ! -s $work/out ]] || fail "stdout not empty"
    grep -qaxE "$message" "$work/err" || fail "no init message"
    [[ $(wc -l <"$work/err") -eq 1 ]] || fail "more than one line on stderr"
}

# ---- A Wayland desktop with no X server: a headless sway with its software
# renderer and no Xwayland, grim for its pictures, wtype and wlrctl for its
# keyboard and pointer. sway refuses to run as root, so under root the
# compositor, its clients and the program run as nobody; $wl is that user's
# runtime folder, and its home.

# Sets $user: what runs a command as the desktop's user, with what a session
# of a Wayland-only desktop gives it and nothing more: no DISPLAY and no
# SDL_VIDEODRIVER. Mesa is told there is no graphics card to look for, which
# it would otherwise say on stderr.
desktop_user() {
    user=(env -i PATH="$PATH" HOME="$wl" XDG_RUNTIME_DIR="$wl" LIBGL_ALWAYS_SOFTWARE=1)
    [[ -z ${wl_display:-} ]] || user+=(WAYLAND_DISPLAY="$wl_display" SWAYSOCK="$wl_ipc")
    local v
    for v in LD_LIBRARY_PATH ASAN_OPTIONS UBSAN_OPTIONS; do
        [[ -z ${!v:-} ]] || user+=("$v=${!v}")
    done
    [[ $(id -u) -ne 0 ]] || user=(setpriv --reuid=65534 --regid=65534 --clear-groups "${user[@]}")
}

# Starts sway and waits for its display; sets $wl_display, $wl_ipc and
# $wl_prog, the program as that user can run it.
start_sway() {
    wl=$(mktemp -d)
    [[ $(id -u) -ne 0 ]] || chown 65534:65534 "$wl"
    # sway puts its cursor where it is told in fractions of the output's
    # size, in single precision: on an output whose sides are powers of two
    # every whole pixel is exact (on 1280x720, y 234 would come out 233.996).
    printf 'xwayland disable\noutput * resolution 1024x512\n' >"$wl/sway.conf"
    desktop_user
    "${user[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman sway -c "$wl/sway.conf" >"$work/sway.log" 2>&1 &
    sway_pid=$!
    local _ socket
    for _ in $(seq 300); do
        socket=$(find "$wl" -maxdepth 1 -type s -name 'wayland-*' -printf '%f\n' | head -1)
        wl_ipc=$(find "$wl" -maxdepth 1 -type s -name 'sway-ipc.*' | head -1)
        [[ -z $socket || -z $wl_ipc ]] || break
        kill -0 "$sway_pid" 2>/dev/null || fail "sway ended without starting"
        sleep 0.1
    done
    [[ -n $socket && -n $wl_ipc ]] || fail "sway did not start within 30 s"
    wl_display=$socket
    desktop_user
    # A build under a folder of root's is out of nobody's reach.
    wl_prog=$prog
    "${user[@]}" test -x "$prog" || { cp "$prog" "$wl/"; wl_prog=$wl/$(basename "$prog"); }
}

sway_do() {
    "${user[@]}" swaymsg "$@" >/dev/null
}

# sway_has WHAT TEXT: swaymsg -t WHAT's answer holds TEXT.
sway_has() {
    local answer
    answer=$("${user[@]}" swaymsg -t "$1") && [[ $answer == *"$2"* ]]
}

# A keyboard for the whole run, there before the program starts, as a real
# one is. wtype holds its virtual keyboard until its input ends, then types
# what it read: press_wl_escape gives it Escape. (A wtype a key brings a
# keyboard of its own and takes it away again; a key it sends before the
# program's SDL has taken up the new keyboard is lost, and one still held
# when it does crashes SDL 2.26 to 2.32, which look such a key up in a
# layout it does not know yet.)
start_keyboard() {
    # shellcheck disable=SC2016 # expanded by the inner shell
    bash -c 'while [[ -d $1 && ! -e $1/escape ]]; do sleep 0.1; done; [[ ! -e $1/escape ]] || printf "\033"' _ "$wl" |
        "${user[@]}" wtype - &
    keyboard_pid=$!
    local _
    for _ in $(seq 300); do
        sway_has get_inputs '"type": "keyboard"' && return 0
        sleep 0.1
    done
    fail "wtype's keyboard did not come within 30 s"
}

press_wl_escape() {
    touch "$wl/escape"
    wait "$keyboard_pid" || fail "wtype could not type Escape"
    keyboard_pid=
}

# Waits for the program's window, puts it at the output's top left corner
# without a border, so that output pixels are window pixels. Only a floating
# window can be put there: a window that does not say it is 400x300 and no
# other size is tiled, and its frames stretched to the tile.
wl_window() {
    local _
    for _ in $(seq 600); do
        sway_has get_tree '"name": "Kimallusmylly"' && break
        kill -0 "$demo_pid" 2>/dev/null || fail "the program ended before its window appeared"
        sleep 0.1
    done
    sway_do '[title="^Kimallusmylly$"] border none, move absolute position 0 0' ||
        fail "sway could not put the window at its corner: no window named Kimallusmylly, or not a floating one"
}

# wl_frame PX PY: grim's picture of the window is a frame the renderer draws
# with the pointer blob at PX,PY; xdriver says what it found in $work/driver.
wl_frame() {
    "${user[@]}" grim -g '0,0 400x300' "$wl/shot.png" || fail "grim could not take the window's picture"
    "$xdriver" shot "$wl/shot.png" "$1" "$2" 1 >"$work/driver"
}

# wl_first_frame: the window shows a frame with the blob where it waits for
# the pointer, once it shows the demo's frames at all (the compatibility
# library shows the window once before the first).
wl_first_frame() {
    local _
    for _ in $(seq 100); do
        wl_frame 0 0 && return 0
        sleep 0.1
    done
    fail "no frame of the renderer's in 100 pictures: $(cat "$work/driver")"
}

# wl_point X Y: the pointer to window pixel X,Y, and the frame that shows the
# blob there. sway's cursor is put there, and wlrctl brings a pointer: the
# program's SDL sees the seat gain one, asks for it and is told where it is,
# which is the event the demo takes. wlrctl's pointer lasts one command, so
# SDL often asks once it is gone and learns nothing: the pointer comes again
# until the window shows the blob.
wl_point() {
    sway_do "seat seat0 cursor set $1 $2" || fail "sway could not move its cursor"
    local n
    for n in $(seq 100); do
        "${user[@]}" wlrctl pointer move 0 0 || fail "wlrctl could not bring a pointer"
        if wl_frame "$1" "$2"; then
            echo "the pointer blob at ($1, $2) with wlrctl's pointer number $n"
            return 0
        fi
        kill -0 "$demo_pid" 2>/dev/null || fail "the program ended"
    done
    fail "no frame with the pointer blob at ($1, $2) after 100 pointers: $(cat "$work/driver")"
}

case $case in
nodriver)
    # SDL asked for a video driver it does not have: the first failure
    # message, and no report.
    xserver
    cannot_start 'SDL ei initoitunut: No available video device' SDL_VIDEODRIVER=nonexistent
    ;;
nodisplay)
    # No display and no driver chosen: the program must not fall back to the
    # library's text-mode drivers but say why it cannot start. (Nor a Wayland
    # display, which the program would take.)
    cannot_start 'SDL ei initoitunut: .+' -u DISPLAY -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY
    ;;
escape)
    open_demo "$prog" ignored --arguments
    driver frames "$win" 5
    end_with escape
    check_report
    # The compatibility library also shows the window once when the palette
    # is set, before the first frame; DAMAGE may count that among the five.
    least=5
    [[ $sdl == compat ]] && least=4
    [[ $frames -ge $least ]] || fail "$frames frames reported, at least $least were seen drawn"
    ;;
close)
    open_demo "$prog"
    driver frames "$win" 5
    end_with close
    check_report
    ;;
keys)
    # Real key presses and releases, each of which xdriver sees the window
    # sent: five other keys, then an Escape pressed with the pointer off the
    # window and the focus on the root window, so that the press goes to the
    # root, where nobody listens, and released once the window has the focus
    # again.
    open_demo "$prog"
    root=$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\) .*/\1/p')
    xdotool mousemove --window "$win" 200 150 windowfocus --sync "$win" || fail "could not focus the window"
    driver_until listening keys "$win"
    xdotool key a space Return q F4 \
        mousemove --window "$win" 420 320 windowfocus --sync "$root" keydown Escape \
        mousemove --window "$win" 200 150 windowfocus --sync "$win" keyup Escape || fail "xdotool could not send the keys"
    wait "$driver_pid" || { driver_pid=; fail "xdriver keys"; }
    driver_pid=
    kill -0 "$demo_pid" 2>/dev/null || fail "the run ended on a key other than Escape or on its release"
    end_with escape
    check_report
    ;;
scaled)
    # For big monitors: the compatibility library draws the window at twice
    # the size, each demo pixel a sharp 2x2 block, while the program still
    # sees its 400x300 and the pointer in its own pixels. The window is
    # centred on a screen with room for it.
    [[ $sdl == compat ]] || fail "only the compatibility library scales the window"
    xserver --size 1024x768
    launch SDL12COMPAT_WINDOW_SCALING=2 SDL12COMPAT_SCALE_METHOD=nearest "$prog"
    window 60 800x600
    driver picture "$win" 600 180 300 90 scale 2
    # A window pixel in the other half of its block: SDL2 takes the demo
    # pixel it shows, while SDL2's compatibility library on SDL 3 rounds the
    # pointer's position, half a demo pixel there, to the next one.
    if grep -q '/libSDL3[.-]' "/proc/$demo_pid/maps"; then
        driver picture "$win" 601 181 301 91 scale 2
    else
        driver picture "$win" 601 181 300 90 scale 2
    fi
    end_with escape
    check_report
    ;;
picture)
    open_demo "$prog"
    driver picture "$win" 123 234 123 234
    # Past the bottom-right corner, with a button held so the window keeps
    # getting the moves: the blob stops at the last pixel.
    driver picture "$win" 450 350 399 299 hold
    end_with escape
    check_report
    ;;
flood)
    open_demo "$prog"
    driver flood "$demo_pid" "$win" 30 100
    wait_exit 60
    check_report
    [[ $frames -ge 3000 ]] || fail "$frames frames for 3000 pointer moves taken one a frame"
    ;;
fail_init)
    xserver
    launch "${shim_env[@]}" SDLSHIM_FAIL=init "$prog"
    wait_exit 60
    check_failure 'SDL ei initoitunut: %s\n'
    ;;
fail_mode)
    xserver
    launch "${shim_env[@]}" SDLSHIM_FAIL=mode "$prog"
    wait_exit 60
    check_failure 'Videomoodin asetus ep\xe4onnas: %s\n'
    # Shut down right after the message, which is already out.
    size=$(stat -c %s "$work/err")
    grep -q "^quit 1 stdout_buffered=0 stdout_bytes=0 stderr_bytes=$size flips=0\$" "$work/trace" ||
        fail "SDL_Quit not called right after the message"
    ;;
fail_lock)
    # The first 30 locks succeed, so the failure comes in a running loop
    # that has drawn, unlocked and flipped 30 frames.
    xserver
    launch "${shim_env[@]}" SDLSHIM_FAIL=lock SDLSHIM_LOCK_AFTER=30 "$prog"
    wait_exit 60
    check_failure 'Screeni ei lukkiutunut: %s\n'
    grep -q '^fail lock after locks=30 unlocks=30 flips=30$' "$work/trace" ||
        fail "the lock did not fail after 30 locked, unlocked and flipped frames"
    ;;
shutdown)
    # The library is shut down before the report is written: nothing of it
    # is buffered or in the file yet when SDL_Quit runs the first time. The
    # clock the program reads goes from 2^32-1 to 0: the loop took 1 ms
    # across the wrap, after the mode was set, and the report counts every
    # flip once.
    open_demo "${shim_env[@]}" SDLSHIM_TICKS=4294967295,0 "$prog"
    driver frames "$win" 5
    end_with escape
    check_report
    grep -qx 'mode 400 300 8 0x60000001' "$work/trace" || fail "not the 400x300 8-bit double-buffered window asked for"
    grep -qx 'ticks 1 after modes=1' "$work/trace" || fail "the start time was read before the window was set up"
    flips=$(sed -n 's/^quit 1 stdout_buffered=0 stdout_bytes=0 stderr_bytes=0 flips=\([0-9]*\)$/\1/p' "$work/trace")
    [[ -n $flips ]] || fail "SDL_Quit not called before the report"
    [[ $(cat "$work/out") == "Aika: 0.001 sek, framet: $flips kpl, fps: ${flips}000.000" ]] ||
        fail "the report for $flips flips in 1 ms"
    ;;
lostdisplay)
    # The display goes away under a running demo: first its connection alone
    # is cut (xkill), then the whole server ends (a session ending). Either
    # way the program must end instead of waiting on the dead connection.
    command -v xkill >/dev/null || fail "xkill is not installed (scripts/setup.sh installs it)"
    open_demo "$prog"
    driver frames "$win" 5
    xkill -id "$win" >/dev/null || fail "xkill could not cut the program's connection"
    wait_exit 60
    launch "$prog"
    window
    driver frames "$win" 5
    stop_xvfb
    wait_exit 60
    ;;
valgrind)
    command -v valgrind >/dev/null || fail "valgrind is not installed (scripts/setup.sh installs it)"
    # Any memcheck error fails the run, not only invalid reads and writes;
    # none needs suppressing, not even in the X and classic SDL libraries
    # (compat.supp says what the compatibility library needs). Valgrind
    # shows the program a processor without AVX-512, so the renderer takes
    # its AVX2 path here.
    supp=()
    [[ $sdl == compat ]] && supp=(--suppressions="$here/compat.supp")
    xserver
    # Highway's library calibrates its timer with RDTSCP when it is loaded,
    # which valgrind cannot run on a processor without it; the stand-in
    # (hwytimer.cpp) spares that, and the program never reads the timer.
    launch LD_PRELOAD="${E2E_HWYTIMER:?the memcheck run needs E2E_HWYTIMER}" valgrind --error-exitcode=97 --leak-check=no "${supp[@]}" --log-file="$work/valgrind.log" "$prog"
    window 240
    # A frame can take seconds under memcheck on the compatibility library
    # (its SDL2 converts and presents every one): xdriver waits as long.
    E2E_WAIT=240 driver frames "$win" 10
    xdotool mousemove --window "$win" 150 100
    E2E_WAIT=240 driver frames "$win" 10
    end_with escape 240
    [[ $status -ne 97 ]] || { cat "$work/valgrind.log"; fail "memcheck found errors"; }
    grep -q 'ERROR SUMMARY: 0 errors' "$work/valgrind.log" || { cat "$work/valgrind.log"; fail "no clean memcheck summary"; }
    check_report
    ;;
windowshot)
    # The picture tool against the live window: its frames are the
    # renderer's, with another window over the demo's and with the demo's
    # partly off the screen. On a server without the Composite extension it
    # refuses the covered window and the one partly off the screen.
    shoot="${E2E_WINDOWSHOT:?}"
    # A grey window of xdriver's over part of the demo's, until stopped.
    cover_demo() {
        driver_until covered cover "$win" 50 40 200 100
    }
    uncover_demo() {
        stop_process "$driver_pid"
        driver_pid=
    }
    # The pointer goes with the window, to the same pixel of it; once the
    # demo has drawn 100 frames it has taken the few events that made.
    move_demo_off() {
        xdotool windowmove "$win" -100 -100 mousemove 23 134 || fail "could not move the window"
        driver frames "$win" 100
    }
    open_demo "$prog"
    driver picture "$win" 123 234 123 234
    "$shoot" --wait 10 "$work/plain.png" || fail "windowshot of the plain window"
    "$shoot" --wait 10 --frames 5 "$work/plain.gif" || fail "windowshot of 5 frames"
    driver shot "$work/plain.png" 123 234 1
    driver shot "$work/plain.gif" 123 234 5
    cover_demo
    "$shoot" --wait 10 "$work/covered.png" || fail "windowshot of the covered window"
    driver shot "$work/covered.png" 123 234 1
    move_demo_off
    "$shoot" --wait 10 --frames 2 "$work/outside.gif" || fail "windowshot of the window partly off the screen"
    driver shot "$work/outside.gif" 123 234 2
    uncover_demo
    end_with escape
    check_report

    stop_xvfb
    xserver -extension Composite
    launch "$prog"
    window
    driver picture "$win" 123 234 123 234
    "$shoot" --wait 10 "$work/bare.png" || fail "windowshot of the plain window without Composite"
    driver shot "$work/bare.png" 123 234 1
    cover_demo
    ! "$shoot" --wait 10 "$work/bare.png" 2>"$work/shot-err" || fail "windowshot took the covered window"
    grep -q "^windowshot: cannot read window $(printf 0x%x "$win"): window 0x[0-9a-f]* lies over it; " \
        "$work/shot-err" || fail "windowshot said: $(cat "$work/shot-err")"
    uncover_demo
    move_demo_off
    ! "$shoot" --wait 10 "$work/bare.png" 2>"$work/shot-err" || fail "windowshot took the window partly off the screen"
    grep -q ": it lies partly off the screen (400x300 at -100,-100 on a 640x480 screen); " "$work/shot-err" ||
        fail "windowshot said: $(cat "$work/shot-err")"
    driver shot "$work/bare.png" 123 234 1
    end_with escape
    check_report
    ;;
wayland)
    # A Wayland desktop with no X server, and nothing set by hand: the
    # program asks SDL for Wayland itself. Its frames exact before and after
    # a pointer comes, Escape and the compositor's close request end the run
    # with the report. With DISPLAY set too it still asks for X: here, where
    # that display is not there, it cannot start.
    [[ $sdl == compat ]] || fail "only the compatibility library has a Wayland driver"
    missing=()
    for tool in sway grim wtype wlrctl; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    [[ ${#missing[@]} -eq 0 ]] ||
        skip "no ${missing[*]} here (scripts/setup.sh installs what the archive has; Debian 12's has no wlrctl)"
    start_sway
    start_keyboard
    start_demo "$work" "${user[@]}" "$wl_prog"
    wl_window
    wl_first_frame
    wl_point 123 234
    press_wl_escape
    wait_exit 60
    check_report

    # Closed once it draws: a request that comes while it builds its tables
    # ends the run before the first frame.
    start_demo "$work" "${user[@]}" "$wl_prog"
    wl_window
    wl_first_frame
    sway_do '[title="^Kimallusmylly$"] kill' || fail "sway could not ask the window to close"
    wait_exit 60
    check_report

    start_demo "$work" "${user[@]}" DISPLAY=:e2e-none "$wl_prog"
    wait_exit 60
    grep -q '^SDL ei initoitunut: ' "$work/err" || fail "with DISPLAY set the program did not ask for X"
    [[ $status -eq 1 ]] || fail "exit status $status after a failed start, not 1"
    ;;
*)
    fail "unknown case $case"
    ;;
esac
echo "ok: $case on the $sdl SDL 1.2 library ($loaded)"
