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
    int32_t orbitX[360], orbitY[360];
    buildOrbitTables(orbitX, orbitY);
    alustaPuf();
    uint64_t p = fnv(puf, sizeof puf), o = fnv(orbitY, sizeof orbitY, fnv(orbitX, sizeof orbitX));
    printf("puf %016llx orbit %016llx\n", (unsigned long long)p, (unsigned long long)o);
    if (p != pufHash || o != orbitHash) {
        printf("pinned: puf %016llx orbit %016llx\n", (unsigned long long)pufHash, (unsigned long long)orbitHash);
        return 1;
    }
    return 0;
}
