// Prints one hash of each table the program computes at start-up. Built at
// several optimisation levels; every build must print the same line, since the
// tables depend on where values are rounded and an optimiser that moved a
// rounding would show up here.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "field/field.h"
#include "motion/motion.h"

// A console program of its own: where SDL's header renames main for its
// entry shim, this one keeps its name.
#undef main

static uint64_t fnv(const void *data, size_t n, uint64_t h = 1469598103934665603ull)
{
    for (size_t i = 0; i < n; i++) {
        h ^= ((const uint8_t *)data)[i];
        h *= 1099511628211ull;
    }
    return h;
}

int main()
{
    int32_t orbitX[360], orbitY[360];
    buildOrbitTables(orbitX, orbitY);
    alustaPuf();
    printf("puf %016llx orbit %016llx\n", (unsigned long long)fnv(puf, sizeof puf),
           (unsigned long long)fnv(orbitY, sizeof orbitY, fnv(orbitX, sizeof orbitX)));
    return 0;
}
