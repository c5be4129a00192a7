#include <math.h>

#include "field/field.h"
#include "field/neljannes.h"

float puf[600 * 800];
alignas(64) uint32_t neljannes[400 + 301 * 416];

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
    // Every entry lies in [4, 256), so times 2^21 it is a whole number below
    // 2^29: the integer copy is exact. Row 300 - a, column 400 - |b| is the
    // offset (-|b|, -a), which puf holds for every |b| <= 400 and a <= 300.
    for (int a = 0; a <= 300; a++)
        for (int b = -15; b <= 400; b++)
            neljannes[400 + a * 416 + 15 + b] =
                (uint32_t)(int32_t)(puf[(300 - a) * 800 + 400 - (b < 0 ? -b : b)] * 2097152.0f);
}
