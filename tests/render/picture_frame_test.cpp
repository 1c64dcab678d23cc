#include <gtest/gtest.h>

#include "render/picture_frame.h"

namespace {

struct FitCase {
    int32_t outputWidth, outputHeight;
    PictureFit fit;
    PictureRect expected;
};

// 4:3 fills the output; wider outputs get bars left and right, taller ones
// above and below; stretched always fills.
const FitCase fitCases[] = {
    {640, 480, PictureFit::KeepShape, {0, 0, 640, 480}},
    {1024, 768, PictureFit::KeepShape, {0, 0, 1024, 768}},
    {1280, 720, PictureFit::KeepShape, {160, 0, 960, 720}},       // 16:9
    {1920, 1080, PictureFit::KeepShape, {240, 0, 1440, 1080}},    // 16:9
    {1366, 768, PictureFit::KeepShape, {171, 0, 1024, 768}},      // odd bar: the extra pixel on the right
    {1280, 1024, PictureFit::KeepShape, {0, 32, 1280, 960}},      // 5:4
    {641, 480, PictureFit::KeepShape, {0, 0, 640, 480}},          // a column over: it is the right bar
    {1280, 720, PictureFit::Stretch, {0, 0, 1280, 720}},
    {1280, 1024, PictureFit::Stretch, {0, 0, 1280, 1024}},
    {0, 480, PictureFit::KeepShape, {0, 0, 0, 480}},              // no drawable: nothing to fit
};

TEST(PictureFit, KeepsFourToThreeCentredOrStretches)
{
    for (const FitCase& c : fitCases) {
        const PictureRect r = fitPicture(c.outputWidth, c.outputHeight, c.fit);
        SCOPED_TRACE(std::to_string(c.outputWidth) + "x" + std::to_string(c.outputHeight));
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.width, c.expected.width);
        EXPECT_EQ(r.height, c.expected.height);
        // Never outside the output.
        EXPECT_LE(r.x + r.width, c.outputWidth);
        EXPECT_LE(r.y + r.height, c.outputHeight);
    }
}

}  // namespace
