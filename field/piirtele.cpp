// The renderer's decisions: which blobs are summed into which of two
// caches and when, and which cache a frame is drawn over. spans.cpp cuts
// and sums the rows, and says at its shift by 21 why the integer sums give
// the literal long double sum to the bit.
#include <string.h>

#include "field/field.h"
#include "quarter.h"
#include "spans.h"

// Slots 0-2 stand still for the whole run, so their sum is the same every
// frame: kept as exact sums it turns six table reads a pixel into four. It
// belongs to the slots and the table fill it was built from, and is built
// again whenever either differs.
alignas(64) static uint32_t stillSums[300 * 400];
static BlobPosition stillAt[3];
static uint32_t stillFillCount = ~0u;

// Slot 5 moves only on pointer events, and between two of them the demo
// draws many frames (all of them, when nobody touches the mouse). Once the
// pointer has stood still for 64 frames its light joins the still blobs'
// sum in a second cache, and a pixel reads three values instead of four.
// Building it costs about three frames' drawing, which a hand moving the
// mouse rarely lets it pay back, hence the wait.
alignas(64) static uint32_t pointerSums[300 * 400];
static BlobPosition pointerAt, pointerBefore;
static uint32_t pointerFillCount = ~0u;
static int pointerStillFor;

static bool same(const BlobPosition *a, const BlobPosition *b, int n)
{
    return memcmp(a, b, n * sizeof *a) == 0;
}

void piirtele(SDL_Surface *screen)
{
    if (stillFillCount != quarterFillCount || !same(pallerot, stillAt, 3)) {
        field::sumBlobs(stillSums, NULL, &pallerot[0], 3);
        memcpy(stillAt, pallerot, sizeof stillAt);
        stillFillCount = quarterFillCount;
        pointerFillCount = ~0u;
    }
    pointerStillFor = same(&pallerot[5], &pointerBefore, 1) ? pointerStillFor + (pointerStillFor < 64) : 0;
    pointerBefore = pallerot[5];
    bool pointerCached = pointerFillCount == quarterFillCount && same(&pallerot[5], &pointerAt, 1);
    if (!pointerCached && pointerStillFor == 64) {
        field::sumBlobs(pointerSums, stillSums, &pallerot[5], 1);
        pointerAt = pallerot[5];
        pointerFillCount = quarterFillCount;
        pointerCached = true;
    }
    if (pointerCached)
        field::drawBlobs((uint8_t *)screen->pixels, screen->pitch, pointerSums, &pallerot[3], 2);
    else
        field::drawBlobs((uint8_t *)screen->pixels, screen->pitch, stillSums, &pallerot[3], 3);
}
