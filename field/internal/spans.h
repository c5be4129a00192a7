// spans.h: between the renderer's two files, inside the field library only.
// piirtele.cpp keeps the caches and decides which blobs go over which;
// spans.cpp, compiled once for every vector target, plans and sums the rows.
//
//   sumBlobs(sums, base, at, blobs)          exact sums into a cache
//   drawBlobs(pixels, pitch, base, at, blobs)  a frame's bytes
#pragma once

#include <stdint.h>

#include "field/field.h"

namespace field {

// The exact sums of the `blobs` blobs at at[0..] (one or three) over base (a
// cache, or NULL for zeros) into sums, a cache of 300 rows of 400.
void sumBlobs(uint32_t *sums, const uint32_t *base, const BlobPosition *at, int blobs);

// A frame of the `blobs` blobs at at[0..] (two or three) over the cache
// base, clipped to bytes, into pixels: 300 rows of 400, pitch bytes apart.
void drawBlobs(uint8_t *pixels, int pitch, const uint32_t *base, const BlobPosition *at, int blobs);

} // namespace field
