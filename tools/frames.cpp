#include "tools/frames.h"

#include "field/field.h"
#include "motion/motion.h"

void moveToFrame(uint32_t frame, const SDL_Event *event, const int32_t orbitX[360], const int32_t orbitY[360],
                 int32_t *fallSpeed)
{
    // What one frame carries to the next is the bouncer's place and speed;
    // the orbiter follows the count and the pointer blob the event. Once the
    // bouncer is back where frame 0 left it, after p frames, frame n and
    // frame n + p have the same bouncer for every n, so the stepping can go
    // on from the last multiple of p below the frame. The last call is the
    // frame's own, which places the orbiter by its count.
    moveBlobs(0, event, orbitX, orbitY, fallSpeed);
    const Pallero first = pallerot[3];
    const int32_t firstSpeed = *fallSpeed;
    bool skipped = false;
    for (uint32_t f = 0; f != frame;) {
        f++;
        moveBlobs(f, event, orbitX, orbitY, fallSpeed);
        if (!skipped && f != frame && pallerot[3].x == first.x && pallerot[3].y == first.y &&
            *fallSpeed == firstSpeed) {
            f = (frame - 1) / f * f;
            skipped = true;
        }
    }
}
