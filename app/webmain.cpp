// The demo as a web page. A page cannot spin in main: main sets up the run
// as the desktop program does and hands the frame loop to the browser, which
// calls one step of it per turn, as soon as it can (not at the display's
// refresh rate), until Escape ends the run.
#include <SDL.h>
#include <emscripten.h>
#include <stdint.h>

#include "app/frameloop.h"
#include "app/naytto.h"

static FrameLoop run;

// For the page's tests and benchmark: frames shown so far; the canvas holds
// the last of them, frame kimallusFrameCount() - 1 counting from 0.
extern "C" EMSCRIPTEN_KEEPALIVE uint32_t kimallusFrameCount()
{
    return run.frameCount;
}

static void browserTurn()
{
    FrameStep step = stepFrame(&run);
    if (step == frameShown)
        return;
    emscripten_cancel_main_loop();
    if (step == quitRequested)
        endFrames(&run);
    EM_ASM({
        if (Module.onRunEnded)
            Module.onRunEnded();
    });
}

int main(int, char **)
{
    // The browser's SDL keeps the screen on a canvas and by default copies
    // it back into the pixels at every lock, which it cannot do for a
    // palettised surface (it throws). The demo rewrites every pixel of every
    // frame, so it needs no copy back at all: discarding skips the canvas
    // read as well. The unlock still draws the pixels through the palette.
    EM_ASM({
        SDL.defaults.copyOnLock = false;
        SDL.defaults.discardOnLock = true;
    });
    SDL_Surface *screen = avaaNaytto();
    if (screen == NULL)
        return 0;
    startFrames(&run, screen);
    emscripten_set_main_loop(browserTurn, 0, 0);
    // A step per message-queue turn: requestAnimationFrame (the default)
    // would hold the demo to the display's 60 Hz, and setTimeout(0) is
    // clamped to 4 ms once nested.
    emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
    return 0;
}
