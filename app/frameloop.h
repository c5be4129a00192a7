// frameloop.h: the demo's frame loop, one frame at a time. The desktop
// program turns it in a loop of its own; the web page, which must hand the
// browser a turn between frames, lets the browser call it.
//
//   startFrames(&loop, screen)  the run's start (app/run.h); nothing drawn yet
//   stepFrame(&loop)            one event taken, one frame drawn and flipped
//   endFrames(&loop)            the end time, the library shut down, the report
#pragma once

#include <SDL.h>
#include <stdint.h>

#include "app/run.h"

// What the loop carries from frame to frame.
struct FrameLoop {
    SDL_Surface *screen;
    Run run;
    SDL_Event event; // the newest event taken (SDL_NOEVENT before the first)
};

enum FrameStep {
    frameShown,
    quitRequested, // Escape or the close request; nothing drawn, nothing counted
    lockFailed,    // the message is printed; the run ends without a report
};

void startFrames(FrameLoop *loop, SDL_Surface *screen);
FrameStep stepFrame(FrameLoop *loop);
void endFrames(FrameLoop *loop);
