#include "app/frameloop.h"

#include <stdio.h>
#include <string.h>

#include "app/report.h"
#include "field/field.h"
#include "motion/motion.h"

// KIMALLUS_EMPTY_LOOP builds the baseline the frame rate is measured
// against, on the desktop (bench/fps.sh) and in the page: the same loop with
// the tables, the movement and the drawing left out.

void startFrames(FrameLoop *run, SDL_Surface *screen)
{
    run->screen = screen;
#ifndef KIMALLUS_EMPTY_LOOP
    buildOrbitTables(&run->motion);
    alustaPuf();
#endif
    run->frameCount = 0;
    run->startTicks = SDL_GetTicks();
#ifndef KIMALLUS_EMPTY_LOOP
    placeBouncingBlob(&run->motion);
#endif
    memset(&run->event, 0, sizeof run->event);
}

FrameStep stepFrame(FrameLoop *run)
{
    // One event a frame, and the record keeps the newest one taken: a burst
    // of pointer moves is worked off over as many frames.
    SDL_Event *event = &run->event;
    SDL_PollEvent(event);
    if (event->type == SDL_QUIT || (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_ESCAPE))
        return quitRequested;
    SDL_Surface *screen = run->screen;
    if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) < 0) {
        fprintf(stderr, "Screeni ei lukkiutunut: %s\n", SDL_GetError());
        return lockFailed;
    }
#ifndef KIMALLUS_EMPTY_LOOP
    moveBlobs(run->frameCount, event, &run->motion);
    piirtele(screen);
#endif
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
    SDL_Flip(screen);
    run->frameCount++;
    return frameShown;
}

void endFrames(FrameLoop *run)
{
    uint32_t elapsed = SDL_GetTicks() - run->startTicks;
    // The browser's SDL has nothing to shut down: its SDL_Quit only prints
    // that it ignored the call, a line that would stand beside the report.
#ifndef __EMSCRIPTEN__
    SDL_Quit();
#endif
    printReport(stdout, elapsed, run->frameCount);
}
