// png.h: 8-bit PNG files, grey or RGB, for the picture tools.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// Writes width x height pixels of `channels` bytes each (1: grey, 3: RGB),
// rows `pitch` bytes apart, as one PNG image to out, through libpng. Returns
// false when libpng refuses or the stream reports a write error; the caller
// still owns and closes out, and should check fclose too.
bool writePng(FILE *out, const uint8_t *pixels, int width, int height, size_t pitch, int channels);
