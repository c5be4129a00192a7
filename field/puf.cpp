#include <math.h>

#include "field/field.h"

float puf[600 * 800];

// The light hangs 25 pixels above the surface: s is the cosine of the angle
// at which it meets the surface point, 127 s is the diffuse term and 128 s^2
// the highlight, so directly below the light the two add up to exactly 255.
// Everything is carried in long double and rounded once, on the store.
void alustaPuf()
{
    for (int r = 0; r < 600; r++) {
        for (int c = 0; c < 800; c++) {
            long double dy = r - 300;
            long double dx = c - 400;
            long double d = sqrtl(dy * dy + dx * dx + 625);
            long double s = 25 / d;
            puf[r * 800 + c] = (float)(127 * s + 128 * (s * s));
        }
    }
}
