#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/project_reader.h"
#include "tests/texture/texture_steps.h"
#include "texture/sampling.h"

namespace {

using Distortions = GeneratorTest;

uint32_t grey(uint32_t v) { return v * 0x01010101u; }

// Pixel (x, y) of the picture distinguishes columns and rows.
uint32_t markWord(int32_t x, int32_t y) { return argb(255, x & 0xFF, y & 0xFF, (x * 3 + y * 5) & 0xFF); }

Image marked(int32_t size)
{
    Image image(size);
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) image.at(x, y) = markWord(x, y);
    return image;
}

int maxChannelDifference(uint32_t a, uint32_t b)
{
    int largest = 0;
    for (int c = 0; c < 32; c += 8)
        largest = std::max(largest, std::abs(static_cast<int>((a >> c) & 0xFF) - static_cast<int>((b >> c) & 0xFF)));
    return largest;
}

TEST_F(Distortions, PointSamplingOutsideFollowsTheEdgeMode)
{
    const Image image = marked(16);
    const struct {
        EdgeMode mode;
        uint32_t atMinusOne, atSixteen;
    } cases[] = {
        {EdgeMode::Wrap, markWord(15, 3), markWord(0, 3)},
        {EdgeMode::Clamp, markWord(0, 3), markWord(15, 3)},
        {EdgeMode::Mirror, markWord(1, 3), markWord(15, 3)},
        {EdgeMode::Transparent, 0, 0},
    };
    for (const auto& c : cases) {
        generator.edgeMode = static_cast<int32_t>(c.mode);
        EXPECT_EQ(pointSample(image.pixels.data(), -0.5f, 3.0f), markWord(0, 3)) << int(c.mode);  // trunc gives 0
        EXPECT_EQ(pointSample(image.pixels.data(), -1.0f, 3.0f), c.atMinusOne) << int(c.mode);
        EXPECT_EQ(pointSample(image.pixels.data(), 16.0f, 3.9f), c.atSixteen) << int(c.mode);
        EXPECT_EQ(pointSample(image.pixels.data(), 7.9f, 8.2f), markWord(7, 8)) << int(c.mode);
    }
    generator.edgeMode = static_cast<int32_t>(EdgeMode::Mirror);
    EXPECT_EQ(pointSample(image.pixels.data(), 3.0f, -17.0f), markWord(3, 14));  // 17 -> 31 - 17
    EXPECT_EQ(pointSample(image.pixels.data(), 40.0f, 3.0f), markWord(8, 3));    // 40 mod 32 = 8
    // Far away and not a number: still a pixel of the image, or black.
    for (int mode = 0; mode < 4; ++mode) {
        generator.edgeMode = mode;
        pointSample(image.pixels.data(), -3e9f, 1e30f);
        pointSample(image.pixels.data(), NAN, INFINITY);
    }
}

TEST_F(Distortions, BilinearSamplingMixesAcrossTheWrap)
{
    Image image(8);
    image.at(7, 0) = grey(100);
    image.at(0, 0) = grey(200);
    image.at(7, 1) = grey(50);
    EXPECT_EQ(bilinearSample(image.pixels.data(), 7.5f, 0.0f), grey(150));   // half and half
    EXPECT_EQ(bilinearSample(image.pixels.data(), -0.5f, 0.0f), grey(150));  // the same place
    EXPECT_EQ(bilinearSample(image.pixels.data(), 15.5f, 8.0f), grey(150));
    EXPECT_EQ(bilinearSample(image.pixels.data(), 7.0f, 0.5f), grey(75));
    // 3/4 of column 7, 1/4 of column 0 (fx = 64): (100 x 192 + 200 x 64) / 256
    EXPECT_EQ(bilinearSample(image.pixels.data(), 7.25f, 0.0f), grey(125));
    // A tiny negative position rounds up to W in float32: column 0 again.
    EXPECT_EQ(bilinearSample(image.pixels.data(), -1e-7f, 0.0f), grey(200));
    bilinearSample(image.pixels.data(), NAN, -INFINITY);
    bilinearSample(image.pixels.data(), 3e38f, -3e38f);
}

TEST_F(Distortions, RotoZoomIdentityReproducesTheImageWithEitherSampler)
{
    for (bool smooth : {false, true}) {
        Image image = marked(64);
        image.run(Step(TextureOp::RotoZoom, {128, 128, 0, 0, 0, 0, 0}, 0, smooth));
        EXPECT_EQ(image.pixels, marked(64).pixels) << smooth;
    }
}

TEST_F(Distortions, RotoZoomHalfTurnIsAboutTheCentrePixel)
{
    for (bool smooth : {false, true}) {
        Image image = marked(32);
        image.run(Step(TextureOp::RotoZoom, {128, 128, 0, 0, 0, 0, -128}, 0, smooth));
        for (int32_t y = 0; y < 32; ++y)
            for (int32_t x = 0; x < 32; ++x)
                ASSERT_EQ(image.at(x, y), markWord((32 - x) & 31, (32 - y) & 31)) << x << "," << y << smooth;
        EXPECT_EQ(image.at(16, 16), markWord(16, 16));
    }
}

TEST_F(Distortions, RotoZoomCentreShowsTheChosenSourcePoint)
{
    Image image = marked(64);
    image.run(Step(TextureOp::RotoZoom, {0, 128, 0, 0, 0, 0, 0}));
    EXPECT_EQ(image.at(32, 32), markWord(0, 32));  // the left edge
    EXPECT_EQ(image.at(33, 32), markWord(1, 32));

    // Zoom 64 shrinks the picture twice: steps of two source pixels, repeated.
    Image zoomed = marked(64);
    zoomed.run(Step(TextureOp::RotoZoom, {128, 128, 0, 64, 0, 0, 0}));
    EXPECT_EQ(zoomed.at(32, 32), markWord(32, 32));
    EXPECT_EQ(zoomed.at(33, 32), markWord(34, 32));
    EXPECT_EQ(zoomed.at(0, 32), markWord(96 & 63, 32));

    // A quarter turn (value 6 = 64): output x + 1 reads one row up or down.
    Image turned = marked(64);
    turned.run(Step(TextureOp::RotoZoom, {128, 128, 0, 0, 0, 0, 64}, 0, false));
    EXPECT_EQ(turned.at(32, 32), markWord(32, 32));
    const uint32_t right = turned.at(34, 32);
    EXPECT_TRUE(right == markWord(32, 30) || right == markWord(32, 34) || right == markWord(32, 29) ||
                right == markWord(32, 33))
        << std::hex << right;
}

TEST_F(Distortions, TwirlWithoutTwistKeepsTheImage)
{
    // Polar coordinates and back: at most one step of rounding per channel.
    Image image(64);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) image.at(x, y) = argb(255, x * 4, y * 4, (x + y) * 2);
    const std::vector<uint32_t> before = image.pixels;
    image.run(Step(TextureOp::Twirl, {128, 128, 0, 128, 0, 0, 100}));
    int largest = 0;
    for (size_t i = 0; i < before.size(); ++i) largest = std::max(largest, maxChannelDifference(before[i], image.pixels[i]));
    EXPECT_LE(largest, 4);
}

TEST_F(Distortions, TwirlTurnsInsideTheRadiusOnly)
{
    Image image = marked(256);
    image.run(Step(TextureOp::Twirl, {128, 128, 0, 64, 0, 0, 40}, 0, false));
    // The centre stays, far pixels stay (up to the rounding of the point sampler).
    EXPECT_EQ(image.at(128, 128), markWord(128, 128));
    int moved = 0, farChanged = 0;
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x) {
            const int32_t d2 = (x - 128) * (x - 128) + (y - 128) * (y - 128);
            const uint32_t was = markWord(x, y), now = image.at(x, y);
            if (d2 < 30 * 30 && now != was) ++moved;
            // Far pixels read themselves or, by rounding, a neighbour.
            const int32_t sx = (now >> 16) & 0xFF, sy = (now >> 8) & 0xFF;
            if (d2 > 42 * 42 && (std::abs(sx - x) > 1 || std::abs(sy - y) > 1)) ++farChanged;
        }
    EXPECT_GT(moved, 2000);
    EXPECT_EQ(farChanged, 0);
}

TEST_F(Distortions, TwirlWithARadiusBelowOnePixelDoesNothing)
{
    for (const auto& [size, radius] : std::vector<std::pair<int32_t, float>>{{256, 0.0f}, {128, 1.0f}, {16, 15.0f}}) {
        Image image = marked(size);
        image.run(Step(TextureOp::Twirl, {128, 128, 0, 0, 0, 0, radius}));
        EXPECT_EQ(image.pixels, marked(size).pixels) << size << " " << radius;
    }
}

TEST_F(Distortions, TwirlCentreIsInPixelsOfA256Image)
{
    // At W = 64 the centre (128, 128) is the middle: the middle pixel stays.
    Image image = marked(64);
    image.run(Step(TextureOp::Twirl, {128, 128, 0, 0, 0, 0, 128}, 0, false));
    EXPECT_EQ(image.at(32, 32), markWord(32, 32));
    // Centre (100, 120) at W = 64: the fixed pixel is (100 + 32 - 128, 120 + 32 - 128).
    Image moved = marked(64);
    moved.run(Step(TextureOp::Twirl, {100, 120, 0, 0, 0, 0, 128}, 0, false));
    EXPECT_EQ(moved.at(4, 24), markWord(4, 24));
    EXPECT_NE(moved.at(32, 32), markWord(32, 32));
}

// A named-data table with TGA pictures, built in the test.
struct NamedTable {
    std::vector<uint8_t> bytes;
    void add(const std::string& name, const std::vector<uint8_t>& block)
    {
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.push_back(0);
        const uint32_t length = static_cast<uint32_t>(block.size());
        const uint8_t* l = reinterpret_cast<const uint8_t*>(&length);
        bytes.insert(bytes.end(), l, l + 4);
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    operator NamedDataTable() const { return {bytes.data(), bytes.size()}; }
};

std::vector<uint8_t> tga(uint16_t width, uint16_t height, uint8_t depth, uint32_t firstWord)
{
    std::vector<uint8_t> file(18, 0);
    file[2] = 2;
    std::memcpy(&file[12], &width, 2);
    std::memcpy(&file[14], &height, 2);
    file[16] = depth;
    file[17] = 8;
    const size_t count = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t word = firstWord + static_cast<uint32_t>(i);
        const uint8_t* b = reinterpret_cast<const uint8_t*>(&word);
        file.insert(file.end(), b, b + depth / 8);
    }
    return file;
}

struct importStep : Step {
    explicit importStep(const char* name) : Step(TextureOp::ImportImage, {}) { track.setName(name); }
};

TEST_F(Distortions, ImportImageCopiesRowsInFileOrder)
{
    NamedTable table;
    table.add("other", {1, 2, 3});
    table.add("logo", tga(3, 2, 32, 0xA0000000));
    Image image(4, 7);
    image.run(importStep("logo"), table);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xA0000000, 0xA0000001, 0xA0000002, 7,  //
                                                   0xA0000003, 0xA0000004, 0xA0000005, 7,  //
                                                   7, 7, 7, 7, 7, 7, 7, 7}));
}

TEST_F(Distortions, ImportImageCutsPicturesLargerThanTheImage)
{
    NamedTable table;
    table.add("big", tga(5, 6, 32, 100));
    Image image(2);
    image.run(importStep("big"), table);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{100, 101, 105, 106}));  // rows skip the rest
}

TEST_F(Distortions, ImportImageWithoutAUsablePictureDoesNothing)
{
    Image image(4, 7);
    image.run(importStep("logo"));  // no table
    EXPECT_TRUE(image.uniform(7));

    NamedTable table;
    table.add("rgb", tga(2, 2, 24, 100));
    table.add("short", std::vector<uint8_t>(17, 32));
    std::vector<uint8_t> cut = tga(4, 4, 32, 500);
    cut.resize(18 + 4 * 6 + 2);  // six whole pixels and half of one more
    table.add("cut", cut);
    image.run(importStep("rgb"), table);
    EXPECT_TRUE(image.uniform(7));
    image.run(importStep("short"), table);
    EXPECT_TRUE(image.uniform(7));
    image.run(importStep("missing"), table);
    EXPECT_TRUE(image.uniform(7));
    image.run(Step(TextureOp::ImportImage, {}), table);  // no name
    EXPECT_TRUE(image.uniform(7));

    // A block that ends early gives the pixels it holds and no more.
    image.run(importStep("cut"), table);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{500, 501, 502, 503, 504, 505, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}));
}

}  // namespace
