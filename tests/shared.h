// shared.h: what several tests hold the program against.
//
//   firstFrame        where the blobs stand on the first frame of a run
//   SteppedRun        the demo's run stepped a frame at a time
//   fnv(data, n, h)   FNV-1a over bytes, carried on from h
//   pufHash, orbitHash  the start-up tables' hashes, pinned
//
// The literal sum every renderer must equal, referenceFrame, is a library of
// its own that the renderer benchmark links too: tests/reference/reference.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "app/run.h"
#include "field/field.h"
#include "motion/motion.h"

// Before any pointer event: the still row at half height, the bouncer at
// its start, the orbiter at 0 degrees, the pointer blob in the corner.
inline constexpr BlobPosition firstFrame[6] = {{0, 150}, {120, 150}, {220, 150}, {30, 60}, {250, 211}, {0, 0}};

// The demo's start and frame steps, one moveBlobs call a frame, with a
// pointer move to x,y taken before frame 0; run.frameCount is the frame the
// next step moves to.
struct SteppedRun {
    Run run;
    SDL_Event event = {};

    SteppedRun(Uint16 x, Uint16 y)
    {
        startRun(&run);
        event.type = SDL_MOUSEMOTION;
        event.motion.x = x;
        event.motion.y = y;
    }
    void step() { moveBlobs(run.frameCount++, &event, &run.motion); }
};

inline uint64_t fnv(const void *data, size_t n, uint64_t h = 1469598103934665603ull)
{
    for (size_t i = 0; i < n; i++) {
        h ^= ((const uint8_t *)data)[i];
        h *= 1099511628211ull;
    }
    return h;
}

// The tables' bytes in order, computed once from the formulas in long double
// and checked against a separate evaluation: any change of precision, order
// of operations or rounding shows up here even where telling values hold.
// orbitHash runs over orbitX, then orbitY.
inline constexpr uint64_t pufHash = 0x6bac539462b0e0d6ull;
inline constexpr uint64_t orbitHash = 0xacb36727f0f65510ull;
