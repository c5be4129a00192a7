// motion.h: how the three moving blobs move, whole interface.
//
//   buildOrbitTables(orbitX, orbitY)   the orbiter's path, one entry a degree
//   placeBouncingBlob(&fallSpeed)      puts the bouncer at its start, at rest
//   moveBlobs(frame, &event, ...)      moves slots 3, 4 and 5 of pallerot
//   moveToFrame(frame, &event, ...)    any frame of a run at once, for the picture tools
//
// The tables and the fall speed belong to the caller, which keeps them for
// the whole run; the only state here is in pallerot.
#pragma once

#include <SDL.h>
#include <stdint.h>

void buildOrbitTables(int32_t orbitX[360], int32_t orbitY[360]);

void placeBouncingBlob(int32_t *fallSpeed);

// event is the newest event taken so far (type SDL_NOEVENT before the first);
// only pointer events move the pointer blob, clamped to the screen.
void moveBlobs(uint32_t frameCount, const SDL_Event *event, const int32_t orbitX[360],
               const int32_t orbitY[360], int32_t *fallSpeed);

// Leaves pallerot as the demo has it when it draws frame `frame`, given the
// event record it holds on every frame up to then. Call it once, right after
// placeBouncingBlob, in place of calling moveBlobs for frames 0 to `frame`:
// it calls moveBlobs as the demo does, only not for every frame, at most
// twice the bouncer's period (86 calls) however far the frame is.
void moveToFrame(uint32_t frame, const SDL_Event *event, const int32_t orbitX[360], const int32_t orbitY[360],
                 int32_t *fallSpeed);
