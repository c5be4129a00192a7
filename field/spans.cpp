// spans.cpp: one row of the renderer, planned and drawn. piirtele.cpp
// decides which blobs go over which cache; this file cuts each row for those
// blobs and sums it a vector at a time. It is compiled once for every target
// Highway has for this processor family (foreach_target.h includes it again
// for each), and Highway's dispatch runs the best one the processor has.
//
// One row, with blob A at column 37 and blob B at column 250. Each blob
// cuts the row at its column rounded down to 16 (A at 32, B at 240), and
// between two cuts every blob is read one way for the whole stretch:
//
//   column   0          32                      240                  400
//            | stretch 0 |       stretch 1       |      stretch 2     |
//   blob A   |<<<<<<<<<<<|>>>>>>>>>>>>>>>>>>>>>>>|>>>>>>>>>>>>>>>>>>>>|
//   blob B   |<<<<<<<<<<<|<<<<<<<<<<<<<<<<<<<<<<<|>>>>>>>>>>>>>>>>>>>>|
//
//   > forwards: the lanes of a vector hold |dx| rising, straight from the
//     quarter row; from the cut up to the blob's own column (32 to 36 for
//     A) they start in the mirror in front of |dx| = 0
//   < backwards: |dx| falls towards the blob, so the vector is loaded
//     from the quarter row in its own order, from the |dx| of the vector's
//     last pixel up to that of its first, and turned round
//
// A cut is a multiple of 16, so every stretch is a whole number of vectors
// of any width up to 16 lanes, and no vector straddles a change of way.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "field/spans.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>
#include <stdlib.h>

#include <array>
#include <utility>

#include "quarter.h"
#include "spans.h"

HWY_BEFORE_NAMESPACE();
namespace field {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// At most 16 lanes, so that a 16-pixel step is a whole number of vectors.
typedef hn::CappedTag<uint32_t, 16> D;

// How every row is cut for up to three blobs (the sketch above): stretch s
// runs from cuts[s] up to cuts[s + 1] and reads blob k backwards where bit
// k of backwards[s] is set. Only the blobs' columns decide it, so one plan
// serves all 300 rows.
struct RowPlan {
    int cuts[5];
    int backwards[4];
};

RowPlan planRow(const BlobPosition *at, int blobs)
{
    RowPlan plan = {};
    int cut[3];
    for (int k = 0; k < blobs; k++) {
        cut[k] = at[k].x & ~15;
        int j = k + 1; // insertion into cuts[1..blobs], kept sorted
        for (; j > 1 && plan.cuts[j - 1] > cut[k]; j--)
            plan.cuts[j] = plan.cuts[j - 1];
        plan.cuts[j] = cut[k];
    }
    plan.cuts[blobs + 1] = 400;
    for (int s = 0; s <= blobs; s++)
        for (int k = 0; k < blobs; k++)
            plan.backwards[s] |= (plan.cuts[s] < cut[k]) << k;
    return plan;
}

// Into a cache: the exact sums, for the frames to come.
HWY_INLINE void storeSums(D d, hn::Vec<D> sum, uint32_t *HWY_RESTRICT at)
{
    hn::Store(sum, d, at);
}

// Into the frame: each sum's pixel byte. Why the integers give the literal
// long double sum to the bit: every entry of puf lies in [4, 256), so its
// float has at most 23 fraction bits below an exponent of at least 2, which
// makes it a whole multiple of 2^-21. Times 2^21 (a power of two, so the
// product is exact) it is a whole number below 2^29, which is what the
// quarter holds. Six such numbers sum to less than 1536 * 2^21 < 2^32, so
// an unsigned 32-bit sum holds the long double sum exactly, and "clip at
// 255, then truncate" is min(sum >> 21, 255): the shift is the truncation,
// and the saturating narrow to bytes after it the clip, which gives the
// same byte because the sum is never negative.
HWY_INLINE void storeSums(D, hn::Vec<D> sum, uint8_t *HWY_RESTRICT at)
{
    const hn::Rebind<uint8_t, D> d8;
    const hn::RebindToSigned<D> di;
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di, hn::ShiftRight<21>(sum))), d8, at);
}

// One stretch of a row, the columns from `from` up to but not including
// `to`: the base row plus N blobs. Blob k is read through blobRow[k], which
// holds its value for column px at entry px when it is read forwards and
// at entry -px when backwards; bit k of Back says which.
template <int N, int Back, typename Out>
void stretch(Out *HWY_RESTRICT out, const uint32_t *HWY_RESTRICT base, const uint32_t *const *HWY_RESTRICT blobRow,
             int from, int to)
{
    const D d;
    const int lanes = (int)hn::Lanes(d);
    for (int px = from; px < to; px += lanes) {
        auto sum = hn::Load(d, base + px);
        // Unrolled, each blob's way is a constant and its test folds away;
        // left rolled, the compiler would test it every step.
        HWY_UNROLL(3)
        for (int k = 0; k < N; k++)
            sum = hn::Add(sum, Back >> k & 1 ? hn::Reverse(d, hn::LoadU(d, blobRow[k] - px - lanes + 1))
                                             : hn::LoadU(d, blobRow[k] + px));
        storeSums(d, sum, out + px);
    }
}

// The stretches of N blobs, one for each way of reading them: entry b
// reads blob k backwards where bit k of b is set. That is 22 compiled
// stretches a target for the four kinds of rows drawn (three blobs or one
// into a cache, three or two into a frame). One stretch with the count and
// the ways read at run time is simpler, but it tests them for every vector:
// measured side by side, it drew a frame 20 to 90% slower and was no faster
// in a window (docs/performance.md).
template <int N, typename Out, int... Back>
constexpr auto stretchesOf(std::integer_sequence<int, Back...>)
{
    return std::array{stretch<N, Back, Out>...};
}

// All 300 rows of out, stride elements apart: base's rows (or zeros) plus
// the N blobs at `at`.
template <int N, typename Out>
void rows(Out *HWY_RESTRICT out, int stride, const uint32_t *HWY_RESTRICT base, const BlobPosition *at)
{
    static constexpr auto stretchFor = stretchesOf<N, Out>(std::make_integer_sequence<int, 1 << N>());
    alignas(64) static const uint32_t zeros[400] = {};
    const RowPlan plan = planRow(at, N);
    const uint32_t *blobRow[N];
    for (int py = 0; py < 300; py++)
        for (int s = 0; s <= N; s++) {
            if (plan.cuts[s] == plan.cuts[s + 1])
                continue;
            for (int k = 0; k < N; k++) {
                const uint32_t *row = quarter + quarterRow(abs(py - at[k].y));
                blobRow[k] = plan.backwards[s] >> k & 1 ? row + at[k].x : row - at[k].x;
            }
            stretchFor[plan.backwards[s]](out + py * stride, base ? base + py * 400 : zeros, blobRow, plan.cuts[s],
                                          plan.cuts[s + 1]);
        }
}

// The two caches: the still blobs over nothing, the pointer blob over them.
void sumRows(uint32_t *HWY_RESTRICT sums, const uint32_t *HWY_RESTRICT base, const BlobPosition *at, int blobs)
{
    if (blobs == 3)
        rows<3>(sums, 400, base, at);
    else
        rows<1>(sums, 400, base, at);
}

// A frame: the moving blobs, with the pointer blob or without, over a cache.
void drawRows(uint8_t *HWY_RESTRICT pixels, int pitch, const uint32_t *HWY_RESTRICT base, const BlobPosition *at,
              int blobs)
{
    if (blobs == 3)
        rows<3>(pixels, pitch, base, at);
    else
        rows<2>(pixels, pitch, base, at);
}

} // namespace HWY_NAMESPACE
} // namespace field
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace field {
HWY_EXPORT(sumRows);
HWY_EXPORT(drawRows);

void sumBlobs(uint32_t *sums, const uint32_t *base, const BlobPosition *at, int blobs)
{
    HWY_DYNAMIC_DISPATCH(sumRows)(sums, base, at, blobs);
}

void drawBlobs(uint8_t *pixels, int pitch, const uint32_t *base, const BlobPosition *at, int blobs)
{
    HWY_DYNAMIC_DISPATCH(drawRows)(pixels, pitch, base, at, blobs);
}
} // namespace field
#endif // HWY_ONCE
