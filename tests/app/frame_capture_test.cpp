#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/frame_capture.h"

namespace {

// A large frame whose pixel (x, y) is value(x, y) in every channel.
template <class Value>
std::vector<uint8_t> frameOf(int width, int height, Value value)
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c) pixels.push_back(static_cast<uint8_t>(value(x, y) + c));
    return pixels;
}

TEST(FilterDown, EachPixelIsTheRoundedMeanOfItsBlock)
{
    const struct {
        int width, height, factor;
        std::vector<uint8_t> large;
        std::vector<uint8_t> expectedRed;  // channel 0 of each small pixel; the others follow by +1 each
    } cases[] = {
        {2, 1, 1, frameOf(2, 1, [](int x, int) { return 10 * x + 3; }), {3, 13}},
        // 1, 2, 2, 2: 1.75 rounds to 2; 0, 0, 0, 2: 0.5 rounds up to 1
        {2, 1, 2, frameOf(4, 2, [](int x, int y) { return x < 2 ? (x + y > 0 ? 2 : 1) : (x == 3 && y == 1 ? 2 : 0); }),
         {2, 1}},
        // 3 x 3 blocks of a ramp across: means 1, 4, 7 in each row of blocks, +30 in the second
        {3, 2, 3, frameOf(9, 6, [](int x, int y) { return x + (y >= 3 ? 30 : 0); }), {1, 4, 7, 31, 34, 37}},
        {1, 1, 4, frameOf(4, 4, [](int, int) { return 250; }), {250}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.factor);
        std::vector<uint8_t> small;
        filterDown(c.large.data(), c.width, c.height, c.factor, small);
        ASSERT_EQ(small.size(), c.expectedRed.size() * 4);
        for (size_t i = 0; i < c.expectedRed.size(); ++i)
            for (int k = 0; k < 4; ++k) EXPECT_EQ(small[i * 4 + k], c.expectedRed[i] + k) << "pixel " << i;
    }
}

}  // namespace
