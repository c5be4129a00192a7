// reference.h: the literal sum every renderer must equal, for the tests and
// the renderer benchmark alike (library reference), so that what the
// benchmark times is what the tests hold the renderer to.
#pragma once

#include <stdint.h>

// The renderer as first written down: six reads per pixel summed in long
// double, clipped, truncated. Slow and obviously right; every faster
// renderer is held against it.
void referenceFrame(uint8_t out[300 * 400]);
