// Prints one hash of each table the program computes at start-up and fails
// unless both are the pinned ones. Built at several optimisation levels; every
// build must come to the same hashes, since the tables depend on where values
// are rounded and an optimiser that moved a rounding would show up here.
#include <stdio.h>

#include "field/field.h"
#include "motion/motion.h"
#include "tests/shared.h"

// A console program of its own: where SDL's header renames main for its
// entry shim, this one keeps its name.
#undef main

int main()
{
    MotionState motion;
    buildOrbitTables(&motion);
    alustaPuf();
    uint64_t p = fnv(puf, sizeof puf);
    uint64_t o = fnv(motion.orbitY, sizeof motion.orbitY, fnv(motion.orbitX, sizeof motion.orbitX));
    printf("puf %016llx orbit %016llx\n", (unsigned long long)p, (unsigned long long)o);
    if (p != pufHash || o != orbitHash) {
        printf("pinned: puf %016llx orbit %016llx\n", (unsigned long long)pufHash, (unsigned long long)orbitHash);
        return 1;
    }
    return 0;
}
