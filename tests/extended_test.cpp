// The start-up tables' arithmetic held against x87 long double, which
// carries out exactly this arithmetic in hardware: a 64-bit significand,
// every operation rounded once to nearest with ties to even. The tables'
// hashes alone do not see most faults here; these operands are chosen to
// reach the cases that decide a rounding: ties, bits lost below the
// significand, a subtraction that cancels leading bits, exact quotients and
// roots, values below one.
#include <gtest/gtest.h>
#include <float.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <random>
#include <string>

#include "extended/extended.h"

namespace {

using extended::Extended;

#if LDBL_MANT_DIG == 64
const bool x87 = true;
#else
const bool x87 = false;
#endif

long double valueOf(Extended v)
{
    long double x = ldexpl((long double)v.m, v.e);
    return v.negative ? -x : x;
}

Extended exactly(long double x)
{
    if (x == 0)
        return {false, 0, 0};
    int e;
    long double f = frexpl(fabsl(x), &e);
    return {x < 0, (uint64_t)ldexpl(f, 64), e - 64};
}

std::string show(Extended v)
{
    char text[64];
    snprintf(text, sizeof text, "%s0x%016llxp%+d", v.negative ? "-" : "", (unsigned long long)v.m, v.e);
    return text;
}

// Random significands, most of them with a run of low zero bits, or only a
// few low bits under the top one, so that sums, products and quotients often
// come out exact or exactly halfway, or just either side of that.
struct Operands {
    std::mt19937_64 rng{20261209};
    uint64_t significand()
    {
        uint64_t m = rng() | 1ull << 63;
        if (rng() % 4 == 0)
            return 1ull << 63 | (m & ((1ull << rng() % 9) - 1));
        int zeros = rng() % 4 == 0 ? 0 : rng() % 64;
        return m >> zeros << zeros;
    }
    Extended any(int eFrom, int eTo)
    {
        int e = eFrom + (int)(rng() % (uint64_t)(eTo - eFrom + 1));
        return {(rng() & 1) != 0, significand(), e};
    }
    // Exponent differences up to past the width of the sum, many of them
    // about one significand's width, where b's bits just fall off the end.
    Extended near(Extended a)
    {
        int spread = rng() % 3 == 0 ? 140 : 70;
        Extended b = any(a.e - spread, a.e + spread);
        if (rng() % 4 == 0)
            b.e = a.e - 60 - (int)(rng() % 9);
        if (rng() % 8 == 0) { // close to a: most leading bits cancel
            b.m = a.m - (rng() % 4) * (a.m & -a.m);
            b.e = a.e - (int)(rng() % 2);
            if (b.m >> 63 == 0) // significands keep their top bit
                b.m = a.m;
        }
        return b;
    }
};

// One operation against long double, with the operands printed on failure.
#define EXPECT_AS_X87(got, want, what)                                                             \
    do {                                                                                           \
        Extended w = exactly(want), g = (got);                                                     \
        if (g.negative != w.negative || g.m != w.m || (g.m != 0 && g.e != w.e)) {                  \
            ADD_FAILURE() << what << " is " << show(g) << ", long double gives " << show(w);     \
            return;                                                                                \
        }                                                                                          \
    } while (0)

const int rounds = 200000;

// Every case draws its operands afresh, from the same seed.
struct ExtendedArithmetic : ::testing::Test {
    Operands pick;
    void SetUp() override
    {
        if (!x87)
            GTEST_SKIP() << "long double is not the x87 format here";
    }
};

TEST_F(ExtendedArithmetic, AddAndSubtract)
{
    for (int i = 0; i < rounds; i++) {
        Extended a = pick.any(-200, 200), b = pick.near(a);
        if (i % 64 == 0)
            b = {false, 0, 0};
        Extended minusB = {!b.negative, b.m, b.e};
        long double x = valueOf(a), y = valueOf(b);
        EXPECT_AS_X87(extended::add(a, b), x + y, show(a) + " + " + show(b));
        EXPECT_AS_X87(extended::add(b, a), y + x, show(b) + " + " + show(a));
        EXPECT_AS_X87(extended::add(a, minusB), x - y, show(a) + " - " + show(b));
    }
}

TEST_F(ExtendedArithmetic, MultiplyAndDivide)
{
    for (int i = 0; i < rounds; i++) {
        Extended a = pick.any(-200, 200), b = pick.any(-200, 200);
        long double x = valueOf(a), y = valueOf(b);
        EXPECT_AS_X87(extended::mul(a, b), x * y, show(a) + " * " + show(b));
        EXPECT_AS_X87(extended::div(a, b), x / y, show(a) + " / " + show(b));
        // A product divided by a factor: exact quotients, and those a bit either side.
        long double p = x * y;
        EXPECT_AS_X87(extended::div(exactly(p), b), p / y, show(exactly(p)) + " / " + show(b));
    }
}

TEST_F(ExtendedArithmetic, Root)
{
    for (int i = 0; i < rounds; i++) {
        Extended a = pick.any(-200, 200);
        a.negative = false;
        EXPECT_AS_X87(extended::root(a), sqrtl(valueOf(a)), "root " + show(a));
        // Squares, and their neighbours: roots exact or just off a whole significand.
        long double s = valueOf({false, pick.significand() >> 32 << 32, a.e / 2});
        Extended square = exactly(s * s);
        EXPECT_AS_X87(extended::root(square), s, "root " + show(square));
        square.m += square.m == 1ull << 63 || i % 2 ? 1 : -1;
        EXPECT_AS_X87(extended::root(square), sqrtl(valueOf(square)), "root " + show(square));
    }
    EXPECT_AS_X87(extended::root({false, 0, 0}), 0.0L, "root 0");
}

TEST_F(ExtendedArithmetic, ConversionsToAndFromTheTablesTypes)
{
    for (int i = 0; i < rounds; i++) {
        // To float: values within float's normal range, often halfway
        // between two floats.
        Extended a = pick.any(-160, 36);
        float want = (float)valueOf(a), got = extended::toFloat(a);
        if (memcmp(&got, &want, sizeof got) != 0) {
            ADD_FAILURE() << "toFloat " << show(a) << " is " << got << ", long double gives " << want;
            return;
        }
        // Toward zero: values below 2^31, down to far below one.
        Extended b = pick.any(-140, -33);
        int32_t whole = (int32_t)valueOf(b);
        if (extended::truncated(b) != whole) {
            ADD_FAILURE() << "truncated " << show(b) << " is " << extended::truncated(b) << ", not " << whole;
            return;
        }
        // From double: exact, every one.
        uint64_t bits = pick.rng();
        double d;
        memcpy(&d, &bits, sizeof d);
        if (isfinite(d))
            EXPECT_AS_X87(extended::extendedOf(d), (long double)d, "extendedOf " + std::to_string(d));
    }
    EXPECT_EQ(extended::truncated({false, 0, 0}), 0);
    EXPECT_EQ(extended::toFloat({false, 0, 0}), 0.0f);
}

} // namespace
