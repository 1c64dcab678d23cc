#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "app/timedemo.h"

namespace {

TEST(TimedemoFigures, MedianPercentileWorstAndRate)
{
    std::vector<double> oneToTwenty(20);
    std::iota(oneToTwenty.begin(), oneToTwenty.end(), 1.0);
    const struct {
        std::vector<double> milliseconds;
        FrameTimes expected;
    } cases[] = {
        {{}, {0, 0, 0, 0, 0}},
        {{5}, {1, 5, 5, 5, 200}},
        {{4, 1, 3, 2}, {4, 2.5, 4, 4, 400}},           // unsorted; the mean of the middle two
        {{10, 10, 10, 40, 10}, {5, 10, 40, 40, 1000.0 * 5 / 80}},  // one slow frame is the 95th percentile of five
        {oneToTwenty, {20, 10.5, 19, 20, 1000.0 * 20 / 210}},      // 19 of 20 frames are within 19 ms
    };
    for (const auto& c : cases) {
        const FrameTimes t = summarizeFrameTimes(c.milliseconds);
        SCOPED_TRACE(c.milliseconds.size());
        EXPECT_EQ(t.frames, c.expected.frames);
        EXPECT_DOUBLE_EQ(t.median, c.expected.median);
        EXPECT_DOUBLE_EQ(t.percentile95, c.expected.percentile95);
        EXPECT_DOUBLE_EQ(t.worst, c.expected.worst);
        EXPECT_DOUBLE_EQ(t.framesPerSecond, c.expected.framesPerSecond);
    }
}

}  // namespace
