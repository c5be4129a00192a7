// frameloop.h: the demo's frame loop, one frame at a time. The desktop
// program turns it in a loop of its own; the web page, which must hand the
// browser a turn between frames, lets the browser call it.
//
//   startFrames(&run, screen)  the motion and light tables, the start time,
//                              the bouncer at rest; nothing drawn yet
//   stepFrame(&run)            one event taken, one frame drawn and flipped
//   endFrames(&run)            the end time, the library shut down, the report
#pragma once

#include <SDL.h>
#include <stdint.h>

#include "motion/motion.h"

// What one run carries from frame to frame.
struct FrameLoop {
    SDL_Surface *screen;
    MotionState motion;
    uint32_t frameCount;
    uint32_t startTicks;
    SDL_Event event; // the newest event taken (SDL_NOEVENT before the first)
};

enum FrameStep {
    frameShown,
    quitRequested, // Escape or the close request; nothing drawn, nothing counted
    lockFailed,    // the message is printed; the run ends without a report
};

void startFrames(FrameLoop *run, SDL_Surface *screen);
FrameStep stepFrame(FrameLoop *run);
void endFrames(FrameLoop *run);
