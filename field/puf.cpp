#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "extended/extended.h"
#include "field/field.h"
#include "field/testing.h"
#include "quarter.h"

float puf[600 * 800];
alignas(64) uint32_t quarter[quarterLength];
uint32_t quarterFillCount;

// One entry, for offsets whose squares and 625 add up to n: the defining
// formula, in arithmetic on a 64-bit significand.
static float lightEntry(int32_t n)
{
    using namespace extended;
    Extended s = div(extendedOf(25), root(extendedOf(n)));
    return toFloat(add(mul(extendedOf(127), s), mul(extendedOf(128), mul(s, s))));
}

// The same formula in double is within 2^-49 of the true value, and that
// arithmetic within 2^-60: wherever the double value lies further than
// 2^-44 of itself from both of the rounding boundaries around its nearest
// float, both land on that float. Six entries of the 480,000 do not, and
// take the slow, exact way.
static float entry(int32_t n)
{
    double s = 25 / sqrt((double)n);
    double v = 127 * s + 128 * (s * s);
    float f = (float)v;
    double below = ((double)f + nextafterf(f, 0)) / 2, above = ((double)f + nextafterf(f, 512)) / 2;
    double margin = v * 0x1p-44;
    return v - below > margin && above - v > margin ? f : lightEntry(n);
}

// The light hangs 25 pixels above the surface, so n is the square of its
// distance d to the surface point, s = 25 / d the cosine of the angle at
// which it meets the point, 127 s the diffuse term and 128 s^2 the
// highlight: directly below the light the two add up to exactly 255.
void alustaPuf()
{
    for (int r = 0; r < 600; r++)
        for (int c = 0; c < 800; c++)
            puf[r * 800 + c] = entry((r - 300) * (r - 300) + (c - 400) * (c - 400) + 625);
    // The integer copy is exact (spans.cpp says why, at its shift by 21).
    // Row 300 - a, column 400 - |b| is the offset (-|b|, -a), which puf
    // holds for every |b| <= 400 and a <= 300.
    for (int a = 0; a <= 300; a++)
        for (int b = -quarterMirror; b <= 400; b++)
            quarter[quarterRow(a) + b] = (uint32_t)(puf[(300 - a) * 800 + 400 - abs(b)] * 2097152.0f);
    quarterFillCount++;
}

void clearPuf()
{
    memset(puf, 0, sizeof puf);
    memset(quarter, 0, sizeof quarter);
    quarterFillCount++;
}
