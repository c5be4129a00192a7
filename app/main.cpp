#include <SDL.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/report.h"
#include "field/field.h"
#include "motion/motion.h"

int main(int, char **)
{
#ifndef main
    // Where SDL's entry shim renames main it also registers the shutdown;
    // here main is the process entry, so every exit path, the failed ones
    // included, must leave the library shut down by this.
    atexit(SDL_Quit);
#endif
#if defined(__unix__) && !defined(__APPLE__)
    // The demo is a window on the desktop. Left to itself, the library on a
    // machine with no X display falls back to drawing ASCII art on the
    // terminal (or into whatever file stdout is), which hides the real
    // problem; asking for X unless the user chose a driver makes it fail
    // with the library's reason instead.
    setenv("SDL_VIDEODRIVER", "x11", 0);
#endif
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "SDL ei initoitunut: %s\n", SDL_GetError());
        return 0;
    }
    SDL_Surface *screen = SDL_SetVideoMode(400, 300, 8, SDL_HWSURFACE | SDL_HWPALETTE | SDL_DOUBLEBUF);
    if (screen == NULL) {
        // 0xE4 is a Latin-1 a with diaeresis; escaped so no editor re-encodes it.
        fprintf(stderr, "Videomoodin asetus ep\xE4onnas: %s\n", SDL_GetError());
        SDL_Quit();
        return 0;
    }
    SDL_WM_SetCaption("Kimallusmylly", NULL);

    SDL_Color colours[256];
    for (int j = 0; j < 256; j++) {
        colours[j].r = j;
        colours[j].g = j;
        colours[j].b = j;
    }
    SDL_SetColors(screen, colours, 0, 256);

    int32_t orbitX[360], orbitY[360];
    buildOrbitTables(orbitX, orbitY);
    alustaPuf();

    uint32_t frameCount = 0;
    uint32_t startTicks = SDL_GetTicks();
    int32_t fallSpeed;
    placeBouncingBlob(&fallSpeed);

    SDL_Event event;
    memset(&event, 0, sizeof event); // SDL_NOEVENT until the first poll finds one

    for (;;) {
        // One event a frame, and the record keeps the newest one taken: a
        // burst of pointer moves is worked off over as many frames.
        SDL_PollEvent(&event);
        if (event.type == SDL_QUIT || (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE))
            break;
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) < 0) {
            fprintf(stderr, "Screeni ei lukkiutunut: %s\n", SDL_GetError());
            return 0;
        }
        moveBlobs(frameCount, &event, orbitX, orbitY, &fallSpeed);
        piirtele(screen);
        if (SDL_MUSTLOCK(screen))
            SDL_UnlockSurface(screen);
        SDL_Flip(screen);
        frameCount++;
    }

    uint32_t elapsed = SDL_GetTicks() - startTicks;
    SDL_Quit();
    printReport(stdout, elapsed, frameCount);
    return 0;
}
