#include "app/frameloop.h"

#include <stdio.h>
#include <string.h>

#include "app/report.h"
#include "field/field.h"

// KIMALLUS_EMPTY_LOOP builds the baseline the frame rate is measured
// against, on the desktop (bench/fps.sh) and in the page: the same loop with
// the tables, the movement and the drawing left out.

void startFrames(FrameLoop *loop, SDL_Surface *screen)
{
    loop->screen = screen;
#ifndef KIMALLUS_EMPTY_LOOP
    startRun(&loop->run);
#else
    loop->run.frameCount = 0;
    loop->run.startTicks = SDL_GetTicks();
#endif
    memset(&loop->event, 0, sizeof loop->event);
}

FrameStep stepFrame(FrameLoop *loop)
{
    // One event a frame, and the record keeps the newest one taken: a burst
    // of pointer moves is worked off over as many frames.
    SDL_Event *event = &loop->event;
    SDL_PollEvent(event);
    if (event->type == SDL_QUIT || (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_ESCAPE))
        return quitRequested;
    SDL_Surface *screen = loop->screen;
    if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) < 0) {
        fprintf(stderr, "Screeni ei lukkiutunut: %s\n", SDL_GetError());
        return lockFailed;
    }
#ifndef KIMALLUS_EMPTY_LOOP
    moveBlobs(loop->run.frameCount, event, &loop->run.motion);
    piirtele(screen);
#endif
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
    SDL_Flip(screen);
    loop->run.frameCount++;
    return frameShown;
}

void endFrames(FrameLoop *loop)
{
    uint32_t elapsed = SDL_GetTicks() - loop->run.startTicks;
    // The browser's SDL has nothing to shut down: its SDL_Quit only prints
    // that it ignored the call, a line that would stand beside the report.
#ifndef __EMSCRIPTEN__
    SDL_Quit();
#endif
    printReport(stdout, elapsed, loop->run.frameCount);
}
