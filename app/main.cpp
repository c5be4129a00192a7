#include <SDL.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/naytto.h"
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
    SDL_Surface *screen = avaaNaytto();
    if (screen == NULL)
        return 0;

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
