#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include "field/field.h"
#include "tests/shared.h"

namespace {

struct PufTable : ::testing::Test {
    static void SetUpTestSuite() { alustaPuf(); }
};

// Offsets across first, as a blob sees the pixel: (dx, dy) from the light.
float at(int dx, int dy) { return puf[(300 + dy) * 800 + (400 + dx)]; }

TEST_F(PufTable, TellingValuesAreExactToTheBit)
{
    EXPECT_EQ(at(0, 0), 255.0f);
    EXPECT_EQ(at(25, 0), 0x1.339aeap+7f);    // 153.80
    EXPECT_EQ(at(50, 0), 0x1.4995a2p+6f);    // 82.40
    EXPECT_EQ(at(100, 0), 0x1.32a6c8p+5f);   // 38.33
    EXPECT_EQ(at(0, -300), 0x1.6dbecp+3f);   // 11.43
    EXPECT_NEAR(at(25, 0), 153.80, 0.005);
    EXPECT_NEAR(at(0, -300), 11.43, 0.005);
}

TEST_F(PufTable, FallsBelowHalfFirstAtOffset32)
{
    for (int dx = 0; dx < 32; dx++)
        EXPECT_GE(at(dx, 0), 127.5f) << "dx " << dx;
    EXPECT_LT(at(32, 0), 127.5f);
    EXPECT_NEAR(at(32, 0), 126.70, 0.005);
}

TEST_F(PufTable, CentreIsTheOnlyMaximumAndCorner00TheOnlyMinimum)
{
    float lo = 1e9f, hi = 0;
    int loAt = -1, hiAt = -1, loCount = 0, hiCount = 0;
    for (int i = 0; i < 600 * 800; i++) {
        if (puf[i] < lo) { lo = puf[i]; loAt = i; loCount = 0; }
        if (puf[i] == lo) loCount++;
        if (puf[i] > hi) { hi = puf[i]; hiAt = i; hiCount = 0; }
        if (puf[i] == hi) hiCount++;
    }
    EXPECT_EQ(hi, 255.0f);
    EXPECT_EQ(hiAt, 300 * 800 + 400);
    EXPECT_EQ(hiCount, 1);
    EXPECT_EQ(loAt, 0);
    EXPECT_EQ(loCount, 1);
    EXPECT_EQ(lo, 0x1.aa5266p+2f); // 6.6613
    EXPECT_NEAR(lo, 6.6613, 0.00005);
}

TEST_F(PufTable, OtherCorners)
{
    EXPECT_EQ(puf[599 * 800 + 0], 0x1.aadb54p+2f);   // 6.6696, offset (-400, 299)
    EXPECT_EQ(puf[0 * 800 + 799], 0x1.ab0928p+2f);   // 6.6724, offset (399, -300)
    EXPECT_EQ(puf[599 * 800 + 799], 0x1.ab92c2p+2f); // 6.6808, offset (399, 299)
    EXPECT_NEAR(puf[599 * 800 + 799], 6.6808, 0.00005);
}

TEST_F(PufTable, SymmetricAboutTheCentre)
{
    for (int a = -299; a <= 299; a++)
        for (int b = -399; b <= 399; b++) {
            float v = at(b, a);
            ASSERT_EQ(v, at(-b, -a)) << a << "," << b;
            ASSERT_EQ(v, at(-b, a)) << a << "," << b;
            ASSERT_EQ(v, at(b, -a)) << a << "," << b;
        }
}

// Every entry, bit for bit.
TEST_F(PufTable, WholeTableHash)
{
    EXPECT_EQ(fnv(puf, sizeof puf), pufHash);
}

TEST_F(PufTable, EveryEntryLiesInFourTo256)
{
    // The fast renderer scales entries by 2^21 into exact integers; that
    // holds only while every entry is at least 4 and below 256.
    for (int i = 0; i < 600 * 800; i++) {
        ASSERT_GE(puf[i], 4.0f);
        ASSERT_LT(puf[i], 256.0f);
    }
}

} // namespace
