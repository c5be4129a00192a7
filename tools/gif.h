// gif.h: animated GIF files in the demo's 256 greys, for the picture tools.
//
// Palette entry i is the grey (i, i, i), the demo's own palette, so a frame's
// pixels go in as they are, one palette index a byte, and come out the same:
// GIF packs them without loss.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

typedef struct GifFileType GifFileType;

// Begins an animation of width x height frames on out that plays in a loop.
// Returns nullptr when giflib refuses or the stream fails; out stays the
// caller's to close either way.
GifFileType *startGif(FILE *out, int width, int height);

// Appends one frame: width x height palette indices, rows pitch bytes apart,
// shown for delay hundredths of a second.
bool addGifFrame(GifFileType *gif, const uint8_t *pixels, size_t pitch, int delay);

// Ends the file and frees gif. False when this or anything before it failed
// to reach out.
bool finishGif(GifFileType *gif);
