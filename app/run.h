// run.h: the start of a run, one for the demo, the picture tools, the tests
// and the benchmark, so that all of them draw the frames the demo draws.
//
//   Run            what a run carries from frame to frame besides pallerot
//   startRun(&r)   the tables, the count at 0, the start time, the bouncer
#pragma once

#include <stdint.h>

#include "motion/motion.h"

struct Run {
    MotionState motion;
    uint32_t frameCount; // frames shown so far
    uint32_t startTicks; // SDL_GetTicks() once the tables were built
};

// In the demo's order: the orbit tables, the light table (alustaPuf, the
// one slow step), the count at 0 and the start time, then the bouncer at
// rest. The time is read after the tables and before the first frame, so
// that the report measures the frame loop alone; the picture tools and the
// tests never read it.
void startRun(Run *run);
