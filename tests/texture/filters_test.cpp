#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/texture/texture_steps.h"

namespace {

using Filters = GeneratorTest;

uint32_t grey(uint32_t v) { return v * 0x01010101u; }

// A small picture with every channel different: the word of pixel i.
uint32_t patternWord(size_t i) { return argb(i * 7 % 256, i * 13 % 256, i * 29 % 256, i * 31 % 256); }

Image pattern(int32_t size)
{
    Image image(size);
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = patternWord(i);
    return image;
}

TEST_F(Filters, BlurBelowOnePixelLeavesTheImage)
{
    const Image original = pattern(128);
    for (float radius : {0.0f, 1.0f, 1.9f, -1.0f}) {
        Image image = pattern(128);
        image.run(Step(TextureOp::Blur, {radius, 0, 0, 16}));  // (radius x 128) / 256 is 0
        EXPECT_EQ(image.pixels, original.pixels) << radius;
    }
}

TEST_F(Filters, BlurKeepsAUniformImageUniformWithGain16AndBrightensWithMore)
{
    Image same(256, grey(200));
    same.run(Step(TextureOp::Blur, {8, 0, 0, 16}));
    const uint32_t v = same.pixels[0] & 0xFF;
    EXPECT_TRUE(same.uniform(grey(v)));
    EXPECT_LE(v, 200u);  // the taps are truncated
    EXPECT_GE(v, 190u);

    Image doubled(256, grey(200));
    doubled.run(Step(TextureOp::Blur, {8, 0, 0, 32}));
    EXPECT_TRUE(doubled.uniform(grey(255)));  // saturates
}

TEST_F(Filters, BlurOfAPixelFollowsTheTwoTapWindow)
{
    // Radius 4 at W = 256: sigma 0.5, the window shrinks to offsets -1 and 0,
    // with taps 30 and 225 (of 256) after renormalising.
    Image image(256);
    image.at(5, 5) = grey(255);
    image.run(Step(TextureOp::Blur, {4, 0, 0, 16}));
    EXPECT_EQ(image.at(5, 5), grey(196));  // 255 x 225 / 256 = 224, then 224 x 225 / 256
    EXPECT_EQ(image.at(6, 5), grey(25));   // 255 x 30 / 256 = 29, then 29 x 225 / 256
    EXPECT_EQ(image.at(5, 6), grey(26));
    EXPECT_EQ(image.at(6, 6), grey(3));
    EXPECT_EQ(image.at(4, 5), 0u);  // the window reaches one further to the right and down
    EXPECT_EQ(image.at(5, 4), 0u);
    EXPECT_EQ(image.at(7, 5), 0u);
}

TEST_F(Filters, BlurWrapsAroundTheEdges)
{
    Image image(64);
    for (int32_t y = 0; y < 64; ++y) image.at(63, y) = grey(255);  // the right column
    for (int32_t x = 0; x < 64; ++x) image.at(x, 63) = grey(255);  // the bottom row
    image.run(Step(TextureOp::Blur, {16, 0, 0, 16}));
    EXPECT_GT(image.at(0, 30) & 0xFF, 10u);  // left edge takes from the right
    EXPECT_GT(image.at(30, 0) & 0xFF, 10u);  // top takes from the bottom
    EXPECT_EQ(image.at(30, 30), 0u);
}

TEST_F(Filters, BlurOfAWideRadiusStaysWithinItsTable)
{
    for (float radius : {256.0f, 5000.0f, 1e9f}) {
        Image flat(512, grey(200));
        flat.run(Step(TextureOp::Blur, {radius, 0, 0, 16}));
        EXPECT_TRUE(flat.uniform(flat.pixels[0])) << radius;
        // Flat weights: the window stops at 124 taps of trunc(256 / 124) = 2,
        // so each pass keeps 248 / 256 of the level: 200, 193, 186.
        if (radius > 1000.0f) {
            EXPECT_EQ(flat.pixels[0], grey(186)) << radius;
        }

        Image cells(512);
        cells.run(Step(TextureOp::Checker, {4, 4}, 0));  // 8-pixel cells
        cells.run(Step(TextureOp::Blur, {radius, 0, 0, 16}));
        uint32_t low = 255, high = 0;
        for (uint32_t p : cells.pixels) {
            low = std::min(low, p & 0xFF);
            high = std::max(high, p & 0xFF);
        }
        EXPECT_LT(high - low, 40u) << radius;
    }
}

TEST_F(Filters, InvertTwiceRestores)
{
    Image image = pattern(16);
    image.run(Step(TextureOp::Invert, {}));
    EXPECT_EQ(image.pixels[3], ~patternWord(3));
    image.run(Step(TextureOp::Invert, {}));
    EXPECT_EQ(image.pixels, pattern(16).pixels);
}

TEST_F(Filters, BrightnessContrastNeutralKeepsColoursAndAveragesAlpha)
{
    Image image = pattern(16);
    image.run(Step(TextureOp::BrightnessContrast, {128, 0, 0, 191}));
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint32_t before = patternWord(i), after = image.pixels[i];
        ASSERT_EQ(after & 0xFFFFFF, before & 0xFFFFFF);
        const uint32_t average = (((before >> 16) & 0xFF) + ((before >> 8) & 0xFF) + (before & 0xFF)) / 3;
        ASSERT_EQ(after >> 24, average);
    }
}

TEST_F(Filters, BrightnessContrastStretchesAboutEachChannelsMean)
{
    // Blue 100 and 141 in equal parts: mean 120 (rounded down).
    Image image(2);
    image.pixels = {100, 141, 100, 141};
    image.run(Step(TextureOp::BrightnessContrast, {128, 0, 0, 223}));  // contrast x 2
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{argb(26, 0, 0, 80), argb(54, 0, 0, 162),
                                                   argb(26, 0, 0, 80), argb(54, 0, 0, 162)}));
    image.pixels = {100, 141, 100, 141};
    image.run(Step(TextureOp::BrightnessContrast, {138, 0, 0, 191}));  // brighter by 10
    EXPECT_EQ(image.pixels[1], argb(57, 10, 10, 151));  // red and green too
    image.pixels = {100, 141, 100, 141};
    image.run(Step(TextureOp::BrightnessContrast, {128, 0, 0, 255}));  // x 64: hard edges
    EXPECT_EQ(image.pixels[0], 0u);
    EXPECT_EQ(image.pixels[1], argb(85, 0, 0, 255));
    // Division toward zero: (119 - 120) x 128 / 510 is 0, not -1.
    image.pixels = {119, 121, 119, 121};
    image.run(Step(TextureOp::BrightnessContrast, {128, 0, 0, 0}));  // contrast 1/4
    EXPECT_EQ(image.pixels[0] & 0xFF, 120u);
    EXPECT_EQ(image.pixels[1] & 0xFF, 120u);
}

TEST_F(Filters, ColorScaleMultipliesByFactorsOf128)
{
    Image image = pattern(16);
    image.run(Step(TextureOp::ColorScale, {0, 0, 0}));
    EXPECT_EQ(image.pixels, pattern(16).pixels);  // alpha included

    Image scaled(2, argb(90, 100, 200, 64));
    // red 127 (factor 255), green -128 (factor 0), blue 130 (factor 2); alpha (255 + 0 + 2) / 3 = 85
    scaled.run(Step(TextureOp::ColorScale, {127, -128, 130}));
    EXPECT_TRUE(scaled.uniform(argb(90 * 85 / 128, 199, 0, 1)));
    Image wrapped(2, grey(128));
    wrapped.run(Step(TextureOp::ColorScale, {-130, 0, 0}));  // factor 254
    EXPECT_EQ((wrapped.pixels[0] >> 16) & 0xFF, 254u);
}

TEST_F(Filters, EmbossIsAHorizontalReliefClampedAtTheBorder)
{
    Image uniform(32, argb(10, 200, 0, 255));
    uniform.run(Step(TextureOp::Emboss, {}));
    EXPECT_TRUE(uniform.uniform(grey(128)));

    // Dark left half, bright right half: the edge saturates, flat parts are 128.
    Image edge(8);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 4; x < 8; ++x) edge.at(x, y) = grey(10);
    edge.run(Step(TextureOp::Emboss, {}));
    EXPECT_EQ(edge.at(2, 3), grey(128));
    EXPECT_EQ(edge.at(3, 3), grey(158));  // 128 + 3 x 10
    EXPECT_EQ(edge.at(4, 3), grey(158));
    EXPECT_EQ(edge.at(5, 3), grey(128));
    EXPECT_EQ(edge.at(7, 0), grey(128));  // the border clamps, no wrap to the dark side
    EXPECT_EQ(edge.at(0, 7), grey(128));
}

TEST_F(Filters, RadialGlowFallsFromTheCentre)
{
    Image image(256, 0xFFFFFFFF);
    image.run(Step(TextureOp::RadialGlow, {255, 255, 255, 100}));
    EXPECT_EQ(image.at(128, 128), 0x00FFFFFFu);
    EXPECT_EQ(image.at(0, 0), 0u);
    EXPECT_EQ(image.at(255, 255), 0u);
    EXPECT_EQ(image.at(0, 128), 0u);  // distance W / 2
    for (uint32_t p : image.pixels) ASSERT_EQ(p >> 24, 0u);

    Image half(256);
    half.run(Step(TextureOp::RadialGlow, {255, 100, 10, 50}));
    EXPECT_EQ(half.at(0, 128), argb(0, 127, 50, 5));  // t = 0.5 at distance W / 2
    EXPECT_EQ(half.at(0, 64), argb(0, 95, 37, 3));  // t = 1 - 1.25 x 0.5
    EXPECT_EQ(half.at(0, 0), 0u);
}

TEST_F(Filters, NormalMapReadsBlueAsHeight)
{
    Image flat(16, argb(77, 1, 2, 200));
    flat.run(Step(TextureOp::NormalMap, {40}));
    EXPECT_TRUE(flat.uniform(argb(77, 127, 128, 255)));

    // One raised column at x = 1, strength 1: slopes of +-1 on each side.
    Image ridge(4, argb(9, 0, 0, 0));
    for (int32_t y = 0; y < 4; ++y) ridge.at(1, y) = argb(9, 0, 0, 255);
    ridge.run(Step(TextureOp::NormalMap, {10}));
    // dx = -1, len = sqrt 2: red 255 - trunc(128 + 89.8), blue trunc(128 + 89.8)
    EXPECT_EQ(ridge.at(0, 2), argb(9, 38, 128, 217));
    EXPECT_EQ(ridge.at(1, 2), argb(9, 217, 128, 217));  // dx = +1
    EXPECT_EQ(ridge.at(2, 2), argb(9, 127, 128, 255));
    EXPECT_EQ(ridge.at(3, 2), argb(9, 127, 128, 255));  // wraps to column 0, also flat
}

}  // namespace
