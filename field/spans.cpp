// The renderer's vector code: the rows of a frame or of a cache, each cut
// into stretches that are summed a vector at a time. piirtele.cpp decides
// which blobs go into which; this file is compiled once for every target
// Highway has for this processor family (foreach_target.h includes it again
// for each), and spansOf hands out one target's code.
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

#include "field/targets.h"
#include "quarter.h"
#include "spans.h"

HWY_BEFORE_NAMESPACE();
namespace field {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// At most 16 lanes, so that a 16-pixel step is a whole number of vectors.
typedef hn::CappedTag<uint32_t, 16> D;

// Into a cache: the exact sums, for the frames to come.
HWY_INLINE void put(D d, hn::Vec<D> sum, uint32_t *HWY_RESTRICT at)
{
    hn::Store(sum, d, at);
}

// Into the frame: the shift is the truncation and the saturating narrow to
// bytes the clip at 255 (piirtele.cpp says why that is the exact sum's byte).
HWY_INLINE void put(D, hn::Vec<D> sum, uint8_t *HWY_RESTRICT at)
{
    const hn::Rebind<uint8_t, D> d8;
    const hn::RebindToSigned<D> di;
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di, hn::ShiftRight<21>(sum))), d8, at);
}

// One stretch of a row, the columns from `from` up to but not including
// `to`: the base row plus N blobs. Blob k is read through window[k], which
// holds its value for column px at entry px when it is read forwards and
// at entry -px when backwards; bit k of Back says which.
template <int N, int Back, typename Out>
void stretch(Out *HWY_RESTRICT out, const uint32_t *HWY_RESTRICT base, const uint32_t *const *HWY_RESTRICT window,
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
            sum = hn::Add(sum, Back >> k & 1 ? hn::Reverse(d, hn::LoadU(d, window[k] - px - lanes + 1))
                                             : hn::LoadU(d, window[k] + px));
        put(d, sum, out + px);
    }
}

// The stretches of N blobs, one for each way of reading them: entry b
// reads blob k backwards where bit k of b is set.
template <int N, typename Out, int... Back>
constexpr auto stretchesOf(std::integer_sequence<int, Back...>)
{
    return std::array{stretch<N, Back, Out>...};
}

// All 300 rows of out, stride elements apart: base's rows (or zeros) plus
// the terms' N blobs.
template <int N, typename Out>
void rows(Out *HWY_RESTRICT out, int stride, const uint32_t *HWY_RESTRICT base, const Terms &t)
{
    static constexpr auto byWay = stretchesOf<N, Out>(std::make_integer_sequence<int, 1 << N>());
    alignas(64) static const uint32_t zeros[400] = {};
    const uint32_t *window[N];
    for (int py = 0; py < 300; py++)
        for (int s = 0; s <= N; s++) {
            if (t.cuts[s] == t.cuts[s + 1])
                continue;
            for (int k = 0; k < N; k++) {
                const uint32_t *row = quarter + quarterRow(abs(py - t.at[k].y));
                window[k] = t.backwards[s] >> k & 1 ? row + t.at[k].x : row - t.at[k].x;
            }
            byWay[t.backwards[s]](out + py * stride, base ? base + py * 400 : zeros, window, t.cuts[s],
                                  t.cuts[s + 1]);
        }
}

// The two caches: the still blobs over nothing, the pointer blob over them.
void sumRows(uint32_t *HWY_RESTRICT sums, const uint32_t *HWY_RESTRICT base, const Terms &terms)
{
    if (terms.n == 3)
        rows<3>(sums, 400, base, terms);
    else
        rows<1>(sums, 400, base, terms);
}

// A frame: the moving blobs, with the pointer blob or without, over a cache.
void drawRows(uint8_t *HWY_RESTRICT pixels, int pitch, const uint32_t *HWY_RESTRICT base, const Terms &terms)
{
    if (terms.n == 3)
        rows<3>(pixels, pitch, base, terms);
    else
        rows<2>(pixels, pitch, base, terms);
}

} // namespace HWY_NAMESPACE
} // namespace field
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace field {
HWY_EXPORT(sumRows);
HWY_EXPORT(drawRows);
} // namespace field

#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0
int64_t drawTargets()
{
    return HWY_STATIC_TARGET;
}

static size_t tableIndex(int64_t)
{
    return 0; // the only one there is
}
#else
int64_t drawTargets()
{
    // Asking the processor is slow where a hypervisor answers for it.
    static const int64_t targets = hwy::SupportedTargets() & HWY_TARGETS;
    return targets;
}

// Target 0 is the best this processor runs, as Highway chose it: up to its
// first choice, entry 0, which makes the choice and then draws.
static size_t tableIndex(int64_t target)
{
    if (target == 0)
        return hwy::GetChosenTarget().GetIndex();
    hwy::ChosenTarget chosen; // this one target, without touching the choice piirtele made
    chosen.Update(target);
    return chosen.GetIndex();
}
#endif

// Each target's entry in the export tables, whose layout every Highway
// release shares (the macros around them changed shape from 1.0 to 1.3).
Spans spansOf(int64_t target)
{
    size_t i = tableIndex(target);
    return {field::HWY_DISPATCH_TABLE(sumRows)[i], field::HWY_DISPATCH_TABLE(drawRows)[i]};
}
#endif // HWY_ONCE
