#include <string>
#include <vector>

#include "tests/texture/texture_steps.h"
#include "texture/row_split.h"

namespace {

class RowSplit : public GeneratorTest {
protected:
    void TearDown() override { setRowRuns(0); }
};

// Each row operator gives the same image to the bit whether its rows are
// done in one run, in uneven runs over the threads, or as the machine splits
// them; sizes whose rows do not divide evenly included. The clouds' sums
// split too (their lattice, on the random sequence, does not), and so does
// a generator's blend into the image.
TEST_F(RowSplit, EveryRowOperatorGivesTheSameImageHoweverItsRowsAreSplit)
{
    const Step steps[] = {
        Step(TextureOp::Blur, {64, 0, 0, 18}),
        Step(TextureOp::Blur, {12, 0, 0, 16}),
        Step(TextureOp::RotoZoom, {128, 128, 0, -16, 0, 0, 32}),
        Step(TextureOp::RotoZoom, {100, 90, 0, 20, 0, 0, -10}, 0, false, 3),  // point sampled, mirrored
        Step(TextureOp::Twirl, {128, 128, 0, 40, 0, 0, 100}),
        Step(TextureOp::BrightnessContrast, {128, 0, 0, 255}),
        Step(TextureOp::ColorScale, {127, -60, -110}),
        Step(TextureOp::Emboss, {}),
        Step(TextureOp::RadialGlow, {255, 200, 120, 100}),
        Step(TextureOp::NormalMap, {30}),
        Step(TextureOp::Clouds, {64}),
        Step(TextureOp::Clouds, {10}, static_cast<uint32_t>(BlendMode::Multiply)),  // tiled
        Step(TextureOp::Clouds, {-300}, static_cast<uint32_t>(BlendMode::Screen)),
    };
    for (int32_t size : {64, 256}) {
        Image source(size);
        uint32_t seed = 99;
        for (uint32_t& p : source.pixels) p = seed = seed * 1664525u + 1013904223u;
        for (const Step& step : steps) {
            SCOPED_TRACE(std::to_string(size) + " op " + std::to_string(step.track.id()));
            std::vector<std::vector<uint32_t>> results;
            for (int32_t runs : {1, 7, 0}) {
                setRowRuns(runs);
                resetGenerator();  // the same random sequence each time
                Image image = source;
                image.run(step);
                results.push_back(image.pixels);
            }
            EXPECT_TRUE(results[0] != source.pixels) << "the step changes the image";
            EXPECT_TRUE(results[1] == results[0]) << "seven runs";
            EXPECT_TRUE(results[2] == results[0]) << "the machine's split";
        }
    }
}

}  // namespace
