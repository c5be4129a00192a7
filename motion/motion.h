// motion.h: how the three moving blobs move, whole interface.
//
//   MotionState                     the orbiter's path and the bouncer's speed
//   buildOrbitTables(&m)            the orbiter's path, one entry a degree
//   placeBouncingBlob(&m)           puts the bouncer at its start, at rest
//   moveBlobs(frame, &event, &m)    moves slots 3, 4 and 5 of pallerot
//   moveToFrame(frame, &event, &m)  any frame of a run at once, for the picture tools
//
// The motion state belongs to the caller, which keeps it for the whole run;
// the only state here is in pallerot.
#pragma once

#include <SDL.h>
#include <stdint.h>

// What a run carries from frame to frame besides pallerot: the orbiter's
// path, filled once, and the bouncer's speed.
struct MotionState {
    int32_t orbitX[360], orbitY[360];
    int32_t fallSpeed;
};

void buildOrbitTables(MotionState *motion);

void placeBouncingBlob(MotionState *motion);

// event is the newest event taken so far (type SDL_NOEVENT before the first);
// only pointer events move the pointer blob, clamped to the screen.
void moveBlobs(uint32_t frameCount, const SDL_Event *event, MotionState *motion);

// Leaves pallerot as the demo has it when it draws frame `frame`, given the
// event record it holds on every frame up to then. Call it once, right after
// placeBouncingBlob, in place of calling moveBlobs for frames 0 to `frame`:
// it calls moveBlobs as the demo does, only not for every frame, at most
// twice the bouncer's period (86 calls) however far the frame is.
void moveToFrame(uint32_t frame, const SDL_Event *event, MotionState *motion);
