#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "tests/texture/texture_steps.h"

namespace {

using Generators = GeneratorTest;

// Every step here blends with mode 3 into an empty image, which leaves the
// generated picture as it is.
Image generate(int32_t size, const Step& step)
{
    Image image(size);
    image.run(step);
    return image;
}

const int32_t allSizes[] = {2, 4, 8, 16, 32, 64, 128, 256, 512};

TEST_F(Generators, FillWritesOneWordEverywhere)
{
    EXPECT_TRUE(generate(16, Step(TextureOp::Fill, {255, 0, 0, 255}, 3)).uniform(0xFFFF0000));
    EXPECT_TRUE(generate(16, Step(TextureOp::Fill, {1, 2, 3, 4.9f}, 3)).uniform(argb(4, 1, 2, 3)));
    // A colour above 255 spills into the neighbouring channel as it is packed.
    EXPECT_TRUE(generate(2, Step(TextureOp::Fill, {256, 0, 0, 0}, 0)).uniform(0x01000000));
    EXPECT_TRUE(generate(2, Step(TextureOp::Fill, {0, 0, -1, 0}, 0)).uniform(0xFFFFFFFF));
}

TEST_F(Generators, RectangleCoversTheTopLeftQuarterAtEverySize)
{
    for (int32_t size : allSizes) {
        const Image image = generate(size, Step(TextureOp::Rectangle, {0, 0, 0, 127, 127, 0, 200, 100, 50}, 3));
        const uint32_t colour = argb(200, 200, 100, 50);  // alpha follows red
        for (int32_t y = 0; y < size; ++y)
            for (int32_t x = 0; x < size; ++x)
                ASSERT_EQ(image.at(x, y), x < size / 2 && y < size / 2 ? colour : 0u)
                    << size << ": " << x << "," << y;
    }
}

TEST_F(Generators, RectangleIsCutAtTheEdgeNotWrapped)
{
    // At W = 2 the 101/256 width is below a pixel: nothing is drawn.
    EXPECT_TRUE(generate(2, Step(TextureOp::Rectangle, {200, 0, 0, 100, 255, 0, 9, 9, 9}, 3)).uniform(0));
    for (int32_t size : {4, 8, 16, 32, 64, 128, 256, 512}) {
        // From 200/256 of the edge, 101/256 wide and the whole height.
        const Image image = generate(size, Step(TextureOp::Rectangle, {200, 0, 0, 100, 255, 0, 9, 9, 9}, 3));
        const int32_t left = 200 * size / 256;
        for (int32_t x = 0; x < size; ++x)
            ASSERT_EQ(image.at(x, size - 1) != 0, x >= left) << size << ": " << x;
    }
    // Wholly outside, negative, or thinner than a pixel: nothing.
    EXPECT_TRUE(generate(64, Step(TextureOp::Rectangle, {256, 0, 0, 10, 10, 0, 9, 9, 9}, 3)).uniform(0));
    EXPECT_TRUE(generate(64, Step(TextureOp::Rectangle, {-10, 0, 0, 100, 10, 0, 9, 9, 9}, 3)).uniform(0));
    EXPECT_TRUE(generate(64, Step(TextureOp::Rectangle, {0, 0, 0, 2, 10, 0, 9, 9, 9}, 3)).uniform(0));
    EXPECT_TRUE(generate(64, Step(TextureOp::Rectangle, {0, 0, 0, 10, -1, 0, 9, 9, 9}, 3)).uniform(0));
}

TEST_F(Generators, DiscOfRadiusOneIsTheCentrePixel)
{
    for (bool smooth : {false, true}) {
        const Image image = generate(256, Step(TextureOp::Disc, {40, 50, 0, 1, 0, 0, 30, 60, 90}, 3, smooth));
        for (int32_t y = 0; y < 256; ++y)
            for (int32_t x = 0; x < 256; ++x)
                ASSERT_EQ(image.at(x, y), x == 40 && y == 50 ? argb(60, 30, 60, 90) : 0u) << smooth;
    }
}

TEST_F(Generators, DiscRimFadesColourAndAlphaTogether)
{
    // r = 2 at (10, 10): d2 < 4 is inside; d2 above 1 is the soft rim.
    const Step hard(TextureOp::Disc, {10, 10, 0, 2, 0, 0, 255, 100, 0}, 3, false);
    const Step soft(TextureOp::Disc, {10, 10, 0, 2, 0, 0, 255, 100, 0}, 3, true);
    const uint32_t full = argb(118, 255, 100, 0);  // alpha trunc(355 / 3)
    const Image a = generate(256, hard), b = generate(256, soft);
    EXPECT_EQ(a.at(11, 10), full);
    EXPECT_EQ(b.at(11, 10), full);  // d2 = 1 is not above inner = 1
    EXPECT_EQ(a.at(11, 11), full);
    // d2 = 2: f = 2 - sqrt 2 = 0.5858; 0.5858 x (118, 255, 100, 0) rounded.
    EXPECT_EQ(b.at(11, 11), argb(69, 149, 59, 0));
    EXPECT_EQ(a.at(12, 10), 0u);  // d2 = 4 is outside
    EXPECT_EQ(a.at(8, 10), 0u);
    EXPECT_EQ(a.at(9, 9), full);  // the box runs from cx - r to cx + r - 1
}

TEST_F(Generators, DiscsNeverWrapAround)
{
    const Image image = generate(64, Step(TextureOp::Disc, {0, 0, 0, 32, 0, 0, 255, 255, 255}, 3));
    EXPECT_NE(image.at(0, 0), 0u);
    EXPECT_NE(image.at(7, 0), 0u);
    for (int32_t i = 0; i < 64; ++i) {
        ASSERT_EQ(image.at(63, i), 0u);
        ASSERT_EQ(image.at(i, 63), 0u);
    }
    // A huge radius covers the image without overflowing its arithmetic.
    EXPECT_TRUE(generate(16, Step(TextureOp::Disc, {128, 128, 0, 1e7f, 0, 0, 255, 255, 255}, 3, false))
                    .uniform(argb(255, 255, 255, 255)));
    EXPECT_TRUE(generate(16, Step(TextureOp::Disc, {-20, 128, 0, 40, 0, 0, 255, 255, 255}, 3)).uniform(0));
}

TEST_F(Generators, CheckerOfHalfCellsGivesFourCells)
{
    const Image image = generate(256, Step(TextureOp::Checker, {128, 128}, 3));
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x)
            ASSERT_EQ(image.at(x, y), (x < 128) == (y < 128) ? 0u : 0xFFFFFFFFu) << x << "," << y;
}

TEST_F(Generators, CheckerRestartsEveryRowAtTheLeft)
{
    // Cells 3 pixels wide (96/256 of 8) and 2 high: the last column of cells is narrower.
    const Image image = generate(8, Step(TextureOp::Checker, {96, 64}, 3));
    const uint32_t w = 0xFFFFFFFF;
    const std::vector<uint32_t> even = {0, 0, 0, w, w, w, 0, 0}, odd = {w, w, w, 0, 0, 0, w, w};
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            ASSERT_EQ(image.at(x, y), (y / 2) % 2 == 0 ? even[x] : odd[x]) << x << "," << y;
    // Cells below a pixel become one pixel; wider than the image, the image.
    const Image fine = generate(4, Step(TextureOp::Checker, {1, 1}, 3));
    EXPECT_EQ(fine.at(0, 0), 0u);
    EXPECT_EQ(fine.at(1, 0), w);
    EXPECT_EQ(fine.at(0, 1), w);
    EXPECT_TRUE(generate(4, Step(TextureOp::Checker, {5000, 5000}, 3)).uniform(0));
}

TEST_F(Generators, WavesWithoutFrequencyAreFlat)
{
    // c = 0.5 + 0.25 cos(phase y) + 0.25 cos(phase x)
    EXPECT_TRUE(generate(32, Step(TextureOp::Waves, {0, 0, 0, 0, 0, 0, 200, 100, 50}, 3))
                    .uniform(argb(200, 200, 100, 50)));
    // A quarter turn of phase in x (64 of 256): c = 0.75.
    EXPECT_TRUE(generate(256, Step(TextureOp::Waves, {64, 0, 0, 0, 0, 0, 200, 100, 255}, 3))
                    .uniform(argb(150, 150, 75, 191)));
    // The phase is value 0 / W of a turn: the same 64 at W = 128 is half a turn, c = 0.5.
    EXPECT_TRUE(generate(128, Step(TextureOp::Waves, {64, 0, 0, 0, 0, 0, 200, 100, 50}, 3))
                    .uniform(argb(100, 100, 50, 25)));
}

TEST_F(Generators, WavesRunValue3Over32PeriodsAtEverySize)
{
    for (int32_t size : {32, 256, 512}) {
        const Image image = generate(size, Step(TextureOp::Waves, {0, 0, 0, 32, 0, 0, 255, 255, 255}, 3));
        // One period across, 1-based: column W/2 - 1 is half a period (c =
        // 0.5), column W/4 - 1 a quarter (c = 0.75), the last column a full
        // one (c = 1); rows are all alike.
        std::vector<uint32_t> red(size);
        for (int32_t x = 0; x < size; ++x) red[x] = (image.at(x, 0) >> 16) & 0xFF;
        EXPECT_EQ(*std::min_element(red.begin(), red.end()), 128u) << size;
        EXPECT_EQ(red[size / 2 - 1], 128u) << size;  // 127.5 rounds to even
        EXPECT_EQ(red[size / 4 - 1], 191u) << size;
        EXPECT_EQ(red[size - 1], 255u) << size;
        EXPECT_EQ(image.at(5, size - 1), image.at(5, 0));
        EXPECT_EQ(image.at(5, 0) >> 24, red[5]);  // alpha follows red
    }
}

TEST_F(Generators, GrainHashesTheSineOfTheCountdown)
{
    // W = 2, seed 1000: h = nearest(sin(c) h) x 20021 + 1 for c = 4, 3, 2, 1;
    // the low bytes 72, 145, 201, 102 scale the colour by n / 256.
    const Image full = generate(2, Step(TextureOp::Grain, {1000, 0, 0, 255, 128, 0}, 3));
    EXPECT_EQ(full.pixels, (std::vector<uint32_t>{argb(71, 71, 36, 0), argb(144, 144, 72, 0),
                                                   argb(200, 200, 100, 0), argb(101, 101, 51, 0)}));
    // The hash starts from the seed value every time: equal steps repeat.
    const Step step(TextureOp::Grain, {7, 0, 0, 255, 255, 255}, 3);
    EXPECT_EQ(generate(256, step).pixels, generate(256, step).pixels);
    EXPECT_NE(generate(256, step).pixels, generate(256, Step(TextureOp::Grain, {8, 0, 0, 255, 255, 255}, 3)).pixels);
}

// The hash as written: the sine and the product in 80-bit extended precision.
int32_t extendedHash(int32_t h, int64_t c)
{
    const long double product = std::sin(static_cast<long double>(c)) * static_cast<long double>(h);
    const long double rounded = std::nearbyint(product);
    const int32_t n = rounded >= -2147483648.0L && rounded < 2147483648.0L ? static_cast<int32_t>(rounded) : INT32_MIN;
    return static_cast<int32_t>(static_cast<uint32_t>(n) * 20021u + 1u);
}

TEST_F(Generators, GrainHashRoundsAsTheExtendedSineDoes)
{
    // The whole countdown of a 512 x 512 Grain, from several seeds.
    for (int32_t seed : {0, 1, 4242, -977, 2147483647}) {
        int32_t h = seed, expected = seed;
        for (int64_t c = 262144; c >= 1; --c) {
            h = grainHash(h, c);
            expected = extendedHash(expected, c);
            ASSERT_EQ(h, expected) << "seed " << seed << " c " << c;
        }
    }
    // Products within a hair of a tie, where the rounding is decided by the
    // last bits of the sine.
    int ties = 0;
    const long double s1 = std::sin(1.0L);
    for (int32_t h = 1; h < 20000000 && ties < 20; ++h) {
        const long double p = s1 * h;
        if (std::fabs(p - std::floor(p) - 0.5L) < 1e-6L) {
            ++ties;
            ASSERT_EQ(grainHash(h, 1), extendedHash(h, 1)) << h;
        }
    }
    EXPECT_EQ(ties, 20);
}

TEST_F(Generators, GrainCoversTheByteRange)
{
    const Image image = generate(256, Step(TextureOp::Grain, {12345, 0, 0, 256, 256, 256}, 3));
    std::set<uint32_t> levels;
    for (uint32_t p : image.pixels) {
        levels.insert(p & 0xFF);
        ASSERT_EQ(p >> 24, (p >> 16) & 0xFF);
    }
    EXPECT_GT(levels.size(), 250u);
}

TEST_F(Generators, SprinkleDropsDotsWhereTheHashPoints)
{
    // 2 x 8 dots on a 4 x 4 image, seed 7: the hashes for c = 16 down to 1
    // point at pixels 7 3 5 7 1 9 3 10 13 14 11 11 12 7 1 9.
    const Image image = generate(4, Step(TextureOp::Sprinkle, {2, 0, 0, 7, 0, 0, 30, 60, 90}, 3));
    const std::set<int> hit = {1, 3, 5, 7, 9, 10, 11, 12, 13, 14};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(image.pixels[i], hit.count(i) ? argb(60, 30, 60, 90) : 0u) << i;
    EXPECT_TRUE(generate(16, Step(TextureOp::Sprinkle, {0, 0, 0, 7, 0, 0, 30, 60, 90}, 3)).uniform(0));
    EXPECT_TRUE(generate(16, Step(TextureOp::Sprinkle, {-3, 0, 0, 7, 0, 0, 30, 60, 90}, 3)).uniform(0));
}

TEST_F(Generators, CloudsFillTheLatticeFromTheRandomGenerator)
{
    const Image image = generate(256, Step(TextureOp::Clouds, {64}, 3));
    const uint8_t* lattice = noiseLattice();
    EXPECT_EQ(std::vector<int>(lattice, lattice + 4), (std::vector<int>{177, 98, 21, 171}));
    // N draws: 65536 steps, two full periods of the 15-bit seed.
    EXPECT_EQ(generator.randomSeed, 31337303 % 32768);
    for (uint32_t p : image.pixels) ASSERT_EQ(p, (p & 0xFF) * 0x01010101u);  // grey, alpha = grey
}

TEST_F(Generators, CloudsAddSixOctavesOfTheLattice)
{
    // W = 8, z = 64: the first row, from the lattice bytes drawn after start-up.
    const Image image = generate(8, Step(TextureOp::Clouds, {64}, 3));
    std::vector<uint32_t> row(image.pixels.begin(), image.pixels.begin() + 8);
    for (uint32_t& p : row) p &= 0xFF;
    EXPECT_EQ(row, (std::vector<uint32_t>{238, 230, 222, 238, 247, 239, 233, 213}));
}

TEST_F(Generators, ConsecutiveCloudsDiffer)
{
    const Image first = generate(64, Step(TextureOp::Clouds, {128}, 3));
    const Image second = generate(64, Step(TextureOp::Clouds, {128}, 3));
    EXPECT_NE(first.pixels, second.pixels);
}

TEST_F(Generators, SmallCloudZoomsReadTheLatticeWrappedAround)
{
    // z below 64 reaches outside the lattice with real weight; the reads
    // wrap around and every value stays a byte.
    for (float z : {1.0f, 7.0f, 0.0f, -64.0f, 1e9f}) {
        const Image image = generate(32, Step(TextureOp::Clouds, {z}, 3));
        for (uint32_t p : image.pixels) ASSERT_EQ(p, (p & 0xFF) * 0x01010101u) << z;
    }
}

}  // namespace
