// frames.h: any frame of a run at once, for the picture tools.
#pragma once

#include <SDL.h>
#include <stdint.h>

// Leaves pallerot as the demo has it when it draws frame `frame`, given the
// event record it holds on every frame up to then. Call it once, right after
// placeBouncingBlob, in place of calling moveBlobs for frames 0 to `frame`:
// it calls moveBlobs as the demo does, only not for every frame, at most
// twice the bouncer's period (86 calls) however far the frame is.
void moveToFrame(uint32_t frame, const SDL_Event *event, const int32_t orbitX[360], const int32_t orbitY[360],
                 int32_t *fallSpeed);
