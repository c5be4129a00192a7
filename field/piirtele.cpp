// The renderer. Why integers give the literal sum to the bit: every entry of
// puf lies in [4, 256), so its float has at most 23 fraction bits below an
// exponent of at least 2, which makes it a whole multiple of 2^-21. Times
// 2^21 (a power of two, so the product is exact) it is a whole number below
// 2^29. Six such numbers sum to less than 1536 * 2^21 < 2^32, so an unsigned
// 32-bit sum holds the long double sum exactly, and "clip at 255, then
// truncate" is min(sum >> 21, 255): the shift is the truncation, and
// clipping after it gives the same byte because the sum is never negative.
//
// This file decides what is drawn: which blobs are summed into which of two
// caches and when, and which cache a frame is drawn over. The sums
// themselves are the vector code in spans.cpp.
#include <string.h>

#include <initializer_list>

#include "field/field.h"
#include "field/targets.h"
#include "quarter.h"
#include "spans.h"

// Slots 0-2 stand still for the whole run, so their sum is the same every
// frame: kept as exact sums it turns six table reads a pixel into four. It
// belongs to the slots and the table fill it was built from, and is built
// again whenever either differs.
alignas(64) static uint32_t stillSums[300 * 400];
static Pallero stillAt[3];
static uint32_t stillFill = ~0u;

// Slot 5 moves only on pointer events, and between two of them the demo
// draws many frames (all of them, when nobody touches the mouse). Once the
// pointer has stood still for 64 frames its light joins the still blobs'
// sum in a second cache, and a pixel reads three values instead of four.
// Building it costs about three frames' drawing, which a hand moving the
// mouse rarely lets it pay back, hence the wait.
alignas(64) static uint32_t pointerSums[300 * 400];
static Pallero pointerAt, pointerBefore;
static uint32_t pointerFill = ~0u;
static int pointerStillFor;

static bool same(const Pallero *a, const Pallero *b, int n)
{
    return memcmp(a, b, n * sizeof *a) == 0;
}

// The blobs of these slots, and the row cut at their columns rounded down
// to 16, as spans.cpp draws it.
static Terms termsOf(std::initializer_list<int> slots)
{
    Terms t = {};
    int cut[3];
    for (int slot : slots) {
        int k = t.n++;
        t.at[k] = pallerot[slot];
        cut[k] = t.at[k].x & ~15;
        int j = k + 1; // insertion into cuts[1..n], kept sorted
        for (; j > 1 && t.cuts[j - 1] > cut[k]; j--)
            t.cuts[j] = t.cuts[j - 1];
        t.cuts[j] = cut[k];
    }
    t.cuts[t.n + 1] = 400;
    for (int s = 0; s <= t.n; s++)
        for (int k = 0; k < t.n; k++)
            t.backwards[s] |= (t.cuts[s] < cut[k]) << k;
    return t;
}

static void draw(SDL_Surface *screen, Spans spans)
{
    if (stillFill != quarterFills || !same(pallerot, stillAt, 3)) {
        spans.sumRows(stillSums, NULL, termsOf({0, 1, 2}));
        memcpy(stillAt, pallerot, sizeof stillAt);
        stillFill = quarterFills;
        pointerFill = ~0u;
    }
    pointerStillFor = same(&pallerot[5], &pointerBefore, 1) ? pointerStillFor + (pointerStillFor < 64) : 0;
    pointerBefore = pallerot[5];
    bool pointerCached = pointerFill == quarterFills && same(&pallerot[5], &pointerAt, 1);
    if (!pointerCached && pointerStillFor == 64) {
        spans.sumRows(pointerSums, stillSums, termsOf({5}));
        pointerAt = pallerot[5];
        pointerFill = quarterFills;
        pointerCached = true;
    }
    if (pointerCached)
        spans.drawRows((uint8_t *)screen->pixels, screen->pitch, pointerSums, termsOf({3, 4}));
    else
        spans.drawRows((uint8_t *)screen->pixels, screen->pitch, stillSums, termsOf({3, 4, 5}));
}

void piirtele(SDL_Surface *screen)
{
    draw(screen, spansOf(0));
}

bool piirteleTarget(SDL_Surface *screen, int64_t target)
{
    if ((target & (target - 1)) != 0 || (target & drawTargets()) == 0)
        return false;
    draw(screen, spansOf(target));
    return true;
}
