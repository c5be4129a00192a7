// The demo's frame loop with nothing drawn: the same window, palette, event
// poll, lock rule and flip, and the same report line. Run beside the demo
// (bench/fps.sh), its rate is the ceiling the demo's own rate is measured
// against: what is left between the two is the cost of the drawing.
#include <SDL.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/naytto.h"
#include "app/report.h"

int main(int, char **)
{
#ifndef main
    atexit(SDL_Quit); // as the demo does
#endif
    SDL_Surface *screen = avaaNaytto();
    if (screen == NULL)
        return 0;

    uint32_t frameCount = 0;
    uint32_t startTicks = SDL_GetTicks();
    SDL_Event event;
    memset(&event, 0, sizeof event);

    // One loop, the demo's own minus moveBlobs and piirtele.
    for (;;) {
        SDL_PollEvent(&event);
        if (event.type == SDL_QUIT || (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE))
            break;
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) < 0) {
            fprintf(stderr, "Screeni ei lukkiutunut: %s\n", SDL_GetError());
            return 0;
        }
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
