#include <SDL.h>
#include <stdlib.h>

#include "app/frameloop.h"
#include "app/naytto.h"

int main(int, char **)
{
#ifndef main
    // Where SDL's entry shim renames main it also registers the shutdown;
    // here main is the process entry, so every exit path, the failed ones
    // included, must leave the library shut down by this.
    atexit(SDL_Quit);
#endif
    SDL_Surface *screen = avaaNaytto();
    if (screen == NULL)
        return 0;

    FrameLoop run;
    startFrames(&run, screen);
    for (;;) {
        FrameStep step = stepFrame(&run);
        if (step == lockFailed)
            return 0;
        if (step == quitRequested)
            break;
    }
    endFrames(&run);
    return 0;
}
