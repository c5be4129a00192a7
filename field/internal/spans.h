// spans.h: between the renderer's two files, inside the field library only.
// piirtele.cpp decides what is drawn and keeps the caches; spans.cpp, the
// vector code compiled once for every target, sums the rows.
#pragma once

#include <stdint.h>

#include "field/field.h"

// Up to three blobs read from the quarter, and a row cut for them: stretch s
// runs from cuts[s] to cuts[s + 1] and reads blob k backwards (the blob
// stands to its right) where bit k of backwards[s] is set. Every cut is a
// multiple of 16, so a stretch is a whole number of vectors of any width.
struct Terms {
    int n;
    Pallero at[3];
    int cuts[5];
    int backwards[4];
};

// The exact sums of one or three blobs over base (a cache, or NULL for
// zeros) into sums, a cache of 300 rows of 400.
typedef void SumRows(uint32_t *sums, const uint32_t *base, const Terms &terms);

// A frame of two or three blobs over the cache base, clipped to bytes, into
// pixels: 300 rows of 400, pitch bytes apart.
typedef void DrawRows(uint8_t *pixels, int pitch, const uint32_t *base, const Terms &terms);

// One target's code for both.
struct Spans {
    SumRows *sumRows;
    DrawRows *drawRows;
};

// target is one of drawTargets() (field/targets.h), or 0 for the best this
// processor runs.
Spans spansOf(int64_t target);
