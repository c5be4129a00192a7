#include <SDL.h>
#include <stdlib.h>

#include "app/frameloop.h"
#include "app/window.h"

// Set where main itself ends the run. Any other exit comes from inside a
// library call: Xlib ends the process that way when the display is lost.
// Calling back into the library then is unsafe, since it is still in the
// middle of that call, and the SDL2-based SDL 1.2 waits for ever on the dead
// connection; the process must simply end.
static bool mainEnds;

#ifndef main
static void shutDown()
{
    if (mainEnds)
        SDL_Quit();
}
#endif

// A run that never started, or was cut short by the lock, ends with 1, so
// that a script, a launcher or a package's test can tell it from a run the
// user ended; the message on stderr says which it was.
static int endMain(int status)
{
    mainEnds = true;
    return status;
}

int main(int, char **)
{
#ifndef main
    // Where SDL's entry shim renames main it also registers the shutdown;
    // here main is the process entry, so every exit path, the failed ones
    // included, must leave the library shut down by this.
    atexit(shutDown);
#endif
    SDL_Surface *screen = openWindow();
    if (screen == NULL)
        return endMain(1);

    FrameLoop run;
    startFrames(&run, screen);
    for (;;) {
        FrameStep step = stepFrame(&run);
        if (step == lockFailed)
            return endMain(1);
        if (step == quitRequested)
            break;
    }
    endFrames(&run);
    return endMain(0);
}
