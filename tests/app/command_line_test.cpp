#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

struct Parsed {
    bool ok;
    CommandLine line;
    std::string error;
};

Parsed parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "show");
    Parsed parsed;
    parsed.ok = parseCommandLine(static_cast<int>(arguments.size()), arguments.data(), parsed.line, parsed.error);
    return parsed;
}

TEST(CommandLine, NoArgumentsRunTheShowThroughTheDialog)
{
    const Parsed p = parse({});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.line.mode, RunMode::Show);
    EXPECT_FALSE(p.line.skipDialog);
    EXPECT_TRUE(p.line.projectFile.empty());
}

TEST(CommandLine, ResolutionOrFullscreenSkipTheDialog)
{
    Parsed p = parse({"--resolution", "800x600"});
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.line.skipDialog);
    EXPECT_EQ(p.line.width, 800);
    EXPECT_EQ(p.line.height, 600);
    EXPECT_FALSE(p.line.fullScreen);
    p = parse({"--fullscreen"});
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.line.skipDialog);
    EXPECT_TRUE(p.line.fullScreen);
    EXPECT_EQ(p.line.width, 640);
}

TEST(CommandLine, RenderTakesItsSpanAndRate)
{
    const Parsed p = parse({"--render", "out", "--fps", "25", "--from", "1.5", "--to", "3", "--project", "p.bin"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.line.mode, RunMode::Render);
    EXPECT_EQ(p.line.renderDirectory, "out");
    EXPECT_EQ(p.line.fps, 25);
    EXPECT_EQ(p.line.fromSeconds, 1.5);
    EXPECT_EQ(p.line.toSeconds, 3.0);
    EXPECT_EQ(p.line.projectFile, "p.bin");
    EXPECT_EQ(p.line.width, 640);
    const Parsed defaults = parse({"--render", "out"});
    EXPECT_EQ(defaults.line.fps, 60);
    EXPECT_EQ(defaults.line.toSeconds, 122.0);
}

TEST(CommandLine, RefusesBadInputWithAReason)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--frobnicate"},
        {"--resolution"},
        {"--resolution", "800"},
        {"--resolution", "800x"},
        {"--resolution", "0x600"},
        {"--resolution", "-800x600"},
        {"--render", "out", "--fps", "0"},
        {"--render", "out", "--fps", "-0.5"},
        {"--render", "out", "--fps", "1001"},
        {"--render", "out", "--from", "-1"},
        {"--render", "out", "--to", "nan"},
        {"--render", "out", "--from", "5", "--to", "5"},
        {"--render", "out", "--fullscreen"},
        {"--fps", "30"},
        {"--project"},
        {"--wav", "m.wav", "--stretch"},
        {"--dump-textures", "out", "--stretch"},
        {"--timedemo", "--render", "out"},
        {"--timedemo", "--fullscreen"},
        {"--timedemo", "--from", "20", "--to", "10"},
        {"--render", "out", "--supersample", "5"},
        {"--render", "out", "--supersample", "2x"},
        {"--timedemo", "--supersample", "2"},
        {"--supersample", "2"},
        {"--render", "out", "--passes"},
        {"--render", "out", "--fill-only"},
        {"--timedemo", "--fill-only", "--passes"},  // the passes' waits would slow the frames alone
    };
    for (const auto& arguments : bad) {
        const Parsed p = parse(arguments);
        EXPECT_FALSE(p.ok) << arguments[0];
        EXPECT_FALSE(p.error.empty());
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

TEST(CommandLine, HelpWinsOverEverything)
{
    EXPECT_EQ(parse({"--resolution", "800x600", "--help"}).line.mode, RunMode::Help);
    EXPECT_NE(std::string(usageText()).find("--render DIR"), std::string::npos);
}

TEST(CommandLine, DumpTexturesTakesADirectoryAndAProjectOnly)
{
    Parsed p = parse({"--dump-textures", "out", "--project", "p.bin"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.line.mode, RunMode::DumpTextures);
    EXPECT_EQ(p.line.textureDirectory, "out");
    EXPECT_EQ(p.line.projectFile, "p.bin");
    EXPECT_FALSE(parse({"--dump-textures"}).ok);
    for (const std::vector<const char*>& clash :
         {std::vector<const char*>{"--dump-textures", "a", "--render", "b"}, {"--render", "b", "--dump-textures", "a"},
          {"--dump-textures", "a", "--fullscreen"}, {"--dump-textures", "a", "--resolution", "800x600"},
          {"--dump-textures", "a", "--fps", "30"}}) {
        p = parse(clash);
        EXPECT_FALSE(p.ok) << clash[0] << " " << clash[2];
        EXPECT_EQ(p.error, "--dump-textures goes with --project only");
    }
}

TEST(CommandLine, AuthoringModesTakeTheirOptions)
{
    struct Case {
        std::vector<const char*> arguments;
        RunMode mode;
    };
    const std::vector<Case> cases = {
        {{"--render", "out", "--fps", "0.5"}, RunMode::Render},
        {{"--sheet", "s.png", "--every", "0.25", "--from", "1", "--to", "3"}, RunMode::Sheet},
        {{"--video", "v.mp4", "--fps", "29.97", "--resolution", "320x240"}, RunMode::Video},
        {{"--from", "30"}, RunMode::Show},
        {{"--watch", "--project", "a.proj", "--from", "12.5"}, RunMode::Show},
        {{"--watch", "--module", "m.xm"}, RunMode::Show},
        {{"--watch", "--project", "a.proj", "--loop", "4", "8.5", "--fps", "24", "--solo", "2"}, RunMode::Show},
        {{"--watch", "--project", "a.proj", "--texture", "lava", "--mute", "1,3"}, RunMode::Show},
        {{"--wav", "m.wav", "--mute", "1,3,128"}, RunMode::Wav},
        {{"--watch", "--module", "m.xm", "--from", "200"}, RunMode::Show},  // the data says where the show ends
        {{"--video", "v.mp4", "--resolution", "1280x720", "--stretch"}, RunMode::Video},
        {{"--timedemo", "--resolution", "1024x768", "--fps", "30", "--from", "10", "--to", "20"}, RunMode::Timedemo},
        {{"--sheet", "s.png", "--supersample", "3"}, RunMode::Sheet},
        {{"--timedemo", "--passes", "--to", "10"}, RunMode::Timedemo},
        {{"--timedemo", "--fill-only"}, RunMode::Timedemo},
    };
    for (const Case& c : cases) {
        const Parsed p = parse(c.arguments);
        ASSERT_TRUE(p.ok) << c.arguments[0] << ": " << p.error;
        EXPECT_EQ(p.line.mode, c.mode) << c.arguments[0];
    }
    EXPECT_TRUE(parse(std::end(cases)[-1].arguments).line.fillOnly);
    const Parsed sheet = parse(cases[1].arguments);
    EXPECT_EQ(sheet.line.everySeconds, 0.25);
    EXPECT_EQ(sheet.line.sheetFile, "s.png");
    EXPECT_EQ(parse(cases[0].arguments).line.fps, 0.5);
    const Parsed watch = parse(cases[4].arguments);
    EXPECT_TRUE(watch.line.watch);
    EXPECT_TRUE(watch.line.skipDialog);  // no dialog for an author
    EXPECT_EQ(watch.line.fromSeconds, 12.5);
    const Parsed steered = parse(cases[6].arguments);
    EXPECT_TRUE(steered.line.loop);
    EXPECT_EQ(steered.line.loopFrom, 4.0);
    EXPECT_EQ(steered.line.loopTo, 8.5);
    EXPECT_EQ(steered.line.fps, 24.0);
    EXPECT_EQ(steered.line.soloChannel, 2);
    EXPECT_EQ(parse(cases[7].arguments).line.viewTexture, "lava");
    EXPECT_EQ(parse(cases[8].arguments).line.mutedChannels, (std::vector<int>{1, 3, 128}));
}

TEST(CommandLine, AuthoringModesRefuseWhatDoesNotFit)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--watch"},                                    // nothing to watch
        {"--watch", "--render", "out", "--project", "a.proj"},
        {"--sheet", "s.png", "--video", "v.mp4"},
        {"--sheet", "s.png", "--fps", "10"},
        {"--sheet", "s.png", "--every", "0"},
        {"--every", "2"},
        {"--video", "v.mp4", "--fullscreen"},
        {"--video", "v.mp4", "--from", "3", "--to", "2"},
        {"--from", "122"},                              // the show would end at once
        {"--to", "30"},
        {"--wav", "m.wav", "--watch"},
        {"--dump-textures", "t", "--sheet", "s.png"},
        {"--loop", "4", "8"},                           // a loop, a view, a solo: a preview's or a WAV's
        {"--watch", "--project", "a.proj", "--loop", "8", "4"},
        {"--watch", "--project", "a.proj", "--loop", "4"},
        {"--watch", "--module", "m.xm", "--texture", "lava"},  // labels come from a project source
        {"--watch", "--project", "a.proj", "--texture", "lava", "--mesh", "ball"},
        {"--solo", "2"},
        {"--render", "out", "--mute", "2"},
        {"--wav", "m.wav", "--solo", "0"},
        {"--wav", "m.wav", "--solo", "1,2"},
        {"--wav", "m.wav", "--mute", "1,,2"},
        {"--wav", "m.wav", "--mute", "129"},
        {"--wav", "m.wav", "--solo", "1", "--mute", "2"},
    };
    for (const auto& arguments : bad) {
        const Parsed p = parse(arguments);
        EXPECT_FALSE(p.ok) << arguments[0] << " " << (arguments.size() > 1 ? arguments[1] : "");
        EXPECT_FALSE(p.error.empty());
    }
}

TEST(CommandLine, PlayerNamesTheModeOrLeavesItToTheModule)
{
    EXPECT_FALSE(parse({}).line.player.has_value());
    const struct {
        std::vector<const char*> arguments;
        std::optional<PlayerMode> mode;
    } cases[] = {
        {{"--player", "exact"}, PlayerMode::Exact},
        {{"--player", "ft2", "--wav", "m.wav"}, PlayerMode::Ft2},
        {{"--player", "ft2", "--render", "out"}, PlayerMode::Ft2},
        {{"--player", "ft2", "--watch", "--module", "m.xm"}, PlayerMode::Ft2},
        {{"--player", "openmpt"}, std::nullopt},
        {{"--player"}, std::nullopt},
    };
    for (const auto& c : cases) {
        const Parsed p = parse(c.arguments);
        EXPECT_EQ(p.ok, c.mode.has_value()) << p.error;
        if (p.ok) {
            EXPECT_EQ(p.line.player, c.mode);
        }
    }
}

}  // namespace
