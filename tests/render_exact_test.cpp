// The renderer compiled for every target this processor runs, each held
// byte for byte against the literal long double sum, over the layouts the
// blob table may hold and the ways its caches can go stale. Each test of
// RenderExact draws with one target, as Highway's own tests choose theirs
// (useTarget, tests/targets.h), and gives the choice back after.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <hwy/targets.h>

#include <random>
#include <vector>

#include "field/field.h"
#include "field/testing.h"
#include "tests/reference/reference.h"
#include "tests/shared.h"
#include "tests/targets.h"

namespace {

// Rows of an odd length, so that no row after the first starts on a vector
// boundary, with guard bytes before the picture and after every row: a vector
// loop that writes a lane too many or too few, or one that ignores the pitch,
// shows up as a wrong byte.
const int pitch = 419;
uint8_t canvas[64 + 300 * pitch + 64];

struct RenderExact : ::testing::TestWithParam<int64_t> {
    SDL_Surface surface = {};
    static void SetUpTestSuite() { alustaPuf(); }
    void SetUp() override
    {
        useTarget(GetParam());
        memset(canvas, 0xA5, sizeof canvas);
        surface.pixels = canvas + 64;
        surface.pitch = pitch;
        surface.w = 400;
        surface.h = 300;
    }
    void TearDown() override { useTarget(0); }

    // Draws the current layout with this test's target and compares all 400
    // columns of all 300 rows with the literal sum.
    void expectExact(const char *what)
    {
        static uint8_t want[300 * 400];
        referenceFrame(want);
        memset(canvas + 64, 0, 300 * pitch); // no byte survives from the frame before
        // The target asked for again, which leaves Highway's choice to be
        // made: only the frame's own dispatch makes it, and so draws with it
        // (the check Highway's TestWithParamTarget makes after each test).
        useTarget(GetParam());
        piirtele(&surface);
        ASSERT_TRUE(targetChosen()) << what << ": drawn without Highway's dispatch, so not with "
                                    << hwy::TargetName(GetParam());
        for (int y = 0; y < 300; y++)
            if (memcmp(want + y * 400, canvas + 64 + y * pitch, 400) != 0) {
                int x = 0;
                while (want[y * 400 + x] == canvas[64 + y * pitch + x])
                    x++;
                FAIL() << what << ": pixel (" << x << ", " << y << ") is " << int(canvas[64 + y * pitch + x])
                       << ", the literal sum gives " << int(want[y * 400 + x]) << "; blobs " << layout();
            }
    }

    static std::string layout()
    {
        std::string s;
        for (auto &p : pallerot)
            s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
        return s;
    }

    static void expectGuardsIntact()
    {
        for (int i = 0; i < 64; i++) {
            ASSERT_EQ(canvas[i], 0xA5) << "byte " << i << " before the picture";
            ASSERT_EQ(canvas[64 + 300 * pitch + i], 0xA5) << "byte " << i << " after the picture";
        }
    }
};

TEST(RenderPremise, EveryTableEntryIsAWholeNumberOf21stBinaryParts)
{
    // The integer sums rest on this (field/spans.cpp says why, at its shift
    // by 21): if the table ever changes so that it does not hold, this says
    // why the renderers stopped agreeing.
    alustaPuf();
    for (int i = 0; i < 600 * 800; i++) {
        float scaled = puf[i] * 2097152.0f;
        ASSERT_EQ(scaled, (float)(int32_t)scaled) << "entry " << i << " is " << puf[i];
        ASSERT_LT(scaled, 536870912.0f) << "entry " << i;
    }
}

TEST(RenderTargets, EachInTurnThenHighwaysChoiceAgain)
{
    // The caches hold exact sums whichever target built them, so a target
    // may draw over what the one before it cached; after the last, the
    // renderer runs what Highway chooses for this processor, as the
    // program's does.
    static uint8_t want[300 * 400], got[300 * 400];
    SDL_Surface surface = {};
    surface.pixels = got;
    surface.pitch = 400;
#if (HWY_TARGETS & (HWY_TARGETS - 1)) != 0
    const int64_t supported = hwy::SupportedTargets();
#endif
    alustaPuf();
    memcpy(pallerot, firstFrame, sizeof pallerot);
    pallerot[5] = {300, 90};
    for (int64_t target : drawTargets()) {
        printf("[ NOTE     ] drawing with %s\n", hwy::TargetName(target));
        useTarget(target);
        for (int frame = 0; frame < 70; frame++) // the pointer's cache built from frame 64
            piirtele(&surface);
        pallerot[3].y += 7;
        piirtele(&surface);
        useTarget(0);
        referenceFrame(want);
        ASSERT_EQ(memcmp(want, got, sizeof want), 0) << hwy::TargetName(target);
    }
#if (HWY_TARGETS & (HWY_TARGETS - 1)) != 0
    EXPECT_EQ(hwy::SupportedTargets(), supported);
#endif
}

TEST_P(RenderExact, ExtremeLayouts)
{
    const BlobPosition corners[4] = {{0, 0}, {400, 0}, {0, 300}, {400, 300}};
    memcpy(pallerot, firstFrame, sizeof pallerot);
    expectExact("first frame");

    for (auto c : corners) { // all six together in each corner
        for (auto &p : pallerot)
            p = c;
        expectExact("all in one corner");
    }
    for (int k = 0; k < 6; k++) // one slot in each corner, the rest where the first frame has them
        for (auto c : corners) {
            memcpy(pallerot, firstFrame, sizeof pallerot);
            pallerot[k] = c;
            expectExact("one slot in a corner");
        }
    for (int shift = 0; shift < 4; shift++) { // the six spread over the four corners
        for (int k = 0; k < 6; k++)
            pallerot[k] = corners[(k + shift) % 4];
        expectExact("mixed corners");
    }
    // The brightest frame: all six under one pixel, most of the screen clipped.
    for (auto &p : pallerot)
        p = {200, 150};
    expectExact("all in the middle");
    expectGuardsIntact();
}

TEST_P(RenderExact, RandomLayouts)
{
    // Each step moves a random subset of the six slots, so the still blobs
    // 0-2 sometimes keep their places and sometimes change one at a time, and
    // whatever the renderer remembers about them is tested both ways.
#if defined(__SANITIZE_ADDRESS__)
    const int layouts = 1000; // everything runs about three times slower there
#elif defined(KIMALLUS_EMULATED)
    const int layouts = 200;
#else
    const int layouts = 3000;
#endif
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> x(0, 400), y(0, 300), coin(0, 1);
    memcpy(pallerot, firstFrame, sizeof pallerot);
    for (int n = 0; n < layouts; n++) {
        for (auto &p : pallerot)
            if (coin(rng))
                p = {x(rng), y(rng)};
        if (n % 8 == 0) // the still blobs on one row, as in the demo, at any height
            pallerot[0].y = pallerot[1].y = pallerot[2].y = y(rng);
        expectExact("random layout");
        if (HasFailure())
            return;
    }
    expectGuardsIntact();
}

TEST_P(RenderExact, EachBlobMovedAlongOneAxisAfterItsCacheWasBuilt)
{
    // The caches are keyed on where the blobs stand; a key that missed one
    // coordinate would be found out by a blob that moves along one axis only.
    BlobPosition start[6];
    memcpy(start, firstFrame, sizeof start);
    start[5] = {300, 90};
    for (int k = 0; k < 6; k++)
        for (int axis = 0; axis < 2; axis++) {
            memcpy(pallerot, start, sizeof pallerot);
            for (int frame = 0; frame < 70; frame++) // both caches built, the pointer's after 64 frames
                piirtele(&surface);
            expectExact("the caches built");
            (axis ? pallerot[k].y : pallerot[k].x) += 17;
            expectExact("one blob moved along one axis");
            expectExact("the frame after"); // the still blobs' cache is rebuilt now
            pallerot[k] = start[k];
            expectExact("moved back");
            if (HasFailure())
                return;
        }
}

TEST_P(RenderExact, DrawnBeforeTheTableIsFilledAndAfter)
{
    // A frame drawn before alustaPuf sums zeros; caches built from them
    // must not outlive the fill.
    clearPuf();
    memcpy(pallerot, firstFrame, sizeof pallerot);
    for (int frame = 0; frame < 70; frame++)
        piirtele(&surface);
    expectExact("before the fill");
    alustaPuf();
    expectExact("after the fill");
}

TEST_P(RenderExact, PointerBlobStandingStill)
{
    // Slot 5 follows the pointer, which stands still for long stretches; the
    // renderer may then fold it in with the still blobs. Every frame while
    // the two moving slots wander, and after the pointer or a still blob
    // moves (and comes back), must still be the literal sum.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> x(0, 400), y(0, 300);
    memcpy(pallerot, firstFrame, sizeof pallerot);
    pallerot[5] = {123, 234};
    for (int round = 0; round < 3; round++) {
        for (int frame = 0; frame < 70; frame++) { // past the 64 still frames before the pointer's cache
            pallerot[3] = {x(rng), y(rng)};
            pallerot[4] = {x(rng), y(rng)};
            expectExact("pointer standing still");
            if (HasFailure())
                return;
        }
        if (round == 0) {
            pallerot[5] = {x(rng), y(rng)}; // the pointer moves once, then stands still again
        } else if (round == 1) {
            pallerot[0].y += 1; // a still blob moves for good, with the pointer held
        } else {
            pallerot[1].x += 1; // one steps away for a single frame and comes back
            piirtele(&surface);
            pallerot[1].x -= 1;
        }
        expectExact("the first frame after the move");
    }
    expectGuardsIntact();
}

INSTANTIATE_TEST_SUITE_P(EveryTarget, RenderExact, ::testing::ValuesIn(drawTargets()),
                         [](const ::testing::TestParamInfo<int64_t> &info) { return hwy::TargetName(info.param); });

} // namespace
