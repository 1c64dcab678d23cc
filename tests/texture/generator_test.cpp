#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/texture/texture_steps.h"

namespace {

using Generator = GeneratorTest;

// combine() over one pixel: image word d, source word s.
uint32_t blend(uint32_t d, uint32_t s, uint32_t mode)
{
    setGeneratorSize(2);
    uint32_t image[4] = {d, d, d, d};
    const uint32_t source[4] = {s, s, s, s};
    combine(image, source, mode);
    EXPECT_EQ(image[3], image[0]);  // every pixel alike
    return image[0];
}

// The same byte in all four channels.
uint32_t grey(uint32_t v) { return v * 0x01010101u; }

TEST_F(Generator, SizeStateFollowsTheTexture)
{
    EXPECT_EQ(generator.genSize, 256);
    EXPECT_EQ(generator.genCount, 65536);
    EXPECT_EQ(generator.genBytes, 262144);
    EXPECT_EQ(generator.genInvSize, 0.00390625f);
    EXPECT_EQ(generator.genLog2, 8);
    EXPECT_EQ(generator.randomSeed, 31337303);

    const struct {
        int32_t size, log2;
    } sizes[] = {{2, 1}, {4, 2}, {32, 5}, {128, 7}, {256, 8}, {512, 9}};
    for (const auto& s : sizes) {
        setGeneratorSize(s.size);
        EXPECT_EQ(generator.genLog2, s.log2) << s.size;
        EXPECT_EQ(generator.genCount, s.size * s.size);
        EXPECT_EQ(generator.genBytes, 4 * s.size * s.size);
        EXPECT_EQ(generator.genInvSize, 1.0f / s.size);
    }
    setGeneratorSize(100000);  // never past the buffers
    EXPECT_EQ(generator.genSize, 512);
}

TEST_F(Generator, EdgeUnitsScaleWithTheSizeAndNegativesLandOutside)
{
    setGeneratorSize(256);
    EXPECT_EQ(edgeToPixels(77), 77u);
    setGeneratorSize(512);
    EXPECT_EQ(edgeToPixels(77), 154u);
    setGeneratorSize(64);
    EXPECT_EQ(edgeToPixels(77), 19u);  // 77 / 4 rounded down
    EXPECT_EQ(edgeToPixels(-1), 0x00FFFFFFu);
}

TEST_F(Generator, RandomNumbersDivideBy32678)
{
    const float first = nextRandom();
    // (31337303 x 15625 + 1) mod 32768 = 16656
    EXPECT_EQ(generator.randomSeed, 16656);
    EXPECT_EQ(first, 16656.0f / 32678.0f);
    // Full period: every 15-bit seed comes once in 32768 steps, so the
    // largest result is 32767 / 32678, slightly above 1.
    std::vector<bool> seen(32768, false);
    float largest = 0.0f;
    for (int i = 0; i < 32768; ++i) {
        largest = std::max(largest, nextRandom());
        ASSERT_GE(generator.randomSeed, 0);
        ASSERT_LT(generator.randomSeed, 32768);
        seen[generator.randomSeed] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 32768);
    EXPECT_EQ(largest, 32767.0f / 32678.0f);
    EXPECT_GT(largest, 1.0f);
}

TEST_F(Generator, BlendModesOnChosenBytes)
{
    const uint32_t d = argb(200, 10, 120, 90), s = argb(100, 50, 60, 30);
    const struct {
        uint32_t image, source, mode, result;
    } cases[] = {
        // Whole words.
        {0xF0F0F0F0, 0x0FF00F00, 0, 0xFFF0FFF0},
        {0xF0F0F0F0, 0x0FF00F00, 1, 0xFF00FFF0},
        {0xF0F0F0F0, 0x0FF00F00, 2, 0x00F00000},
        // Saturating add and subtract, average rounded down.
        {argb(250, 100, 0, 5), argb(10, 100, 7, 255), 3, argb(255, 200, 7, 255)},
        {argb(250, 100, 0, 5), argb(10, 150, 7, 4), 4, argb(240, 0, 0, 1)},
        {argb(255, 100, 1, 7), argb(0, 51, 2, 8), 6, argb(127, 75, 1, 7)},
        // Multiply: a product from 32768 up gives 0, below it at most 255.
        {grey(200), grey(200), 5, 0},
        {grey(10), grey(20), 5, grey(200)},
        {grey(16), grey(16), 5, grey(255)},
        {grey(128), grey(255), 5, grey(255)},  // 32640
        {grey(129), grey(255), 5, 0},          // 32895
        // From 7 on, red and blue trade places after the channel rule.
        {d, s, 7, argb(100, 30, 60, 10)},  // minimum a 100, r 10, g 60, b 30
        {d, s, 8, argb(200, 90, 120, 50)},
        {grey(70), grey(40), 7, grey(40)},  // grey: a plain minimum
        {grey(128), grey(128), 9, grey(254)},  // (255 - 127 x 127) mod 256
        {grey(255), grey(3), 9, grey(255)},
        // 10: D = 0 stays 0, else 255 - (255 - S) / D; 11: D = 255 stays, else S / (255 - D).
        {argb(0, 2, 1, 5), argb(77, 55, 0, 205), 10, argb(0, 245, 0, 155)},
        {argb(255, 254, 205, 0), argb(9, 100, 200, 200), 11, argb(255, 0, 4, 100)},
        // 12 and above: the image with red and blue exchanged.
        {argb(1, 2, 3, 4), 0xFFFFFFFF, 12, argb(1, 4, 3, 2)},
        {argb(1, 2, 3, 4), 0, 255, argb(1, 4, 3, 2)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(blend(c.image, c.source, c.mode), c.result)
            << "mode " << c.mode << std::hex << " image " << c.image << " source " << c.source;
}

TEST_F(Generator, OutsideAShapeEachModeKeepsClearsOrHalvesTheImage)
{
    // A disc in the middle; the corner pixel is outside it.
    const uint32_t picture = argb(100, 60, 40, 20);
    const struct {
        uint32_t mode, corner;
    } cases[] = {{0, picture},
                 {1, picture},
                 {2, 0},
                 {3, picture},
                 {4, picture},
                 {5, 0},
                 {6, argb(50, 30, 20, 10)},
                 {7, 0},
                 {8, argb(100, 20, 40, 60)}};
    for (const auto& c : cases) {
        Image image(16, picture);
        image.run(Step(TextureOp::Disc, {128, 128, 0, 32, 0, 0, 255, 255, 255}, c.mode));
        EXPECT_EQ(image.at(0, 0), c.corner) << "mode " << c.mode;
    }
}

TEST_F(Generator, AGeneratorWithMode3OnAnEmptyImageLeavesItsPicture)
{
    Image added(32), alone(32);
    const Step waves(TextureOp::Waves, {10, 20, 0, 40, 48, 0, 255, 128, 64}, 3);
    added.run(waves);
    setGeneratorSize(32);
    runWaves(alone.pixels.data(), waves.track);
    EXPECT_EQ(added.pixels, alone.pixels);
}

TEST_F(Generator, StoreSlotsCarryImagesFromOneTextureToTheNext)
{
    OwnedTexture first, second;
    addStep(*first, TextureOp::Fill, {1, 2, 3, 4});
    addStep(*first, TextureOp::StoreClear, {5});
    addStep(*second, TextureOp::Fill, {0, 0, 0, 0x80});
    addStep(*second, TextureOp::Load, {5}, 0);
    first->applyBuildTracks();
    EXPECT_EQ(first->pixels[0], 0u);  // cleared after storing
    second->applyBuildTracks();
    EXPECT_EQ(second->pixels[65535], argb(0x84, 1, 2, 3));

    // Store keeps the image; a slot keeps its content until stored again.
    Image image(8, 0x11);
    image.run(Step(TextureOp::Store, {3}));
    EXPECT_TRUE(image.uniform(0x11));
    image.run(Step(TextureOp::Clear, {}));
    EXPECT_TRUE(image.uniform(0));
    image.run(Step(TextureOp::Load, {3.7f}, 3));  // the slot number is truncated
    EXPECT_TRUE(image.uniform(0x11));
}

TEST_F(Generator, LoadBlendsTheFirstWordsWhateverSizeWasStored)
{
    Image big(4);
    for (int i = 0; i < 16; ++i) big.pixels[i] = 100 + i;
    big.run(Step(TextureOp::Store, {0}));
    Image small(2, 0x01000000);
    small.run(Step(TextureOp::Load, {0}, 0));
    EXPECT_EQ(small.pixels, (std::vector<uint32_t>{0x01000064, 0x01000065, 0x01000066, 0x01000067}));
}

TEST_F(Generator, ASlotNeverStoredIsTransparentBlack)
{
    Image kept(8, 0x12345678);
    kept.run(Step(TextureOp::Load, {9}, 0));
    EXPECT_TRUE(kept.uniform(0x12345678));
    Image cleared(8, 0x12345678);
    cleared.run(Step(TextureOp::Load, {9}, 2));
    EXPECT_TRUE(cleared.uniform(0));
}

TEST_F(Generator, SlotNumbersOutside0To15DoNothing)
{
    for (float slot : {-1.0f, 16.0f, 1e9f, NAN}) {
        Image image(8, 0xABCDEF01);
        image.run(Step(TextureOp::StoreClear, {slot}));
        EXPECT_TRUE(image.uniform(0xABCDEF01)) << slot;  // not cleared: nothing was stored
        image.run(Step(TextureOp::Load, {slot}, 2));
        EXPECT_TRUE(image.uniform(0xABCDEF01)) << slot;
        image.run(Step(TextureOp::Store, {slot}));
    }
    for (int slot = 0; slot < STORE_SLOTS; ++slot)
        for (int i = 0; i < 64; ++i) ASSERT_EQ(storeSlot(slot)[i], 0u);
    EXPECT_EQ(storeSlot(16), nullptr);
    EXPECT_EQ(storeSlot(-1), nullptr);
}

TEST_F(Generator, StepsBeyondTheTableAndTheSizeStepDrawNothing)
{
    for (uint8_t id : {22, 23, 100, 255}) {
        Image image(8, 0x01020304);
        Step step(TextureOp::Fill, {255, 255, 255, 255});
        step.track.flags = (step.track.flags & ~0xFFu) | id;
        image.run(step);
        EXPECT_TRUE(image.uniform(0x01020304)) << int(id);
    }
}

TEST_F(Generator, TheScratchImageStartsEveryStepAtZero)
{
    Image image(8);
    image.run(Step(TextureOp::Fill, {9, 9, 9, 9}));
    EXPECT_EQ(scratchImage()[0], argb(9, 9, 9, 9));
    // Twirl without a radius stops before using the scratch image.
    image.run(Step(TextureOp::Twirl, {128, 128, 0, 0}));
    for (int i = 0; i < 64; ++i) ASSERT_EQ(scratchImage()[i], 0u);
    EXPECT_EQ(generator.smooth, 1);
    image.run(Step(TextureOp::Invert, {}, 0, false, 3));
    EXPECT_EQ(generator.smooth, 0);
    EXPECT_EQ(generator.edgeMode, 3);
}

TEST_F(Generator, ThePerforatedPlateHasRoundHolesWhereTheCheckerPunched)
{
    // A grey plate, the white checker cells subtracted, blurred, sharpened
    // again about the mean, and 64 taken off the alpha.
    OwnedTexture plate;
    addStep(*plate, TextureOp::Rectangle, {9, 16, 0, 160, 223, 0, 200, 200, 200}, 3);
    addStep(*plate, TextureOp::Checker, {32, 32}, 4);
    addStep(*plate, TextureOp::Blur, {64, 0, 0, 18});
    addStep(*plate, TextureOp::BrightnessContrast, {128, 0, 0, 255});
    addStep(*plate, TextureOp::Fill, {0, 0, 0, 64}, 4);
    plate->applyBuildTracks();
    auto at = [&](int x, int y) { return plate->pixels[y * 256 + x]; };
    EXPECT_EQ(at(48, 48), argb(191, 255, 255, 255));  // solid plate (a black checker cell)
    EXPECT_EQ(at(80, 48), 0u);                        // the middle of a hole (a white cell)
    EXPECT_EQ(at(220, 100), 0u);                      // right of the plate
    // The holes are round: a cell's corner region is plate, its middle a hole.
    EXPECT_EQ(at(66, 34), argb(191, 255, 255, 255));
    EXPECT_EQ(at(72, 40), 0u);
}

}  // namespace
