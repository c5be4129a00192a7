#include <stdlib.h>
#include <string.h>

#include "field/field.h"
#include "field/neljannes.h"

#if defined(__x86_64__) || defined(__i386__)
// GCC 12's AVX-512 headers start some results from a deliberately undefined
// register and then warn about it in every caller; the warning is about the
// header, not this file.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#define KIMALLUS_X86 1
#endif

// Why integers give the literal sum to the bit: every entry of puf lies in
// [4, 256), so its float has at most 23 fraction bits below an exponent of at
// least 2, which makes it a whole multiple of 2^-21. Times 2^21 (2097152, a
// power of two, so the product is exact) it is a whole number below 2^29 that
// converts to int32 without loss. Six such numbers sum to less than
// 1536 * 2^21 < 2^32, so an unsigned 32-bit sum holds the long double sum
// exactly, and "clip at 255, then truncate" is min(sum >> 21, 255): the shift
// is the truncation, and clipping after it gives the same byte because the sum
// is never negative.
//
// Why a cache of the three still blobs: slots 0-2 stand still for the whole
// run, so their sum is the same every frame. Kept as exact u32 sums it turns
// six table reads a pixel into four, one of them from a row that starts on a
// cache line. It belongs to the slots it was built for and is rebuilt once
// those slots stand somewhere new for a second frame, so any layout stays
// exact. When the three share a screen row, as they do in the demo, the sum
// is the same at equal distances above and below it, and each such pair of
// rows is kept once: a frame then streams half as much of it. It is static
// (480,000 bytes), never on the heap.
alignas(64) static uint32_t kiinteat[300 * 400];
static const uint32_t *kiinteatRivit[300]; // the cache row that screen row py reads
static bool kiinteatSamallaRivilla; // slots 0-2 share a row, and so mirror pairs of cache rows
static Pallero kiinteatPaikat[3];
static bool kiinteatValmiit;
static bool osoittimellaValmis; // the cache below, with slot 5 added in

// Why rows above the centre stand in for the rows below it: entry (300 + a, c)
// and entry (300 - a, c) come from the same dy * dy and are the same float to
// the bit, so the cache of the still blobs only ever needs rows 0 to 300.
static const float *ikkunanRivi(int k, int py)
{
    int r = py + 300 - pallerot[k].y;
    if (r > 300)
        r = 600 - r;
    return puf + r * 800 + 400 - pallerot[k].x;
}

static const uint32_t *neljanneksenRivi(int a)
{
    return neljannes + 400 + a * 416;
}

// One row of the cache, in a plain shape the compiler vectorises.
static void kiinteaRivi(uint32_t *__restrict out, const float *__restrict a, const float *__restrict b,
                        const float *__restrict c)
{
    for (int px = 0; px < 400; px++)
        out[px] = (uint32_t)(int32_t)(a[px] * 2097152.0f) + (uint32_t)(int32_t)(b[px] * 2097152.0f) +
                  (uint32_t)(int32_t)(c[px] * 2097152.0f);
}

// Rebuilt only when slots 0-2 moved and stood: once a run in the demo.
static void laskeKiinteat()
{
    int y = pallerot[0].y;
    bool samaRivi = pallerot[1].y == y && pallerot[2].y == y;
    for (int py = 0; py < 300; py++) {
        int peili = 2 * y - py;
        if (samaRivi && peili >= 0 && peili < py) {
            kiinteatRivit[py] = kiinteatRivit[peili];
            continue;
        }
        kiinteaRivi(kiinteat + py * 400, ikkunanRivi(0, py), ikkunanRivi(1, py), ikkunanRivi(2, py));
        kiinteatRivit[py] = kiinteat + py * 400;
    }
    kiinteatSamallaRivilla = samaRivi;
    memcpy(kiinteatPaikat, pallerot, sizeof kiinteatPaikat);
    osoittimellaValmis = false;
    // Before alustaPuf the table is all zeros; a cache built from it would
    // outlive the fill, so it counts as built only once the centre holds 255.
    kiinteatValmiit = puf[300 * 800 + 400] == 255.0f;
}

// Why the pointer's blob joins the cache once it has stood still: slot 5
// moves only on pointer events, and between two of them the demo draws many
// frames (all of them, when nobody touches the mouse). With its light added
// in, a pixel reads three values instead of four, about a fifth off a frame.
// Building it costs about three frames' drawing, so it waits until the
// pointer has stood still for 64 frames, which a hand moving the mouse
// rarely allows; a harness that moves slot 5 every frame never pays for it.
// Exact like the cache it extends, and rebuilt whenever any of slots 0-2
// and 5 differ from what it was built for. Static, 480,000 bytes, one row
// per screen row (the pointer is seldom on the still blobs' row, so no
// mirror pairs).
alignas(64) static uint32_t osoittimella[300 * 400];
static Pallero osoittimenPaikka; // slot 5 when osoittimella was built
static Pallero edellinenOsoitin; // slot 5 the frame before
static int osoitinPaikallaan;    // frames since slot 5 last moved

// One row of it, in the same plain shape as the still blobs' rows.
static void osoitinRivi(uint32_t *__restrict out, const uint32_t *__restrict kiintea, const float *__restrict ikkuna)
{
    for (int px = 0; px < 400; px++)
        out[px] = kiintea[px] + (uint32_t)(int32_t)(ikkuna[px] * 2097152.0f);
}

// Whether this frame may read osoittimella, building it if the pointer has
// just stood still long enough on top of a current cache of slots 0-2.
static bool osoitinValmiina()
{
    Pallero osoitin = pallerot[5];
    if (osoitin.x == edellinenOsoitin.x && osoitin.y == edellinenOsoitin.y) {
        if (osoitinPaikallaan < 64)
            osoitinPaikallaan++;
    } else {
        osoitinPaikallaan = 0;
        edellinenOsoitin = osoitin;
    }
    if (!kiinteatValmiit || memcmp(kiinteatPaikat, pallerot, sizeof kiinteatPaikat) != 0)
        return false; // no current sum of slots 0-2 to add to
    if (osoittimellaValmis && osoitin.x == osoittimenPaikka.x && osoitin.y == osoittimenPaikka.y)
        return true;
    osoittimellaValmis = false;
    if (osoitinPaikallaan < 64)
        return false;
    for (int py = 0; py < 300; py++)
        osoitinRivi(osoittimella + py * 400, kiinteatRivit[py], ikkunanRivi(5, py));
    osoittimenPaikka = osoitin;
    osoittimellaValmis = true;
    return true;
}

// A window row of a moving blob is its quarter row read outward from the
// blob's column: backwards left of it, forwards right of it. The inner loops
// below draw a stretch of a row in which each of the three is read one way
// only, chosen at compile time (K = backwards), so the loop body has no
// branch; a forwards pointer p gives column px at p[px], a backwards one at
// p[-px]. The row is cut where the blobs' columns are, rounded down to a
// multiple of 16, so every stretch is whole 16-pixel steps (400 is 25), and
// a forwards step that starts up to 15 columns left of a blob finds the
// mirrored entries in front of the quarter row.
typedef void Pala(uint8_t *out, const uint32_t *kiintea, const uint32_t *a, const uint32_t *b, const uint32_t *c,
                  int alku, int loppu);

// S marks the loops that sum slots 0-2 for one row into a buffer instead:
// no cache row under them, and the exact 32-bit sums are stored, not pixels.

// Plain C++ that any processor runs.
template <int N, bool S, bool KA, bool KB, bool KC>
static void palaTavallinen(uint8_t *__restrict out, const uint32_t *__restrict kiintea, const uint32_t *__restrict a,
                           const uint32_t *__restrict b, const uint32_t *__restrict c, int alku, int loppu)
{
    for (int px = alku; px < loppu; px++) {
        uint32_t sum = (S ? 0 : kiintea[px]) + (KA ? a[-px] : a[px]) + (KB ? b[-px] : b[px]);
        if constexpr (N == 3)
            sum += KC ? c[-px] : c[px];
        if constexpr (S) {
            ((uint32_t *)out)[px] = sum;
        } else {
            sum >>= 21;
            out[px] = sum < 255 ? sum : 255;
        }
    }
}

#ifdef KIMALLUS_X86

// Four lanes from column px on. SSE2 is in every x86-64 processor; the
// compiler will not vectorise the backwards reads of the plain loop itself.
template <bool K>
__attribute__((target("sse2"))) static inline __m128i lue4(const uint32_t *p, int px)
{
    if (!K)
        return _mm_loadu_si128((const __m128i *)(p + px));
    return _mm_shuffle_epi32(_mm_loadu_si128((const __m128i *)(p - px - 3)), 0x1B);
}

template <int N, bool S, bool KA, bool KB, bool KC>
__attribute__((target("sse2"))) static inline __m128i summa4(const uint32_t *kiintea, const uint32_t *a,
                                                             const uint32_t *b, const uint32_t *c, int px)
{
    __m128i sum = _mm_add_epi32(lue4<KA>(a, px), lue4<KB>(b, px));
    if constexpr (!S)
        sum = _mm_add_epi32(sum, _mm_load_si128((const __m128i *)(kiintea + px)));
    if constexpr (N == 3)
        sum = _mm_add_epi32(sum, lue4<KC>(c, px));
    return sum;
}

// 16 pixels a step in four 4-lane quarters. The signed pack cannot overflow
// (the shifted sums are at most 1532) and the unsigned pack after it is the
// clip at 255.
template <int N, bool S, bool KA, bool KB, bool KC>
__attribute__((target("sse2"))) static void palaSse2(uint8_t *out, const uint32_t *kiintea, const uint32_t *a,
                                                      const uint32_t *b, const uint32_t *c, int alku, int loppu)
{
    for (int px = alku; px < loppu; px += 16) {
        __m128i q0 = summa4<N, S, KA, KB, KC>(kiintea, a, b, c, px);
        __m128i q1 = summa4<N, S, KA, KB, KC>(kiintea, a, b, c, px + 4);
        __m128i q2 = summa4<N, S, KA, KB, KC>(kiintea, a, b, c, px + 8);
        __m128i q3 = summa4<N, S, KA, KB, KC>(kiintea, a, b, c, px + 12);
        if constexpr (S) {
            uint32_t *summat = (uint32_t *)out + px;
            _mm_store_si128((__m128i *)summat, q0);
            _mm_store_si128((__m128i *)(summat + 4), q1);
            _mm_store_si128((__m128i *)(summat + 8), q2);
            _mm_store_si128((__m128i *)(summat + 12), q3);
        } else {
            __m128i lo = _mm_packs_epi32(_mm_srli_epi32(q0, 21), _mm_srli_epi32(q1, 21));
            __m128i hi = _mm_packs_epi32(_mm_srli_epi32(q2, 21), _mm_srli_epi32(q3, 21));
            _mm_storeu_si128((__m128i *)(out + px), _mm_packus_epi16(lo, hi));
        }
    }
}

// Eight lanes from column px on; a backwards read loads the eight entries
// that end at column px and turns them round.
template <bool K>
__attribute__((target("avx2"))) static inline __m256i lue8(const uint32_t *p, int px)
{
    if (!K)
        return _mm256_loadu_si256((const __m256i *)(p + px));
    return _mm256_permutevar8x32_epi32(_mm256_loadu_si256((const __m256i *)(p - px - 7)),
                                       _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
}

template <int N, bool S, bool KA, bool KB, bool KC>
__attribute__((target("avx2"))) static inline __m256i summa8(const uint32_t *kiintea, const uint32_t *a,
                                                              const uint32_t *b, const uint32_t *c, int px)
{
    __m256i sum = _mm256_add_epi32(lue8<KA>(a, px), lue8<KB>(b, px));
    if constexpr (!S)
        sum = _mm256_add_epi32(sum, _mm256_load_si256((const __m256i *)(kiintea + px)));
    if constexpr (N == 3)
        sum = _mm256_add_epi32(sum, lue8<KC>(c, px));
    return sum;
}

// 16 pixels a step in two 8-lane halves, packed as in SSE2; the lane shuffle
// between the packs undoes their per-128-bit-lane interleave.
template <int N, bool S, bool KA, bool KB, bool KC>
__attribute__((target("avx2"))) static void palaAvx2(uint8_t *out, const uint32_t *kiintea, const uint32_t *a,
                                                      const uint32_t *b, const uint32_t *c, int alku, int loppu)
{
    for (int px = alku; px < loppu; px += 16) {
        __m256i lo = summa8<N, S, KA, KB, KC>(kiintea, a, b, c, px);
        __m256i hi = summa8<N, S, KA, KB, KC>(kiintea, a, b, c, px + 8);
        if constexpr (S) {
            _mm256_store_si256((__m256i *)((uint32_t *)out + px), lo);
            _mm256_store_si256((__m256i *)((uint32_t *)out + px + 8), hi);
        } else {
            __m256i words = _mm256_packs_epi32(_mm256_srli_epi32(lo, 21), _mm256_srli_epi32(hi, 21));
            words = _mm256_permute4x64_epi64(words, 0xD8);
            __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
            _mm_storeu_si128((__m128i *)(out + px), bytes);
        }
    }
}

template <bool K>
__attribute__((target("avx512f"))) static inline __m512i lue16(const uint32_t *p, int px)
{
    if (!K)
        return _mm512_loadu_si512(p + px);
    return _mm512_permutexvar_epi32(_mm512_set_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                                    _mm512_loadu_si512(p - px - 15));
}

// 16 pixels a step in one register; the unsigned saturating narrow to bytes
// is the clip at 255.
template <int N, bool S, bool KA, bool KB, bool KC>
__attribute__((target("avx512f"))) static void palaAvx512(uint8_t *out, const uint32_t *kiintea, const uint32_t *a,
                                                          const uint32_t *b, const uint32_t *c, int alku, int loppu)
{
    for (int px = alku; px < loppu; px += 16) {
        __m512i sum = _mm512_add_epi32(lue16<KA>(a, px), lue16<KB>(b, px));
        if constexpr (!S)
            sum = _mm512_add_epi32(sum, _mm512_load_si512(kiintea + px));
        if constexpr (N == 3)
            sum = _mm512_add_epi32(sum, lue16<KC>(c, px));
        if constexpr (S)
            _mm512_store_si512((uint32_t *)out + px, sum);
        else
            _mm_storeu_si128((__m128i *)(out + px), _mm512_cvtusepi32_epi8(_mm512_srli_epi32(sum, 21)));
    }
}

#endif

// Two rows at once, equally far above and below blob P, which therefore
// reads the same quarter row for both: its values are loaded once for the
// two. O is the other moving blob, each row over its own row of the
// pointer's cache. For the frames that read that cache, the demo's usual
// ones.
typedef void PariPala(uint8_t *out1, uint8_t *out2, const uint32_t *k1, const uint32_t *k2, const uint32_t *p,
                      const uint32_t *o1, const uint32_t *o2, int alku, int loppu);

template <bool KP, bool KO>
static void pariTavallinen(uint8_t *__restrict out1, uint8_t *__restrict out2, const uint32_t *__restrict k1,
                           const uint32_t *__restrict k2, const uint32_t *__restrict p,
                           const uint32_t *__restrict o1, const uint32_t *__restrict o2, int alku, int loppu)
{
    for (int px = alku; px < loppu; px++) {
        uint32_t vp = KP ? p[-px] : p[px];
        uint32_t s1 = (k1[px] + vp + (KO ? o1[-px] : o1[px])) >> 21;
        uint32_t s2 = (k2[px] + vp + (KO ? o2[-px] : o2[px])) >> 21;
        out1[px] = s1 < 255 ? s1 : 255;
        out2[px] = s2 < 255 ? s2 : 255;
    }
}

#ifdef KIMALLUS_X86

template <bool KP, bool KO>
__attribute__((target("sse2"))) static inline __m128i pari4(const uint32_t *k, __m128i vp, const uint32_t *o, int px)
{
    return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(_mm_load_si128((const __m128i *)(k + px)), vp), lue4<KO>(o, px)),
                          21);
}

template <bool KP, bool KO>
__attribute__((target("sse2"))) static void pariSse2(uint8_t *out1, uint8_t *out2, const uint32_t *k1,
                                                      const uint32_t *k2, const uint32_t *p, const uint32_t *o1,
                                                      const uint32_t *o2, int alku, int loppu)
{
    for (int px = alku; px < loppu; px += 16) {
        __m128i p0 = lue4<KP>(p, px), p1 = lue4<KP>(p, px + 4), p2 = lue4<KP>(p, px + 8), p3 = lue4<KP>(p, px + 12);
        __m128i lo = _mm_packs_epi32(pari4<KP, KO>(k1, p0, o1, px), pari4<KP, KO>(k1, p1, o1, px + 4));
        __m128i hi = _mm_packs_epi32(pari4<KP, KO>(k1, p2, o1, px + 8), pari4<KP, KO>(k1, p3, o1, px + 12));
        _mm_storeu_si128((__m128i *)(out1 + px), _mm_packus_epi16(lo, hi));
        lo = _mm_packs_epi32(pari4<KP, KO>(k2, p0, o2, px), pari4<KP, KO>(k2, p1, o2, px + 4));
        hi = _mm_packs_epi32(pari4<KP, KO>(k2, p2, o2, px + 8), pari4<KP, KO>(k2, p3, o2, px + 12));
        _mm_storeu_si128((__m128i *)(out2 + px), _mm_packus_epi16(lo, hi));
    }
}

__attribute__((target("avx2"))) static inline __m128i tavuiksi8(__m256i lo, __m256i hi)
{
    __m256i words = _mm256_packs_epi32(_mm256_srli_epi32(lo, 21), _mm256_srli_epi32(hi, 21));
    words = _mm256_permute4x64_epi64(words, 0xD8);
    return _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
}

template <bool KP, bool KO>
__attribute__((target("avx2"))) static void pariAvx2(uint8_t *out1, uint8_t *out2, const uint32_t *k1,
                                                      const uint32_t *k2, const uint32_t *p, const uint32_t *o1,
                                                      const uint32_t *o2, int alku, int loppu)
{
    for (int px = alku; px < loppu; px += 16) {
        __m256i plo = lue8<KP>(p, px), phi = lue8<KP>(p, px + 8);
        __m256i lo = _mm256_add_epi32(_mm256_add_epi32(_mm256_load_si256((const __m256i *)(k1 + px)), plo),
                                      lue8<KO>(o1, px));
        __m256i hi = _mm256_add_epi32(_mm256_add_epi32(_mm256_load_si256((const __m256i *)(k1 + px + 8)), phi),
                                      lue8<KO>(o1, px + 8));
        _mm_storeu_si128((__m128i *)(out1 + px), tavuiksi8(lo, hi));
        lo = _mm256_add_epi32(_mm256_add_epi32(_mm256_load_si256((const __m256i *)(k2 + px)), plo),
                              lue8<KO>(o2, px));
        hi = _mm256_add_epi32(_mm256_add_epi32(_mm256_load_si256((const __m256i *)(k2 + px + 8)), phi),
                              lue8<KO>(o2, px + 8));
        _mm_storeu_si128((__m128i *)(out2 + px), tavuiksi8(lo, hi));
    }
}

template <bool KP, bool KO>
__attribute__((target("avx512f"))) static void pariAvx512(uint8_t *out1, uint8_t *out2, const uint32_t *k1,
                                                          const uint32_t *k2, const uint32_t *p, const uint32_t *o1,
                                                          const uint32_t *o2, int alku, int loppu)
{
    for (int px = alku; px < loppu; px += 16) {
        __m512i vp = lue16<KP>(p, px);
        __m512i s1 = _mm512_add_epi32(_mm512_add_epi32(_mm512_load_si512(k1 + px), vp), lue16<KO>(o1, px));
        __m512i s2 = _mm512_add_epi32(_mm512_add_epi32(_mm512_load_si512(k2 + px), vp), lue16<KO>(o2, px));
        _mm_storeu_si128((__m128i *)(out1 + px), _mm512_cvtusepi32_epi8(_mm512_srli_epi32(s1, 21)));
        _mm_storeu_si128((__m128i *)(out2 + px), _mm512_cvtusepi32_epi8(_mm512_srli_epi32(s2, 21)));
    }
}

#endif

// Indexed by P read backwards (bit 0) and O read backwards (bit 1).
#define PARIT(pari) {pari<false, false>, pari<true, false>, pari<false, true>, pari<true, true>}

static PariPala *const paritTavallinen[4] = PARIT(pariTavallinen);
#ifdef KIMALLUS_X86
static PariPala *const paritSse2[4] = PARIT(pariSse2);
static PariPala *const paritAvx2[4] = PARIT(pariAvx2);
static PariPala *const paritAvx512[4] = PARIT(pariAvx512);
#endif

// Each width's twenty loops: eight for three moving blobs over a cache row,
// indexed by which of them (bits 0, 1, 2) are read backwards; four for two
// (8 + bits 0, 1); eight that sum slots 0-2 into a row buffer (12 + bits).
#define PALAT(pala)                                                                                                \
    {pala<3, false, false, false, false>, pala<3, false, true, false, false>, pala<3, false, false, true, false>,  \
     pala<3, false, true, true, false>,   pala<3, false, false, false, true>, pala<3, false, true, false, true>,   \
     pala<3, false, false, true, true>,   pala<3, false, true, true, true>,   pala<2, false, false, false, false>, \
     pala<2, false, true, false, false>,  pala<2, false, false, true, false>, pala<2, false, true, true, false>,   \
     pala<3, true, false, false, false>,  pala<3, true, true, false, false>,  pala<3, true, false, true, false>,   \
     pala<3, true, true, true, false>,    pala<3, true, false, false, true>,  pala<3, true, true, false, true>,    \
     pala<3, true, false, true, true>,    pala<3, true, true, true, true>}

static Pala *const palatTavallinen[20] = PALAT(palaTavallinen);
#ifdef KIMALLUS_X86
static Pala *const palatSse2[20] = PALAT(palaSse2);
static Pala *const palatAvx2[20] = PALAT(palaAvx2);
static Pala *const palatAvx512[20] = PALAT(palaAvx512);
#endif

// The cuts of a row for the n slots from luettavat on that are read from the
// quarter, and for each stretch which loop draws it (perusta + which of them
// are read backwards) and those backwards bits. They depend only on the
// slots' columns, so they are worked out once a frame.
static void leikkaa(const Pallero *luettavat, int n, int perusta, int rajat[5], int silmukat[4], int suunnat[4])
{
    int raja[3];
    rajat[0] = 0;
    for (int k = 0; k < n; k++) {
        raja[k] = luettavat[k].x & ~15;
        int j = k + 1; // insertion into rajat[1..n], kept sorted
        while (j > 1 && rajat[j - 1] > raja[k]) {
            rajat[j] = rajat[j - 1];
            j--;
        }
        rajat[j] = raja[k];
    }
    rajat[n + 1] = 400;
    for (int s = 0; s <= n; s++) {
        suunnat[s] = 0;
        for (int k = 0; k < n; k++)
            suunnat[s] |= (rajat[s] < raja[k]) << k;
        silmukat[s] = perusta + suunnat[s];
    }
}

// One row of those slots' windows, each from its quarter row, stretch by
// stretch.
static void piirraRivi(Pala *const *palat, uint8_t *out, const uint32_t *kiintea, const Pallero *luettavat, int n,
                       int py, const int rajat[5], const int silmukat[4], const int suunnat[4])
{
    const uint32_t *eteen[3], *taakse[3];
    for (int k = 0; k < n; k++) {
        const uint32_t *rivi = neljanneksenRivi(abs(py - luettavat[k].y));
        eteen[k] = rivi + 15 - luettavat[k].x;
        taakse[k] = rivi + 15 + luettavat[k].x;
    }
    if (n == 2)
        eteen[2] = taakse[2] = eteen[0]; // not read by the loops for two
    for (int s = 0; s <= n; s++) {
        if (rajat[s] == rajat[s + 1])
            continue;
        int d = suunnat[s];
        palat[silmukat[s]](out, kiintea, d & 1 ? taakse[0] : eteen[0], d & 2 ? taakse[1] : eteen[1],
                           d & 4 ? taakse[2] : eteen[2], rajat[s], rajat[s + 1]);
    }
}

// Why the rows are drawn in mirror pairs: rows at equal distances above and
// below a blob read the same quarter row for it (and the same cache row, if
// it is the still blobs' shared row). Drawn one right after the other, the
// second finds those lines still in the nearest cache instead of some 200
// rows later. The pairs follow the still blobs' row where their cache is
// read, or else the moving blob nearest the middle, which has the most pairs.
// Over the pointer's cache a pair is drawn by one loop that loads the shared
// values once (piirraPari). Measured in the demo's loop, the order alone took
// about a twentieth off the drawing, the shared loads another tenth.
static const int16_t *parittain(int y)
{
    static int16_t jarjestys[300];
    static int keskella = -1;
    if (y != keskella) {
        int n = 0;
        if (y < 300)
            jarjestys[n++] = y;
        for (int d = 1; n < 300; d++) {
            if (y - d >= 0 && y - d < 300)
                jarjestys[n++] = y - d;
            if (y + d < 300)
                jarjestys[n++] = y + d;
        }
        keskella = y;
    }
    return jarjestys;
}

// Rows py1 and py2, d rows above and below slot 3 + j (P), over the pointer's
// cache; slot 4 - j (O) read for each.
static void piirraPari(PariPala *const *parit, SDL_Surface *screen, int j, int d, int py1, int py2,
                       const int rajat[5], const int suunnat[4])
{
    const Pallero *pp = pallerot + 3 + j, *op = pallerot + 4 - j;
    const uint32_t *p = neljanneksenRivi(d), *o1 = neljanneksenRivi(abs(py1 - op->y)),
                   *o2 = neljanneksenRivi(abs(py2 - op->y));
    uint8_t *out1 = (uint8_t *)screen->pixels + py1 * screen->pitch;
    uint8_t *out2 = (uint8_t *)screen->pixels + py2 * screen->pitch;
    for (int s = 0; s <= 2; s++) {
        if (rajat[s] == rajat[s + 1])
            continue;
        int kp = suunnat[s] >> j & 1, ko = suunnat[s] >> (1 - j) & 1;
        int xp = kp ? pp->x : -pp->x, xo = ko ? op->x : -op->x;
        parit[kp | ko << 1](out1, out2, osoittimella + py1 * 400, osoittimella + py2 * 400, p + 15 + xp,
                            o1 + 15 + xo, o2 + 15 + xo, rajat[s], rajat[s + 1]);
    }
}

// Row by row, in mirror pairs.
static void piirraRivit(SDL_Surface *screen, Pala *const *palat, PariPala *const *parit)
{
    // Slots 0-2 that moved since the last frame may be moving every frame,
    // as a harness that draws random layouts moves them: building the cache
    // would then cost a whole extra pass over memory that is never read
    // again. Such a frame sums them a row at a time into a buffer that stays
    // in the nearest cache; the cache is built once they stand still.
    static Pallero edellisetKiinteat[3];
    alignas(64) static uint32_t rivinKiinteat[400];
    bool kiinteatLiikkuivat = memcmp(edellisetKiinteat, pallerot, sizeof edellisetKiinteat) != 0;
    memcpy(edellisetKiinteat, pallerot, sizeof edellisetKiinteat);
    if (!kiinteatLiikkuivat && (!kiinteatValmiit || memcmp(kiinteatPaikat, pallerot, sizeof kiinteatPaikat) != 0))
        laskeKiinteat();
    // Called every frame, since it counts the frames the pointer stands
    // still. A frame that sums slots 0-2 afresh draws over that sum instead
    // of a cache, so it reads slot 5 from the table even when the pointer's
    // cache is current (slots 0-2 may have stepped away and back).
    bool osoitinMukana = osoitinValmiina() && !kiinteatLiikkuivat;
    int n = osoitinMukana ? 2 : 3; // slots 3 to 3 + n - 1 are read from the quarter
    int rajat[5], silmukat[4], suunnat[4], kRajat[5], kSilmukat[4], kSuunnat[4];
    leikkaa(pallerot + 3, n, n == 3 ? 0 : 8, rajat, silmukat, suunnat);
    if (kiinteatLiikkuivat)
        leikkaa(pallerot, 3, 12, kRajat, kSilmukat, kSuunnat);

    // Of slots 3 and 4, the one nearer the middle row has the most mirror pairs.
    int j = abs(pallerot[3].y - 150) < abs(pallerot[4].y - 150) ? 0 : 1;
    if (osoitinMukana) { // its pairs drawn two rows a loop
        int y = pallerot[3 + j].y;
        for (int d = 0; y - d >= 0 || y + d < 300; d++) {
            bool ylaRivi = y - d >= 0 && y - d < 300, alaRivi = d > 0 && y + d < 300;
            if (ylaRivi && alaRivi) {
                piirraPari(parit, screen, j, d, y - d, y + d, rajat, suunnat);
                continue;
            }
            int py = ylaRivi ? y - d : y + d;
            if (ylaRivi || alaRivi)
                piirraRivi(palat, (uint8_t *)screen->pixels + py * screen->pitch, osoittimella + py * 400,
                           pallerot + 3, 2, py, rajat, silmukat, suunnat);
        }
        return;
    }
    const int16_t *jarjestys =
        parittain(!kiinteatLiikkuivat && kiinteatSamallaRivilla ? pallerot[0].y : pallerot[3 + j].y);
    for (int i = 0; i < 300; i++) {
        int py = jarjestys[i];
        const uint32_t *kiintea = kiinteatRivit[py];
        if (kiinteatLiikkuivat) {
            piirraRivi(palat, (uint8_t *)rivinKiinteat, NULL, pallerot, 3, py, kRajat, kSilmukat, kSuunnat);
            kiintea = rivinKiinteat;
        }
        piirraRivi(palat, (uint8_t *)screen->pixels + py * screen->pitch, kiintea, pallerot + 3, n, py, rajat,
                   silmukat, suunnat);
    }
}

bool piirteleLeveydella(SDL_Surface *screen, int leveys)
{
    switch (leveys) {
    case 1:
        piirraRivit(screen, palatTavallinen, paritTavallinen);
        return true;
#ifdef KIMALLUS_X86
    case 4:
        if (!__builtin_cpu_supports("sse2")) // always there on x86-64; not on every 32-bit x86
            return false;
        piirraRivit(screen, palatSse2, paritSse2);
        return true;
    case 8:
        if (!__builtin_cpu_supports("avx2"))
            return false;
        piirraRivit(screen, palatAvx2, paritAvx2);
        return true;
    case 16:
        if (!__builtin_cpu_supports("avx512f"))
            return false;
        piirraRivit(screen, palatAvx512, paritAvx512);
        return true;
#endif
    default:
        return false;
    }
}

void piirtele(SDL_Surface *screen)
{
    // The widest first; the plain row always works.
    if (!piirteleLeveydella(screen, 16) && !piirteleLeveydella(screen, 8) && !piirteleLeveydella(screen, 4))
        piirteleLeveydella(screen, 1);
}
