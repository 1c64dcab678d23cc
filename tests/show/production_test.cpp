// The show as it ships: the project data and the module built into the
// executable load within their budgets, its Timeline reaches every Scene,
// and no frame of a one-frame-a-second pass is a single flat colour except
// where the show fades or flashes on purpose; every eight bars move and no
// flash whites the picture out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

#include "music/module_file.h"
#include "music/playback.h"
#include "music/song_clock.h"
#include "music/xm_module.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "render/screenshot.h"
#include "gl/gl.h"
#include "resources/show_resources.h"
#include "scene/particle_system.h"
#include "tests/support/headless_gl.h"
#include "tests/support/loaded_show.h"

namespace {

constexpr size_t PROJECT_BUDGET = 32 * 1024;
constexpr size_t MODULE_BUDGET = 64 * 1024;
constexpr int SHOW_SECONDS = 122;

// Seconds at which the whole frame is meant to be one colour: black before
// the fade in.
const std::set<int> deliberateFlatFrames = {0};

class ProductionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!useHeadlessGl()) GTEST_SKIP() << "no headless OpenGL";
        const ResourceBlock project = projectDataResource();
        show = std::make_unique<LoadedShow>(project.data, project.size);
        ASSERT_EQ(show->error, "");
    }

    int sceneCount() { return show->registry[SectionKind::Scene].count(); }

    std::unique_ptr<LoadedShow> show;
};

TEST(ProductionData, ProjectAndModuleFitTheirBudgetsAndTheModuleLoads)
{
    const ResourceBlock project = projectDataResource();
    const ResourceBlock module = moduleResource();
    EXPECT_GT(project.size, 0u);
    EXPECT_LE(project.size, PROJECT_BUDGET);
    EXPECT_LE(module.size, MODULE_BUDGET);

    installResourceCallbacks();
    setModuleResource(module.data, static_cast<int32_t>(module.size));
    XmModule* loaded = loadModule("show.xm", nullptr);
    EXPECT_NE(loaded, nullptr) << moduleLoadError();
    if (loaded) freeModule(loaded);
    setModuleResource(nullptr, 0);
}

TEST_F(ProductionTest, TheTimelineReachesEverySceneAndNoOther)
{
    ASSERT_GE(sceneCount(), 7);
    std::set<int> reached;
    // Beat by quarter beat, so that cuts on the beat are not stepped over.
    for (int step = 0; step <= SHOW_SECONDS * 8; ++step) {
        show->advance(step == 0 ? 0.0f : 0.125f);
        const int index = show->timeline.sceneIndex;
        ASSERT_TRUE(index >= 0 && index < sceneCount()) << "no scene at " << step / 8.0f << " s";
        reached.insert(index);
    }
    EXPECT_EQ(static_cast<int>(reached.size()), sceneCount());
}

TEST_F(ProductionTest, NoFrameIsFlatOutsideTheFades)
{
    const int width = 640, height = 480;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    std::vector<int> flat;
    for (int second = 0; second <= SHOW_SECONDS; ++second) {
        show->advance(second == 0 ? 0.0f : 1.0f);
        renderFrame(show->registry, show->timeline);
        readFramePixels(width, height, pixels.data());
        bool oneColour = true;
        for (size_t i = 0; oneColour && i < pixels.size(); i += 4)
            for (int c = 0; c < 3; ++c)
                if (std::abs(pixels[i + c] - pixels[c]) > 2) oneColour = false;
        if (oneColour) flat.push_back(second);
    }
    EXPECT_EQ(std::set<int>(flat.begin(), flat.end()), deliberateFlatFrames);
}

// Four frames a second through the whole show: the median change from one
// frame to the next (mean absolute difference, 0-255) in each eight bars
// of the music, and the brightest frame's mean level. A section whose
// picture hardly changes reads as a freeze; a frame near white is a flash
// that wiped the picture out.
TEST_F(ProductionTest, EveryEightBarsMoveAndNoFlashWhitesThePictureOut)
{
    constexpr double MIN_MEDIAN_CHANGE = 3.0;
    constexpr double MAX_MEAN_LEVEL = 200.0;
    constexpr int ROWS_PER_SECTION = 8 * 16;
    const ResourceBlock module = moduleResource();
    installResourceCallbacks();
    setModuleResource(module.data, static_cast<int32_t>(module.size));
    XmModule* song = loadModule("show.xm", nullptr);
    ASSERT_NE(song, nullptr) << moduleLoadError();
    const std::vector<SongRow> rows = songRows(*song);
    freeModule(song);
    setModuleResource(nullptr, 0);
    auto sectionAt = [&](double seconds) {
        int row = 0;
        while (row + 1 < static_cast<int>(rows.size()) && rows[row + 1].frame / 44100.0 <= seconds) ++row;
        return row / ROWS_PER_SECTION;
    };

    const int width = 640, height = 480;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4), previous;
    std::vector<std::vector<double>> changes;
    double brightest = 0.0, brightestAt = 0.0;
    for (int frame = 0; frame < SHOW_SECONDS * 4; ++frame) {
        show->advance(frame == 0 ? 0.0f : 0.25f);
        renderFrame(show->registry, show->timeline);
        readFramePixels(width, height, pixels.data());
        double level = 0.0, change = 0.0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            for (int c = 0; c < 3; ++c) {
                level += pixels[i + c];
                if (!previous.empty()) change += std::abs(pixels[i + c] - previous[i + c]);
            }
        const double values = static_cast<double>(width) * height * 3;
        if (level / values > brightest) brightest = level / values, brightestAt = frame / 4.0;
        if (!previous.empty()) {
            const size_t section = static_cast<size_t>(sectionAt(frame / 4.0));
            if (changes.size() <= section) changes.resize(section + 1);
            changes[section].push_back(change / values);
        }
        previous = pixels;
    }
    for (size_t section = 0; section < changes.size(); ++section) {
        std::vector<double>& c = changes[section];
        std::nth_element(c.begin(), c.begin() + c.size() / 2, c.end());
        const double median = c[c.size() / 2];
        std::printf("bars %zu-%zu: median frame change %.1f\n", section * 8 + 1, section * 8 + 8, median);
        EXPECT_GE(median, MIN_MEDIAN_CHANGE) << "bars " << section * 8 + 1 << " to " << section * 8 + 8 << " stand still";
    }
    std::printf("brightest frame: mean level %.1f at %.2f s\n", brightest, brightestAt);
    EXPECT_LE(brightest, MAX_MEAN_LEVEL) << "at " << brightestAt << " s";
}

}  // namespace
