// The demo as a web page. A page cannot spin in main: main sets up the run
// as the desktop program does and hands the frame loop to the browser, which
// calls one step of it per turn, as soon as it can (not at the display's
// refresh rate), until Escape ends the run.
#include <SDL.h>
#include <emscripten.h>
#include <stdint.h>

#include "app/frameloop.h"
#include "app/window.h"

static FrameLoop loop;

// For the page's tests and benchmark: frames shown so far; the canvas holds
// the last of them, frame kimallusFrameCount() - 1 counting from 0.
extern "C" EMSCRIPTEN_KEEPALIVE uint32_t kimallusFrameCount()
{
    return loop.run.frameCount;
}

// After the report line or a failure message: the page says the run is over.
static void tellPageRunEnded()
{
    EM_ASM({
        if (Module.onRunEnded)
            Module.onRunEnded();
    });
}

static void browserTurn()
{
    FrameStep step = stepFrame(&loop);
    if (step == frameShown)
        return;
    emscripten_cancel_main_loop();
    if (step == quitRequested)
        endFrames(&loop);
    tellPageRunEnded();
}

int main(int, char **)
{
    // The browser's SDL keeps the screen on a canvas and by default copies
    // it back into the pixels at every lock, which it cannot do for a
    // palettised surface (it throws). The demo rewrites every pixel of every
    // frame, so it needs no copy back at all: discarding skips the canvas
    // read as well, and since the palette's colours are opaque, so can the
    // pass that makes every pixel opaque at each lock. The unlock still
    // draws the pixels through the palette.
    EM_ASM({
        SDL.defaults.copyOnLock = false;
        SDL.defaults.discardOnLock = true;
        SDL.defaults.opaqueFrontBuffer = false;
    });
    SDL_Surface *screen = openWindow();
    if (screen == NULL) {
        tellPageRunEnded();
        return 0;
    }
    startFrames(&loop, screen);
    // The first step comes by setTimeout (asked for as 1000 steps a second),
    // not by the default requestAnimationFrame, which a hidden page never
    // gets; the timing below rules every step after it.
    emscripten_set_main_loop(browserTurn, 1000, 0);
    // A step per turn of the message queue: requestAnimationFrame would hold
    // the demo to the display's refresh rate, and setTimeout(0) is clamped
    // to 4 ms once nested. The page can ask for either (?timing=frame or
    // ?timing=timeout) to measure against.
    int timing = EM_ASM_INT({ return Module.loopTiming || 0; });
    if (timing == 1)
        emscripten_set_main_loop_timing(EM_TIMING_RAF, 1);
    else if (timing == 2)
        emscripten_set_main_loop_timing(EM_TIMING_SETTIMEOUT, 0);
    else
        emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
    return 0;
}
