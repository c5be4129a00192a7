// field.h: the blob field, whole interface.
//
//   pallerot     where the six blobs of light stand, in screen pixels
//   puf          one blob's light, 600 rows of 800 floats, centre at (300, 400)
//   alustaPuf()  fills puf; call once before the first frame
//   piirtele(s)  draws one 400x300 frame into an 8-bit surface
//
// Every slot of pallerot must stay within 0 <= x <= 400 and 0 <= y <= 300:
// inside that range each blob's 400x300 window of puf lies inside the table.
#pragma once

#include <SDL.h>
#include <stdint.h>

// Where one blob of light stands: the screen pixel its light is brightest on.
struct BlobPosition {
    int32_t x, y;
};

// Slots 0-2 stand still, 3 bounces, 4 orbits, 5 follows the pointer.
extern BlobPosition pallerot[6];

// Entry (r, c) is puf[r * 800 + c]: the brightness at offset (c - 400, r - 300)
// from a light hanging 25 pixels above the surface.
extern float puf[600 * 800];

void alustaPuf();

// The caller locks the surface when SDL_MUSTLOCK says so; it must be at least
// 400x300 bytes of pixels, rows pitch bytes apart. Keeps two static caches
// (480 kB each): the exact sum of slots 0-2, built again whenever they move,
// and, once slot 5 has stood still for 64 frames, that sum with slot 5
// added. Reads an integer copy of a quarter of puf that alustaPuf makes.
// Runs the best vector code this processor has.
void piirtele(SDL_Surface *screen);
