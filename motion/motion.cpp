#include "motion/motion.h"

#include <math.h>

#include "extended/extended.h"
#include "field/field.h"

// The sine takes its angle as a double, but the scaling and offset are
// carried on a 64-bit significand before truncation. That matters where the
// exact result is a whole number: 140 sin(30 deg) + 250 comes out just below
// 320 and truncates to 319, where double arithmetic would round up to 320.
void buildOrbitTables(MotionState *motion)
{
    using namespace extended;
    for (int t = 0; t < 360; t++) {
        double ax = t * 0.017453292519943295;
        double ay = (t + 50) * 0.017453292519943295;
        motion->orbitX[t] = truncated(add(mul(extendedOf(140), extendedOf(sin(ax))), extendedOf(250)));
        motion->orbitY[t] = truncated(add(mul(extendedOf(80), extendedOf(sin(ay))), extendedOf(150)));
    }
}

void placeBouncingBlob(MotionState *motion)
{
    pallerot[3].x = 30;
    pallerot[3].y = 60;
    motion->fallSpeed = 0;
}

void moveBlobs(uint32_t frameCount, const SDL_Event *event, MotionState *motion)
{
    // Reflecting to 1 - v rather than -v cancels the +1 of gravity that
    // follows, so the way up retraces the way down and no height is lost.
    int32_t next = pallerot[3].y + motion->fallSpeed;
    if (next > 300) {
        motion->fallSpeed = 1 - motion->fallSpeed;
        next = pallerot[3].y + motion->fallSpeed;
    }
    pallerot[3].y = next;
    motion->fallSpeed += 1;

    uint32_t t = frameCount % 360;
    pallerot[4].x = motion->orbitX[t];
    pallerot[4].y = motion->orbitY[t];

    Uint16 x, y;
    switch (event->type) {
    case SDL_MOUSEMOTION:
        x = event->motion.x;
        y = event->motion.y;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        x = event->button.x;
        y = event->button.y;
        break;
    default:
        return;
    }
    // Unsigned, so only the far edges need a limit.
    pallerot[5].x = x > 399 ? 399 : x;
    pallerot[5].y = y > 299 ? 299 : y;
}

void moveToFrame(uint32_t frame, const SDL_Event *event, MotionState *motion)
{
    // What one frame carries to the next is the bouncer's place and speed;
    // the orbiter follows the count and the pointer blob the event. Once the
    // bouncer is back where frame 0 left it, after p frames, frame n and
    // frame n + p have the same bouncer for every n, so the stepping can go
    // on from the last multiple of p below the frame. The last call is the
    // frame's own, which places the orbiter by its count.
    moveBlobs(0, event, motion);
    const BlobPosition first = pallerot[3];
    const int32_t firstSpeed = motion->fallSpeed;
    bool skipped = false;
    for (uint32_t f = 0; f != frame;) {
        f++;
        moveBlobs(f, event, motion);
        if (!skipped && f != frame && pallerot[3].x == first.x && pallerot[3].y == first.y &&
            motion->fallSpeed == firstSpeed) {
            f = (frame - 1) / f * f;
            skipped = true;
        }
    }
}
