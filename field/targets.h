// targets.h: the renderer's entry points for the tests and the benchmark,
// which draw with each vector target in turn; the program itself draws with
// piirtele (field.h) alone.
//
//   piirteleTarget(s, target)  piirtele(s) with the code of one Highway target
//   drawTargets()              the targets piirteleTarget draws with on this processor
//   clearPuf()                 puf and the renderer's copy of it as before alustaPuf
#pragma once

#include <SDL.h>
#include <stdint.h>

// The same frame drawn with the code compiled for one target (HWY_AVX2,
// HWY_NEON, ...). Returns false, drawing nothing, where this build or
// processor lacks it. For the tests, which hold every target against the
// literal sum, and for the benchmarks.
bool piirteleTarget(SDL_Surface *screen, int64_t target);

// Those targets, as a mask of their bits; hwy::TargetName names each.
int64_t drawTargets();

// puf and the renderer's integer copy of it all zeros again, as they are
// before alustaPuf first fills them, and counted as a fill that nothing
// the renderer keeps was built from: for the tests, which draw from there.
void clearPuf();
