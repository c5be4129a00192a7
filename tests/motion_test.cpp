#include <gtest/gtest.h>
#include <string.h>

#include "field/field.h"
#include "motion/motion.h"
#include "tests/shared.h"

namespace {

// The orbit tables are built once for the suite; the speed is set to a
// value no run has before every test, so that placeBouncingBlob must set it.
MotionState motion;

struct Motion : ::testing::Test {
    SDL_Event event;
    static void SetUpTestSuite() { buildOrbitTables(&motion); }
    void SetUp() override
    {
        memset(&event, 0, sizeof event);
        pallerot[5].x = 0;
        pallerot[5].y = 0;
        motion.fallSpeed = 12345;
        placeBouncingBlob(&motion);
    }
    void frame(uint32_t n) { moveBlobs(n, &event, &motion); }
    void pointer(Uint8 type, Uint16 x, Uint16 y)
    {
        memset(&event, 0, sizeof event);
        event.type = type;
        if (type == SDL_MOUSEMOTION) {
            event.motion.x = x;
            event.motion.y = y;
        } else {
            event.button.x = x;
            event.button.y = y;
        }
    }
};

TEST_F(Motion, OrbitTableTellingRows)
{
    struct { int t, x, y; } rows[] = {
        {0, 250, 211}, {40, 339, 230}, {90, 390, 201}, {180, 250, 88},
        {270, 110, 98}, {359, 247, 210}, {130, 357, 150}, {220, 160, 70},
        {340, 202, 190},
    };
    for (auto r : rows) {
        EXPECT_EQ(motion.orbitX[r.t], r.x) << "theta " << r.t;
        EXPECT_EQ(motion.orbitY[r.t], r.y) << "theta " << r.t;
    }
}

// Rows whose exact value is a whole number: long double lands just below it
// and truncates down, where double arithmetic would round up to it.
TEST_F(Motion, OrbitRowsDecidedByExtendedPrecision)
{
    EXPECT_EQ(motion.orbitX[30], 319);
    EXPECT_EQ(motion.orbitX[150], 319);
    EXPECT_EQ(motion.orbitX[210], 179);
    EXPECT_EQ(motion.orbitX[330], 179);
    EXPECT_EQ(motion.orbitY[100], 189);
    EXPECT_EQ(motion.orbitY[160], 109);
    EXPECT_EQ(motion.orbitY[280], 109);
    EXPECT_EQ(motion.orbitY[310], 149);
}

TEST_F(Motion, OrbitStaysInItsBox)
{
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int t = 0; t < 360; t++) {
        minX = std::min(minX, motion.orbitX[t]);
        maxX = std::max(maxX, motion.orbitX[t]);
        minY = std::min(minY, motion.orbitY[t]);
        maxY = std::max(maxY, motion.orbitY[t]);
    }
    EXPECT_EQ(minX, 110);
    EXPECT_EQ(maxX, 390);
    EXPECT_EQ(minY, 70);
    EXPECT_EQ(maxY, 230);
}

TEST_F(Motion, BounceRunsA43FrameCycle)
{
    EXPECT_EQ(pallerot[3].x, 30);
    EXPECT_EQ(pallerot[3].y, 60);
    EXPECT_EQ(motion.fallSpeed, 0);

    const int down[] = {60, 61, 63, 66, 70, 75, 81, 88, 96, 105, 115,
                        126, 138, 151, 165, 180, 196, 213, 231, 250, 270, 291};
    int heights[200];
    int speedAfter[200];
    for (int f = 1; f < 200; f++) { // f counts frames from 1, as a viewer would
        frame(f - 1);
        heights[f] = pallerot[3].y;
        speedAfter[f] = motion.fallSpeed;
        ASSERT_EQ(pallerot[3].x, 30);
        ASSERT_GE(pallerot[3].y, 60);
        ASSERT_LE(pallerot[3].y, 291);
    }
    for (int i = 0; i < 22; i++) {
        EXPECT_EQ(heights[i + 1], down[i]) << "frame " << i + 1;
        EXPECT_EQ(heights[43 - i], down[i]) << "frame " << 43 - i; // back up the same way
    }
    EXPECT_EQ(heights[44], 60);
    EXPECT_EQ(speedAfter[44], speedAfter[1]);
    EXPECT_EQ(speedAfter[1], 1);
    for (int f = 1; f + 43 < 200; f++)
        EXPECT_EQ(heights[f], heights[f + 43]) << "frame " << f;
    for (int f : {22, 65, 108, 151})
        EXPECT_EQ(heights[f], 291);
    for (int f : {1, 43, 44, 86, 87, 129, 130})
        EXPECT_EQ(heights[f], 60);
}

TEST_F(Motion, OrbitFollowsTheFrameCountRoundEvery360)
{
    frame(0);
    EXPECT_EQ(pallerot[4].x, 250);
    EXPECT_EQ(pallerot[4].y, 211);
    for (uint32_t n : {1u, 30u, 359u, 4000u, 4294967295u}) {
        frame(n);
        int x = pallerot[4].x, y = pallerot[4].y;
        EXPECT_EQ(x, motion.orbitX[n % 360]);
        EXPECT_EQ(y, motion.orbitY[n % 360]);
        if (n <= 4294967295u - 360) {
            frame(n + 360);
            EXPECT_EQ(pallerot[4].x, x);
            EXPECT_EQ(pallerot[4].y, y);
        }
    }
    // The count is unsigned: past 2^31 the angle must not go negative.
    frame(2147483648u);
    EXPECT_EQ(pallerot[4].x, motion.orbitX[2147483648u % 360]);
}

TEST_F(Motion, PointerBlobTakesPointerEventsClampedToTheScreen)
{
    frame(0);
    EXPECT_EQ(pallerot[5].x, 0); // no event yet: stays in the corner
    EXPECT_EQ(pallerot[5].y, 0);

    // Each event taken on a frame of its own, and where it leaves the blob.
    struct { Uint8 type; Uint16 x, y; int wantX, wantY; } events[] = {
        {SDL_MOUSEMOTION, 450, 350, 399, 299},
        {SDL_MOUSEBUTTONDOWN, 399, 300, 399, 299},
        {SDL_MOUSEBUTTONUP, 65535, 7, 399, 7},
        {SDL_MOUSEMOTION, 123, 45, 123, 45},
    };
    uint32_t n = 1;
    for (auto e : events) {
        pointer(e.type, e.x, e.y);
        frame(n++);
        EXPECT_EQ(pallerot[5].x, e.wantX) << "event type " << int(e.type) << " at " << e.x << "," << e.y;
        EXPECT_EQ(pallerot[5].y, e.wantY) << "event type " << int(e.type) << " at " << e.x << "," << e.y;
    }
    frame(n); // the same event taken again changes nothing
    EXPECT_EQ(pallerot[5].x, 123);
    EXPECT_EQ(pallerot[5].y, 45);
}

TEST_F(Motion, OtherEventsLeaveThePointerBlobAlone)
{
    pointer(SDL_MOUSEMOTION, 200, 100);
    frame(0);
    const Uint8 others[] = {SDL_NOEVENT, SDL_KEYDOWN, SDL_KEYUP, SDL_ACTIVEEVENT,
                            SDL_QUIT, SDL_VIDEOEXPOSE, SDL_JOYAXISMOTION};
    for (Uint8 type : others) {
        memset(&event, 0, sizeof event);
        event.type = type;
        event.motion.x = 17; // whatever the union holds must not be read as a position
        event.motion.y = 19;
        frame(1);
        EXPECT_EQ(pallerot[5].x, 200) << "event type " << int(type);
        EXPECT_EQ(pallerot[5].y, 100) << "event type " << int(type);
    }
}

TEST(MoveToFrame, IsEveryFrameOfTheFullRun)
{
    // Every frame through a whole period of bouncer and orbiter together
    // (43 x 360 frames), each reached from a fresh start, against one run
    // stepped through them all; then the last frame of the 32-bit count,
    // against the frame of that period it repeats.
    SteppedRun full(300, 90), fresh(300, 90);
    const uint32_t last = 4294967295u, lastInPeriod = last % (43 * 360);
    BlobPosition lastWant[6];
    for (uint32_t n = 0; n < 43 * 360 + 100; n++) {
        full.step();
        BlobPosition want[6];
        memcpy(want, pallerot, sizeof want);
        int32_t wantSpeed = full.run.motion.fallSpeed;
        if (n == lastInPeriod)
            memcpy(lastWant, pallerot, sizeof lastWant);
        placeBouncingBlob(&fresh.run.motion);
        moveToFrame(n, &fresh.event, &fresh.run.motion);
        ASSERT_EQ(memcmp(pallerot, want, sizeof want), 0) << "frame " << n;
        ASSERT_EQ(fresh.run.motion.fallSpeed, wantSpeed) << "frame " << n;
        memcpy(pallerot, want, sizeof want);
    }
    placeBouncingBlob(&fresh.run.motion);
    moveToFrame(last, &fresh.event, &fresh.run.motion);
    EXPECT_EQ(memcmp(pallerot, lastWant, sizeof lastWant), 0);
}

} // namespace
