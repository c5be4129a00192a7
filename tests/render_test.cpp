#include <gtest/gtest.h>
#include <string.h>

#include "field/field.h"
#include "tests/reference/reference.h"
#include "tests/shared.h"

namespace {

uint8_t pixels[300 * 400];
SDL_Surface picture = [] {
    SDL_Surface s = {};
    s.pixels = pixels;
    s.w = 400;
    s.h = 300;
    s.pitch = 400;
    return s;
}();

struct Render : ::testing::Test {
    SDL_Surface *surface = &picture;
    static void SetUpTestSuite() { alustaPuf(); }
    void SetUp() override { memcpy(pallerot, firstFrame, sizeof pallerot); }
    uint8_t pixel(int x, int y) const { return ((uint8_t *)surface->pixels)[y * surface->pitch + x]; }
};

TEST_F(Render, FirstFrameTellingPixels)
{
    piirtele(surface);
    EXPECT_EQ(pixel(399, 0), 64);  // sums to 64.54
    EXPECT_EQ(pixel(200, 0), 112); // sums to 112.9988: truncated, not rounded
    for (int k = 0; k < 5; k++)    // under each blob the sum passes 255 and clips
        EXPECT_EQ(pixel(pallerot[k].x, pallerot[k].y), 255) << "blob " << k;
    EXPECT_EQ(pixel(0, 0), 255);
}

TEST_F(Render, FirstFrameMatchesTheLiteralSum)
{
    static uint8_t want[300 * 400];
    referenceFrame(want);
    piirtele(surface);
    for (int y = 0; y < 300; y++)
        ASSERT_EQ(memcmp(want + y * 400, (uint8_t *)surface->pixels + y * 400, 400), 0) << "row " << y;
}

TEST_F(Render, DarkestPixelIs39)
{
    // Every blob at the bottom-right limit puts the table's smallest entry on
    // pixel (0, 0): six times 6.6613 is 39.97.
    for (auto &p : pallerot) {
        p.x = 400;
        p.y = 300;
    }
    piirtele(surface);
    EXPECT_EQ(pixel(0, 0), 39);
    int darkest = 255;
    for (int i = 0; i < 300 * 400; i++)
        darkest = std::min(darkest, int(((uint8_t *)surface->pixels)[i]));
    EXPECT_EQ(darkest, 39);
}

TEST_F(Render, RowsFollowThePitch)
{
    // A surface whose rows are longer than the picture: each row must start
    // at its pitch, and the bytes past the picture stay untouched.
    const int pitch = 432;
    static uint8_t wide[300 * pitch];
    memset(wide, 0xA5, sizeof wide);
    SDL_Surface padded = picture;
    padded.pixels = wide;
    padded.pitch = pitch;
    piirtele(&padded);
    piirtele(surface);
    for (int y = 0; y < 300; y++) {
        ASSERT_EQ(memcmp(wide + y * pitch, (uint8_t *)surface->pixels + y * 400, 400), 0) << "row " << y;
        for (int x = 400; x < pitch; x++)
            ASSERT_EQ(wide[y * pitch + x], 0xA5) << "padding of row " << y;
    }
}

} // namespace
