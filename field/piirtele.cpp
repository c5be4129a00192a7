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

#ifndef FIELD_PIIRTELE_TYPES
#define FIELD_PIIRTELE_TYPES
// Up to three blobs read from the quarter, and a row cut for them: stretch s
// runs from cuts[s] to cuts[s + 1] and reads blob k backwards (the blob
// stands to its right) where bit k of backwards[s] is set. Every cut is a
// multiple of 16, so a stretch is a whole number of vectors of any width.
struct Terms {
    int n;
    Pallero at[3];
    int cuts[5];
    int backwards[4];
};

// One pass over the rows, in the given order: each row is its base row (a
// cache row, or zeros), plus the fresh blobs summed into a row buffer, plus
// the blobs of terms; stored as bytes, or, with sums set, as exact sums.
struct Pass {
    const int16_t *order;
    uint8_t *out;
    int stride; // bytes from row to row of out
    bool sums;
    const uint32_t *base; // 400 entries a row; NULL for none
    Terms fresh, terms;
};
#endif

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

// Pixels from to to of one row, or of two (Pair) that lie equally far above
// and below blob 0, which then reads the same quarter row for both: loaded
// once for the two, and the second row finds the other blobs' rows near in
// the cache too. One vector a step and no branch inside: the direction of
// each read is fixed at compile time (bit k of Back). The saturating narrow
// to bytes is the clip.
template <int N, int Back, bool Sums, bool Pair>
void stretch(void *const *out, const uint32_t *const *base, const uint32_t *const (*p)[3], int from, int to)
{
    const D d;
    constexpr int rows = Pair ? 2 : 1;
    // Copies of the pointers: stores of bytes might alias the arrays they
    // came in, and the compiler would then load them again every step.
    std::array<uint8_t *, rows> o;
    std::array<const uint32_t *, rows> b;
    std::array<std::array<const uint32_t *, N>, rows> q;
    for (int r = 0; r < rows; r++) {
        o[r] = (uint8_t *)out[r];
        b[r] = base[r];
        for (int k = 0; k < N; k++)
            q[r][k] = p[r][k];
    }
    for (int px = from; px < to; px += (int)hn::Lanes(d)) {
        const auto shared = read<Back & 1>(d, q[0][0], px);
        for (int r = 0; r < rows; r++) {
            auto sum = hn::Add(hn::Load(d, b[r] + px), shared);
            [&]<int... K>(std::integer_sequence<int, K...>) {
                ((sum = hn::Add(sum, read<(Back >> (K + 1) & 1)>(d, q[r][K + 1], px))), ...);
            }(std::make_integer_sequence<int, N - 1>());
            if constexpr (Sums) {
                hn::Store(sum, d, (uint32_t *)o[r] + px);
            } else {
                const hn::Rebind<uint8_t, D> d8;
                const hn::RebindToSigned<D> di;
                hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di, hn::ShiftRight<21>(sum))), d8, o[r] + px);
            }
        }
    }
}

typedef void Stretch(void *const *, const uint32_t *const *, const uint32_t *const (*)[3], int, int);

template <bool Sums, bool Pair, int... B>
constexpr std::array<std::array<Stretch *, 8>, 3> stretches(std::integer_sequence<int, B...>)
{
    return {{{stretch<1, B % 2, Sums, Pair>...}, {stretch<2, B % 4, Sums, Pair>...}, {stretch<3, B, Sums, Pair>...}}};
}

// Rows py[0] (and py[1], for a pair) over their base rows, stretch by stretch.
template <bool Sums, bool Pair>
void rows(void *const *out, const uint32_t *const *base, const Terms &t, const int *py)
{
    static constexpr auto table = stretches<Sums, Pair>(std::make_integer_sequence<int, 8>());
    const uint32_t *forwards[2][3], *backwards[2][3], *p[2][3];
    for (int r = 0; r < 1 + Pair; r++)
        for (int k = 0; k < t.n; k++) {
            const uint32_t *quarterRow = quarter + 400 + abs(py[r] - t.at[k].y) * 416 + 15;
            forwards[r][k] = quarterRow - t.at[k].x;  // column px at [px]
            backwards[r][k] = quarterRow + t.at[k].x; // column px at [-px]
        }
    for (int s = 0; s <= t.n; s++) {
        if (t.cuts[s] == t.cuts[s + 1])
            continue;
        for (int r = 0; r < 1 + Pair; r++)
            for (int k = 0; k < t.n; k++)
                p[r][k] = t.backwards[s] >> k & 1 ? backwards[r][k] : forwards[r][k];
        table[t.n - 1][t.backwards[s]](out, base, p, t.cuts[s], t.cuts[s + 1]);
    }
}

void runPass(const Pass &pass)
{
    alignas(64) static const uint32_t zeros[400] = {};
    alignas(64) uint32_t freshSums[400];
    for (int i = 0; i < 300; i++) {
        int next = i + 1 < 300 ? pass.order[i + 1] : -1;
        int py[2] = {pass.order[i], next < 0 ? pass.order[i] : next};
        void *out[2] = {pass.out + py[0] * pass.stride, pass.out + py[1] * pass.stride};
        const uint32_t *base[2] = {zeros, zeros};
        if (pass.base) {
            base[0] = pass.base + py[0] * 400;
            base[1] = pass.base + py[1] * 400;
        }
        if (pass.fresh.n) {
            void *sums[1] = {freshSums};
            rows<true, false>(sums, base, pass.fresh, py);
            base[0] = freshSums;
        } else if (!pass.sums && next >= 0 && py[0] + py[1] == 2 * pass.terms.at[0].y) { // a mirror pair
            rows<false, true>(out, base, pass.terms, py);
            i++;
            continue;
        }
        if (pass.sums)
            rows<true, false>(out, base, pass.terms, py);
        else
            rows<false, false>(out, base, pass.terms, py);
    }
}

} // namespace HWY_NAMESPACE
} // namespace field
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
typedef void RunPass(const Pass &);
namespace field {
HWY_EXPORT(runPass);

static RunPass *best()
{
    return &HWY_DYNAMIC_DISPATCH(runPass);
}

static RunPass *ofTarget(int64_t target)
{
#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0
    (void)target; // the only one there is
    return HWY_DISPATCH_TABLE(runPass)[0];
#else
    hwy::ChosenTarget chosen; // this one target, without touching the choice piirtele made
    chosen.Update(target);
    return HWY_DISPATCH_TABLE(runPass)[chosen.GetIndex()];
#endif
}
} // namespace field

// Slots 0-2 stand still for the whole run, so their sum is the same every
// frame: kept as exact sums it turns six table reads a pixel into four. It
// belongs to the slots and the table fill it was built from, and is rebuilt
// once the slots stand somewhere new for a second frame (a harness that
// moves them every frame would otherwise pay a whole extra pass over memory
// each frame; such frames sum them a row at a time instead).
alignas(64) static uint32_t stillSums[300 * 400];
static Pallero stillAt[3], stillBefore[3];
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

// Rows in mirror pairs around row y: rows equally far above and below a
// blob read the same quarter row for it, so the second of a pair finds that
// row still in the nearest cache instead of some 200 rows later.
static const int16_t *rowsAround(int y)
{
    static int16_t order[300];
    static int around = -1;
    if (y != around) {
        int n = 0;
        for (int d = 0; n < 300; d++) {
            if (y - d >= 0 && y - d < 300)
                order[n++] = y - d;
            if (d > 0 && y + d < 300)
                order[n++] = y + d;
        }
        around = y;
    }
    return order;
}

static void draw(SDL_Surface *screen, RunPass *run)
{
    // Rows in mirror pairs around whichever of slots 3 and 4 is nearer the
    // middle row, which has the most pairs; it is the frame's blob 0.
    int paired = abs(pallerot[3].y - 150) < abs(pallerot[4].y - 150) ? 3 : 4;
    const int16_t *order = rowsAround(pallerot[paired].y);
    bool stillMoved = !same(pallerot, stillBefore, 3);
    memcpy(stillBefore, pallerot, sizeof stillBefore);
    bool stillCached = stillFill == quarterFills && same(pallerot, stillAt, 3);
    if (!stillCached && !stillMoved) {
        run({order, (uint8_t *)stillSums, 1600, true, NULL, {}, termsOf({0, 1, 2})});
        memcpy(stillAt, pallerot, sizeof stillAt);
        stillFill = quarterFills;
        pointerFill = ~0u;
        stillCached = true;
    }

    pointerStillFor = same(&pallerot[5], &pointerBefore, 1) ? pointerStillFor + (pointerStillFor < 64) : 0;
    pointerBefore = pallerot[5];
    bool pointerCached = stillCached && pointerFill == quarterFills && same(&pallerot[5], &pointerAt, 1);
    if (stillCached && !pointerCached && pointerStillFor == 64) {
        run({order, (uint8_t *)pointerSums, 1600, true, stillSums, {}, termsOf({5})});
        pointerAt = pallerot[5];
        pointerFill = quarterFills;
        pointerCached = true;
    }

    Pass frame = {order, (uint8_t *)screen->pixels, screen->pitch, false, NULL, {}, termsOf({paired, 7 - paired, 5})};
    if (pointerCached) {
        frame.base = pointerSums;
        frame.terms = termsOf({paired, 7 - paired});
    } else if (stillCached) {
        frame.base = stillSums;
    } else {
        frame.fresh = termsOf({0, 1, 2});
    }
    run(frame);
}

void piirtele(SDL_Surface *screen)
{
    draw(screen, field::best());
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
