// Which player a module plays with: the header's tracker name, the tune
// source's `player` line, and the override the command line sets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "authoring/tune_source.h"
#include "tests/music/music_fixture.h"

using namespace music_test;

namespace {

struct OverrideReset {
    ~OverrideReset() { setPlayerModeOverride(std::nullopt); }
};

PlayerMode loadedMode(const std::vector<uint8_t>& bytes)
{
    LoadedModule loaded(bytes);
    EXPECT_NE(loaded.module, nullptr) << moduleLoadError();
    return loaded.module ? loaded.module->playerMode : PlayerMode::Exact;
}

std::vector<uint8_t> withTracker(const std::string& field)
{
    XmBuilder xm = tinyModule(1, 4, {flatSample(1000)});
    std::vector<uint8_t> bytes = xm.build();
    std::memset(&bytes[38], 0, TRACKER_NAME_LENGTH);
    std::memcpy(&bytes[38], field.data(), std::min<size_t>(field.size(), TRACKER_NAME_LENGTH));
    return bytes;
}

TEST(PlayerMode, TheTrackerNameChoosesThePlayer)
{
    const struct {
        const char* field;
        PlayerMode mode;
    } cases[] = {
        {"show xm builder", PlayerMode::Exact},
        {"show xm builder     ", PlayerMode::Exact},  // padded with spaces, as trackers do
        {"show xm builder ft2", PlayerMode::Ft2},
        {"show xm build", PlayerMode::Ft2},
        {"FastTracker v2.00   ", PlayerMode::Ft2},
        {"MilkyTracker 1.02.00", PlayerMode::Ft2},
        {"OpenMPT 1.28.01.00", PlayerMode::Ft2},
        {"", PlayerMode::Ft2},
    };
    for (const auto& c : cases) EXPECT_EQ(loadedMode(withTracker(c.field)), c.mode) << '"' << c.field << '"';
}

TEST(PlayerMode, TheTuneSourceAsksForOneAndTheOverrideWins)
{
    OverrideReset reset;
    const std::string head = "channels 1\ninstrument a\n  osc sine C-4\n  length 100\n";
    const std::string tail = "pattern p rows 1\nC-4 a ... ...\norder p\n";
    const struct {
        const char* line;
        std::optional<PlayerMode> override;
        PlayerMode mode;
    } cases[] = {
        {"", std::nullopt, PlayerMode::Exact},
        {"player exact\n", std::nullopt, PlayerMode::Exact},
        {"player ft2\n", std::nullopt, PlayerMode::Ft2},
        {"player ft2\n", PlayerMode::Exact, PlayerMode::Exact},
        {"", PlayerMode::Ft2, PlayerMode::Ft2},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(compileTuneSource(c.line + head + tail, "t.tune", bytes, error)) << error;
        setPlayerModeOverride(c.override);
        EXPECT_EQ(loadedMode(bytes), c.mode) << c.line;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(compileTuneSource("player openmpt\n" + head + tail, "t.tune", bytes, error));
    EXPECT_EQ(error, "t.tune:1: the player is exact or ft2");
}

}  // namespace
