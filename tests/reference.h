// The renderer as first written down: six reads per pixel summed in long
// double, clipped, truncated. Slow and obviously right; every faster renderer
// is held against it.
#pragma once

#include <stdint.h>

void referenceFrame(uint8_t out[300 * 400]);
