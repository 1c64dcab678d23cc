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
        {"--render", "out", "--fps", "2.5"},
        {"--render", "out", "--from", "-1"},
        {"--render", "out", "--to", "nan"},
        {"--render", "out", "--from", "5", "--to", "5"},
        {"--render", "out", "--fullscreen"},
        {"--fps", "30"},
        {"--project"},
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

}  // namespace
