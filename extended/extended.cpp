#include "extended/extended.h"

#include <math.h>

namespace extended {

typedef unsigned __int128 u128;

static int topBit(u128 x)
{
    return x >> 64 ? 127 - __builtin_clzll((uint64_t)(x >> 64)) : 63 - __builtin_clzll((uint64_t)x);
}

// mag * 2^e, plus something short of one unit of mag when sticky, rounded
// to nearest with ties to even, to a significand of the given bits. The
// callers keep enough bits below the last one kept to decide every case;
// sticky is never set on a value that already fits.
static Extended rounded(bool negative, u128 mag, int e, bool sticky, int bits = 64)
{
    if (mag == 0)
        return {false, 0, 0};
    int shift = topBit(mag) + 1 - bits;
    if (shift <= 0)
        return {negative, (uint64_t)(mag << -shift), e + shift};
    u128 kept = mag >> shift, rest = mag - (kept << shift), half = (u128)1 << (shift - 1);
    if (rest > half || (rest == half && (sticky || (kept & 1))))
        kept++;
    if (kept >> bits) { // rounded up to the next power of two
        kept >>= 1;
        shift++;
    }
    return {negative, (uint64_t)kept, e + shift};
}

Extended extendedOf(double d)
{
    if (d == 0)
        return {false, 0, 0};
    int e;
    double f = frexp(fabs(d), &e); // in [0.5, 1): times 2^64 a whole number of 53 bits
    return {d < 0, (uint64_t)ldexp(f, 64), e - 64};
}

Extended add(Extended a, Extended b)
{
    if (a.m == 0)
        return b;
    if (b.m == 0)
        return a;
    if (a.e < b.e || (a.e == b.e && a.m < b.m)) { // a the larger in magnitude
        Extended t = a;
        a = b;
        b = t;
    }
    // 63 bits below both significands: b's lost bits can only be sticky,
    // and a difference keeps at least 64 bits above them.
    u128 A = (u128)a.m << 63, B = (u128)b.m << 63;
    int shift = a.e - b.e;
    bool sticky = false;
    if (shift >= 127) {
        sticky = true;
        B = 0;
    } else if (shift > 0) {
        sticky = (B & (((u128)1 << shift) - 1)) != 0;
        B >>= shift;
    }
    if (a.negative == b.negative)
        return rounded(a.negative, A + B, a.e - 63, sticky);
    // Taking away B and a little more is taking away B + 1 and adding back
    // a little less than one unit.
    return rounded(a.negative, A - B - sticky, a.e - 63, sticky);
}

Extended mul(Extended a, Extended b)
{
    return rounded(a.negative != b.negative, (u128)a.m * b.m, a.e + b.e, false);
}

Extended div(Extended a, Extended b)
{
    u128 q = ((u128)a.m << 64) / b.m, r = ((u128)a.m << 64) % b.m;
    // One more bit of quotient, so that a quotient of only 64 bits still has
    // the bit that decides its rounding.
    q <<= 1;
    r <<= 1;
    if (r >= b.m) {
        q |= 1;
        r -= b.m;
    }
    return rounded(a.negative != b.negative, q, a.e - b.e - 65, r != 0);
}

Extended root(Extended a)
{
    if (a.m == 0)
        return a;
    // An even power of two comes out of the root whole.
    int odd = a.e & 1;
    u128 M = (u128)a.m << (64 - odd);
    int e = a.e - 64 + odd;
    // Whole-number root of M: M is below 2^128, so its root is below 2^64
    // and fits the 64-bit significand. A double's guess, one Newton step,
    // then at most a step or two either way.
    u128 r = (u128)sqrt((double)M);
    r = (r + M / r) / 2;
    if (r > UINT64_MAX)
        r = UINT64_MAX;
    while (r * r > M)
        r--;
    while (r < UINT64_MAX && (r + 1) * (r + 1) <= M)
        r++;
    // The true root lies in [r, r + 1) and is never r + 1/2 exactly: it is
    // past the half when M - r^2 > r.
    u128 rest = M - r * r;
    return rounded(false, 2 * r + (rest > r), e / 2 - 1, rest != 0);
}

float toFloat(Extended v)
{
    Extended f = rounded(v.negative, v.m, v.e, false, 24);
    return ldexpf(f.negative ? -(float)f.m : (float)f.m, f.e);
}

int32_t truncated(Extended v)
{
    uint64_t whole = v.e <= -64 ? 0 : v.e < 0 ? v.m >> -v.e : v.m << v.e;
    return v.negative ? -(int32_t)whole : (int32_t)whole;
}

} // namespace extended
