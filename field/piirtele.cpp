#include <string.h>

#include "field/field.h"

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
// cache line. It belongs to the slots it was built for and is rebuilt the
// first frame those slots differ, so any layout stays exact. When the three
// share a screen row, as they do in the demo, the sum is the same at equal
// distances above and below it, and each such pair of rows is kept once: a
// frame then streams half as much of it. It is static (480,000 bytes), built
// on the first frame, never on the heap.
alignas(64) static uint32_t kiinteat[300 * 400];
static const uint32_t *kiinteatRivit[300]; // the cache row that screen row py reads
// The order the rows are drawn in: a row that shares its cache row with a
// mirror partner is drawn right after it, while that row is still in the
// nearest cache, instead of some 200 rows later. Measured, a tenth off a
// frame on its own; with the flip in between, about a twentieth.
static int16_t rivijarjestys[300];
static Pallero kiinteatPaikat[3];
static bool kiinteatValmiit;

// Why rows above the centre stand in for the rows below it: entry (300 + a, c)
// and entry (300 - a, c) come from the same dy * dy and are the same float to
// the bit, so a window only ever needs rows 0 to 300. That halves the part of
// the table a frame can stream through (963 kB instead of 1.92 MB); measured,
// it takes about a tenth off a frame.
static const float *ikkunanRivi(int k, int py)
{
    int r = py + 300 - pallerot[k].y;
    if (r > 300)
        r = 600 - r;
    return puf + r * 800 + 400 - pallerot[k].x;
}

// One screen row, as plain C++ that any processor runs: the restrict pointers
// and the fixed count of 400 (a multiple of every vector width) let the
// compiler vectorise it for the baseline instruction set, SSE2 on x86-64.
static void riviTavallinen(uint8_t *__restrict out, const uint32_t *__restrict kiintea,
                           const float *__restrict a, const float *__restrict b,
                           const float *__restrict c)
{
    for (int px = 0; px < 400; px++) {
        uint32_t sum = kiintea[px] + (uint32_t)(int32_t)(a[px] * 2097152.0f) +
                       (uint32_t)(int32_t)(b[px] * 2097152.0f) + (uint32_t)(int32_t)(c[px] * 2097152.0f);
        sum >>= 21;
        out[px] = sum < 255 ? sum : 255;
    }
}

// One row of the cache: the same plain, vectorisable shape as the frame's
// plain row, since a harness that moves slots 0-2 every frame pays for it
// every frame.
static void kiinteaRivi(uint32_t *__restrict out, const float *__restrict a, const float *__restrict b,
                        const float *__restrict c)
{
    for (int px = 0; px < 400; px++)
        out[px] = (uint32_t)(int32_t)(a[px] * 2097152.0f) + (uint32_t)(int32_t)(b[px] * 2097152.0f) +
                  (uint32_t)(int32_t)(c[px] * 2097152.0f);
}

// Rebuilt only when slots 0-2 moved: once a run in the demo.
static void laskeKiinteat()
{
    int y = pallerot[0].y;
    bool samaRivi = pallerot[1].y == y && pallerot[2].y == y;
    int n = 0;
    for (int py = 0; py < 300; py++) {
        int peili = 2 * y - py;
        if (samaRivi && peili >= 0 && peili < py) {
            kiinteatRivit[py] = kiinteatRivit[peili];
            continue;
        }
        kiinteaRivi(kiinteat + py * 400, ikkunanRivi(0, py), ikkunanRivi(1, py), ikkunanRivi(2, py));
        kiinteatRivit[py] = kiinteat + py * 400;
        rivijarjestys[n++] = py;
        if (samaRivi && peili > py && peili < 300)
            rivijarjestys[n++] = peili;
    }
    memcpy(kiinteatPaikat, pallerot, sizeof kiinteatPaikat);
    // Before alustaPuf the table is all zeros; a cache built from it would
    // outlive the fill, so it counts as built only once the centre holds 255.
    kiinteatValmiit = puf[300 * 800 + 400] == 255.0f;
}

#ifdef KIMALLUS_X86

// 16 pixels a step in two 8-lane halves: 400 is 25 steps with no tail. The
// signed pack cannot overflow (the shifted sums are at most 1532) and the
// unsigned pack after it is the clip at 255; the lane shuffle between them
// undoes the packs' per-128-bit-lane interleave.
__attribute__((target("avx2"))) static void riviAvx2(uint8_t *out, const uint32_t *kiintea, const float *a,
                                                      const float *b, const float *c)
{
    const __m256 scale = _mm256_set1_ps(2097152.0f);
    for (int px = 0; px < 400; px += 16) {
        __m256i lo = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_load_si256((const __m256i *)(kiintea + px)),
                             _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_loadu_ps(a + px), scale))),
            _mm256_add_epi32(_mm256_cvttps_epi32(_mm256_mul_ps(_mm256_loadu_ps(b + px), scale)),
                             _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_loadu_ps(c + px), scale))));
        __m256i hi = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_load_si256((const __m256i *)(kiintea + px + 8)),
                             _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_loadu_ps(a + px + 8), scale))),
            _mm256_add_epi32(_mm256_cvttps_epi32(_mm256_mul_ps(_mm256_loadu_ps(b + px + 8), scale)),
                             _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_loadu_ps(c + px + 8), scale))));
        __m256i words = _mm256_packs_epi32(_mm256_srli_epi32(lo, 21), _mm256_srli_epi32(hi, 21));
        words = _mm256_permute4x64_epi64(words, 0xD8);
        __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
        _mm_storeu_si128((__m128i *)(out + px), bytes);
    }
}

// 16 pixels a step in one register: 400 is 25 steps with no tail, and the
// unsigned saturating narrow to bytes is the clip at 255.
__attribute__((target("avx512f"))) static void riviAvx512(uint8_t *out, const uint32_t *kiintea, const float *a,
                                                          const float *b, const float *c)
{
    const __m512 scale = _mm512_set1_ps(2097152.0f);
    for (int px = 0; px < 400; px += 16) {
        __m512i sum = _mm512_add_epi32(
            _mm512_add_epi32(_mm512_load_si512(kiintea + px),
                             _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_loadu_ps(a + px), scale))),
            _mm512_add_epi32(_mm512_cvttps_epi32(_mm512_mul_ps(_mm512_loadu_ps(b + px), scale)),
                             _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_loadu_ps(c + px), scale))));
        _mm_storeu_si128((__m128i *)(out + px), _mm512_cvtusepi32_epi8(_mm512_srli_epi32(sum, 21)));
    }
}

#endif

// Row by row, so that the six window pointers are worked out once a row (the
// mirror decides per row) and each row loop streams four plain arrays.
static void piirraRivit(SDL_Surface *screen,
                        void (*rivi)(uint8_t *, const uint32_t *, const float *, const float *, const float *))
{
    if (!kiinteatValmiit || memcmp(kiinteatPaikat, pallerot, sizeof kiinteatPaikat) != 0)
        laskeKiinteat();
    for (int i = 0; i < 300; i++) {
        int py = rivijarjestys[i];
        // Asks for the lines of the row two ahead. A window row is 1,600
        // bytes of a 3,200-byte table row, so the hardware's stream prefetch
        // starts over on every row of every window; after a flip has pushed
        // the tables out of the core's cache, asking early measured about a
        // tenth off a frame.
        if (i + 2 < 300) {
            int seuraava = rivijarjestys[i + 2];
            const char *p3 = (const char *)ikkunanRivi(3, seuraava), *p4 = (const char *)ikkunanRivi(4, seuraava),
                       *p5 = (const char *)ikkunanRivi(5, seuraava), *pk = (const char *)kiinteatRivit[seuraava];
            for (int b = 0; b < 1600; b += 64) {
                __builtin_prefetch(p3 + b);
                __builtin_prefetch(p4 + b);
                __builtin_prefetch(p5 + b);
                __builtin_prefetch(pk + b);
            }
        }
        rivi((uint8_t *)screen->pixels + py * screen->pitch, kiinteatRivit[py], ikkunanRivi(3, py),
             ikkunanRivi(4, py), ikkunanRivi(5, py));
    }
}

bool piirteleLeveydella(SDL_Surface *screen, int leveys)
{
    switch (leveys) {
    case 1:
        piirraRivit(screen, riviTavallinen);
        return true;
#ifdef KIMALLUS_X86
    case 8:
        if (!__builtin_cpu_supports("avx2"))
            return false;
        piirraRivit(screen, riviAvx2);
        return true;
    case 16:
        if (!__builtin_cpu_supports("avx512f"))
            return false;
        piirraRivit(screen, riviAvx512);
        return true;
#endif
    default:
        return false;
    }
}

void piirtele(SDL_Surface *screen)
{
    // The widest first; the plain row always works.
    if (!piirteleLeveydella(screen, 16) && !piirteleLeveydella(screen, 8))
        piirteleLeveydella(screen, 1);
}
