// The renderer. Why integers give the literal sum to the bit: every entry of
// puf lies in [4, 256), so its float has at most 23 fraction bits below an
// exponent of at least 2, which makes it a whole multiple of 2^-21. Times
// 2^21 (a power of two, so the product is exact) it is a whole number below
// 2^29. Six such numbers sum to less than 1536 * 2^21 < 2^32, so an unsigned
// 32-bit sum holds the long double sum exactly, and "clip at 255, then
// truncate" is min(sum >> 21, 255): the shift is the truncation, and
// clipping after it gives the same byte because the sum is never negative.
//
// The vector code below is written once and compiled for every target
// Highway has for this processor family; the best one the processor runs
// is chosen when the first frame is drawn.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "field/piirtele.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>
#include <stdlib.h>
#include <string.h>

#include <array>
#include <initializer_list>
#include <utility>

#include "field/field.h"
#include "field/quarter.h"
#include "field/targets.h"
#include "field/terms.h"

HWY_BEFORE_NAMESPACE();
namespace field {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// At most 16 lanes, so that a 16-pixel step is a whole number of vectors.
typedef hn::CappedTag<uint32_t, 16> D;

// Lanes px on of a window row that runs outward from its blob's column
// through the blob's quarter row, so that left of the blob it is read
// backwards: the lanes that end at column px are loaded and turned round.
template <bool Backwards>
HWY_INLINE hn::Vec<D> read(D d, const uint32_t *q, int px)
{
    if constexpr (Backwards)
        return hn::Reverse(d, hn::LoadU(d, q - px - (int)hn::Lanes(d) + 1));
    else
        return hn::LoadU(d, q + px);
}

// Pixels from to to of a row, one vector a step and no branch inside: the
// direction of each read is fixed at compile time (bit k of Back). The
// saturating narrow to bytes is the clip.
template <int N, int Back, bool Sums>
void stretch(void *out, const uint32_t *base, const uint32_t *const *p, int from, int to)
{
    const D d;
    // Copies of the pointers: stores of bytes might alias the array they
    // came in, and the compiler would then load them again every step.
    std::array<const uint32_t *, N> q;
    for (int k = 0; k < N; k++)
        q[k] = p[k];
    for (int px = from; px < to; px += (int)hn::Lanes(d)) {
        auto sum = hn::Load(d, base + px);
        [&]<int... K>(std::integer_sequence<int, K...>) {
            ((sum = hn::Add(sum, read<(Back >> K & 1)>(d, q[K], px))), ...);
        }(std::make_integer_sequence<int, N>());
        if constexpr (Sums) {
            hn::Store(sum, d, (uint32_t *)out + px);
        } else {
            const hn::Rebind<uint8_t, D> d8;
            const hn::RebindToSigned<D> di;
            hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di, hn::ShiftRight<21>(sum))), d8, (uint8_t *)out + px);
        }
    }
}

typedef void Stretch(void *, const uint32_t *, const uint32_t *const *, int, int);

template <bool Sums, int... B>
constexpr std::array<std::array<Stretch *, 8>, 3> stretches(std::integer_sequence<int, B...>)
{
    return {{{stretch<1, B % 2, Sums>...}, {stretch<2, B % 4, Sums>...}, {stretch<3, B, Sums>...}}};
}

// Every row, each its base row (or zeros) plus the windows of the terms' blobs.
template <bool Sums>
void rows(uint8_t *out, int stride, const uint32_t *base, const Terms &t)
{
    static constexpr auto table = stretches<Sums>(std::make_integer_sequence<int, 8>());
    alignas(64) static const uint32_t zeros[400] = {};
    const uint32_t *p[3];
    for (int py = 0; py < 300; py++)
        for (int s = 0; s <= t.n; s++) {
            if (t.cuts[s] == t.cuts[s + 1])
                continue;
            for (int k = 0; k < t.n; k++) {
                const uint32_t *row = quarter + quarterRow(abs(py - t.at[k].y));
                // Column px at [-px] backwards, at [px] forwards.
                p[k] = t.backwards[s] >> k & 1 ? row + t.at[k].x : row - t.at[k].x;
            }
            table[t.n - 1][t.backwards[s]](out + py * stride, base ? base + py * 400 : zeros, p, t.cuts[s],
                                           t.cuts[s + 1]);
        }
}

// A frame into the pixels, rows stride bytes apart, or with sums set the
// exact sums into a cache, 400 a row; base is a cache, or NULL for none.
void drawRows(uint8_t *out, int stride, bool sums, const uint32_t *base, const Terms &terms)
{
    if (sums)
        rows<true>(out, stride, base, terms);
    else
        rows<false>(out, stride, base, terms);
}

} // namespace HWY_NAMESPACE
} // namespace field
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
typedef void DrawRows(uint8_t *, int, bool, const uint32_t *, const Terms &);
namespace field {
HWY_EXPORT(drawRows);

// The code of one target: its entry in the export table, whose layout every
// Highway release shares (the macros around it changed shape from 1.0 to
// 1.3). Target 0 is the best this processor runs, as Highway chose it: up to
// its first choice that is the entry that makes the choice and then draws.
static DrawRows *ofTarget(int64_t target)
{
#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0
    (void)target; // the only one there is
    return HWY_DISPATCH_TABLE(drawRows)[0];
#else
    if (target == 0)
        return HWY_DISPATCH_TABLE(drawRows)[hwy::GetChosenTarget().GetIndex()];
    hwy::ChosenTarget chosen; // this one target, without touching the choice piirtele made
    chosen.Update(target);
    return HWY_DISPATCH_TABLE(drawRows)[chosen.GetIndex()];
#endif
}
} // namespace field

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

static void draw(SDL_Surface *screen, DrawRows *drawRows)
{
    if (stillFill != quarterFills || !same(pallerot, stillAt, 3)) {
        drawRows((uint8_t *)stillSums, 1600, true, NULL, termsOf({0, 1, 2}));
        memcpy(stillAt, pallerot, sizeof stillAt);
        stillFill = quarterFills;
        pointerFill = ~0u;
    }
    pointerStillFor = same(&pallerot[5], &pointerBefore, 1) ? pointerStillFor + (pointerStillFor < 64) : 0;
    pointerBefore = pallerot[5];
    bool pointerCached = pointerFill == quarterFills && same(&pallerot[5], &pointerAt, 1);
    if (!pointerCached && pointerStillFor == 64) {
        drawRows((uint8_t *)pointerSums, 1600, true, stillSums, termsOf({5}));
        pointerAt = pallerot[5];
        pointerFill = quarterFills;
        pointerCached = true;
    }
    if (pointerCached)
        drawRows((uint8_t *)screen->pixels, screen->pitch, false, pointerSums, termsOf({3, 4}));
    else
        drawRows((uint8_t *)screen->pixels, screen->pitch, false, stillSums, termsOf({3, 4, 5}));
}

void piirtele(SDL_Surface *screen)
{
    draw(screen, field::ofTarget(0));
}

int64_t drawTargets()
{
#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0
    return HWY_STATIC_TARGET;
#else
    // Asking the processor is slow where a hypervisor answers for it.
    static const int64_t targets = hwy::SupportedTargets() & HWY_TARGETS;
    return targets;
#endif
}

bool piirteleTarget(SDL_Surface *screen, int64_t target)
{
    if ((target & (target - 1)) != 0 || (target & drawTargets()) == 0)
        return false;
    draw(screen, field::ofTarget(target));
    return true;
}
#endif // HWY_ONCE
