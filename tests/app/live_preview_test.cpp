#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/headless_gl.h"
#include "tests/support/loaded_show.h"
#include "texture/texture.h"
#include "authoring/project_source.h"

namespace {

// Two textures with the same clouds: the second draws on the random numbers
// the first left.
std::vector<std::vector<uint32_t>> cloudsOfABuild()
{
    ProjectBuilder project;
    std::string error;
    EXPECT_TRUE(parseProjectSource("texture a\n  build SetSize 32\n  build Clouds 4\n"
                                   "texture b\n  build SetSize 32\n  build Clouds 4\n",
                                   "clouds.proj", project, error))
        << error;
    LoadedShow show(project);
    std::vector<std::vector<uint32_t>> pictures;
    for (int32_t i = 0; i < 2; ++i) {
        const Texture& texture = show.object<Texture>(SectionKind::Texture, i);
        pictures.emplace_back(texture.pixels, texture.pixels + texture.size * texture.size);
    }
    return pictures;
}

TEST(LivePreview, AProjectBuiltAgainLooksAsAfterAFreshStart)
{
    if (!useHeadlessGl()) GTEST_SKIP() << "no headless OpenGL context";
    const auto first = cloudsOfABuild();
    EXPECT_NE(first[0], first[1]);  // within a show the generator carries its state on
    EXPECT_EQ(cloudsOfABuild(), first);
}

}  // namespace

// Below: the clock the preview's keys steer, apart from its window.
#include "app/authored_files.h"
#include "app/preview_transport.h"

namespace {

// A 30-second show of 2-second bars with cuts at 2, 10 and 20 seconds.
ShowMarks thirtySeconds()
{
    ShowMarks marks;
    marks.showLength = 30.0f;
    for (int bar = 0; bar < 15; ++bar) marks.bars.push_back(2.0f * static_cast<float>(bar));
    marks.cuts = {2.0f, 10.0f, 20.0f};
    marks.channelCount = 4;
    return marks;
}

float frame(int k) { return static_cast<float>(k / 60.0); }

TEST(PreviewTransport, KeysStepByFrameBarAndSceneAndStopAtTheEdges)
{
    struct Case {
        const char* what;
        float time;
        bool paused;
        KeyPress key;
        float expected;
        bool pausedAfter, restartsMusic, saysWhy;
    };
    const Case cases[] = {
        {"a frame on pauses first", 1.0f, false, KeyPress::Period, frame(61), true, true, false},
        {"a frame back", 1.0f, true, KeyPress::Comma, frame(59), true, true, false},
        {"from one frame to the next", frame(1), true, KeyPress::Period, frame(2), true, true, false},
        {"between frames, back to the one before", 1.005f, true, KeyPress::Comma, frame(60), true, true, false},
        {"no frame before 0", 0.0f, true, KeyPress::Comma, 0.0f, true, true, false},
        {"no frame after the end", 30.0f, true, KeyPress::Period, 30.0f, true, true, false},
        {"the next bar from its start", 2.0f, true, KeyPress::PageDown, 4.0f, true, true, false},
        {"the next bar from just before it", 1.99f, true, KeyPress::PageDown, 2.0f, true, true, false},
        {"no bar after the last", 29.0f, true, KeyPress::PageDown, 29.0f, true, false, true},
        {"back to this bar's start", 3.0f, true, KeyPress::PageUp, 2.0f, true, true, false},
        {"back from a bar's start", 2.0f, true, KeyPress::PageUp, 0.0f, true, true, false},
        {"playing just past a start: the bar before", 2.1f, false, KeyPress::PageUp, 0.0f, false, true, false},
        {"no bar before the first", 0.0f, true, KeyPress::PageUp, 0.0f, true, false, true},
        {"the next scene", 0.0f, true, KeyPress::RightBracket, 2.0f, true, true, false},
        {"the next scene from a cut", 10.0f, true, KeyPress::RightBracket, 20.0f, true, true, false},
        {"no scene after the last", 25.0f, true, KeyPress::RightBracket, 25.0f, true, false, true},
        {"back to this scene's start", 15.0f, true, KeyPress::LeftBracket, 10.0f, true, true, false},
        {"the first scene starts at 0", 1.0f, true, KeyPress::LeftBracket, 0.0f, true, true, false},
        {"playing just past a cut: the scene before", 10.1f, false, KeyPress::LeftBracket, 2.0f, false, true, false},
        {"no scene before the first", 0.0f, true, KeyPress::LeftBracket, 0.0f, true, false, true},
        {"Left stops at 0", 3.0f, false, KeyPress::Left, 0.0f, false, true, false},
        {"Right stops at the end", 28.0f, false, KeyPress::Right, 30.0f, false, true, false},
        {"Home plays from 0", 12.0f, true, KeyPress::Home, 0.0f, false, true, false},
        {"Space resumes where it is", 12.0f, true, KeyPress::Space, 12.0f, false, true, false},
    };
    const ShowMarks marks = thirtySeconds();
    for (const Case& c : cases) {
        PreviewTransport transport;
        transport.time = c.time;
        transport.paused = c.paused;
        EXPECT_EQ(transport.press(c.key, marks), c.restartsMusic) << c.what;
        EXPECT_FLOAT_EQ(transport.time, c.expected) << c.what;
        EXPECT_EQ(transport.paused, c.pausedAfter) << c.what;
        EXPECT_EQ(!transport.note.empty(), c.saysWhy) << c.what << ": " << transport.note;
    }

    ShowMarks noBars = marks;
    noBars.bars.clear();
    PreviewTransport transport;
    transport.time = 3.0f;
    EXPECT_FALSE(transport.press(KeyPress::PageDown, noBars));
    EXPECT_EQ(transport.time, 3.0f);
    EXPECT_NE(transport.note.find("no bars known"), std::string::npos);
}

TEST(PreviewTransport, PlayGoesRoundAtTheLoopsEndAndTheShowsEnd)
{
    struct Case {
        const char* what;
        float loopAt;  // L pressed here first; negative: no loop
        float time, seconds;
        float expected;
        bool jumped;
    };
    const Case cases[] = {
        {"the scene from 10 to 20 loops", 12.0f, 19.99f, 0.02f, 10.0f, true},
        {"inside the loop it plays on", 12.0f, 15.0f, 0.5f, 15.5f, false},
        {"outside the loop it plays on", 12.0f, 25.0f, 0.5f, 25.5f, false},
        {"the last scene loops at the show's end", 25.0f, 29.99f, 0.02f, 20.0f, true},
        {"the first scene loops at the first cut", 0.0f, 1.99f, 0.02f, 0.0f, true},
        {"the show's end goes back to 0", -1.0f, 29.99f, 0.02f, 0.0f, true},
        {"the show's last moment is shown", -1.0f, 29.5f, 0.5f, 30.0f, false},
    };
    const ShowMarks marks = thirtySeconds();
    for (const Case& c : cases) {
        PreviewTransport transport;
        if (c.loopAt >= 0.0f) {
            transport.time = c.loopAt;
            transport.press(KeyPress::L, marks);
            ASSERT_TRUE(transport.looping) << c.what;
        }
        transport.time = c.time;
        EXPECT_EQ(transport.advance(c.seconds, marks), c.jumped) << c.what;
        EXPECT_FLOAT_EQ(transport.time, c.expected) << c.what;
    }

    PreviewTransport transport;
    transport.looping = true;
    transport.loopFrom = 25.0f;
    transport.loopTo = 40.0f;  // past the show's end
    transport.time = 29.99f;
    EXPECT_TRUE(transport.advance(0.02f, marks));
    EXPECT_EQ(transport.time, 25.0f);

    transport = PreviewTransport();
    transport.time = 12.0f;
    transport.press(KeyPress::L, marks);
    EXPECT_EQ(transport.stateText(marks), "loop 0:10.0-0:20.0");
    transport.press(KeyPress::L, marks);  // off again
    transport.time = 19.99f;
    EXPECT_FALSE(transport.advance(0.02f, marks));
    transport.paused = true;
    EXPECT_FALSE(transport.advance(1.0f, marks));
    EXPECT_FLOAT_EQ(transport.time, 20.01f);
}

TEST(PreviewTransport, DigitsSoloAChannelAndZeroBringsAllBack)
{
    const ShowMarks marks = thirtySeconds();  // four channels
    PreviewTransport transport;
    EXPECT_TRUE(transport.press(KeyPress::Digit3, marks));
    EXPECT_EQ(transport.muted, ChannelMask::allBut(2));
    EXPECT_EQ(transport.stateText(marks), "solo 3");
    EXPECT_FALSE(transport.press(KeyPress::Digit5, marks));  // no fifth channel: nothing changes
    EXPECT_EQ(transport.muted, ChannelMask::allBut(2));
    EXPECT_EQ(transport.note, "the music has 4 channels");
    EXPECT_TRUE(transport.press(KeyPress::Digit0, marks));
    EXPECT_FALSE(transport.muted.any());
    EXPECT_FALSE(transport.press(KeyPress::Digit0, marks));

    // --mute and --solo as the player takes them: channel 1 is bit 0.
    CommandLine line;
    line.mutedChannels = {2, 4, 128};
    int32_t highest = 0;
    transport.muted = mutedChannelsOf(line, highest);
    EXPECT_EQ(highest, 128);
    EXPECT_EQ(transport.muted.words[0], 0b1010u);
    EXPECT_EQ(transport.muted.words[1], uint64_t(1) << 63);
    EXPECT_EQ(transport.stateText(marks), "mute 2,4");
}

TEST(PreviewTransport, BarAndBeatOfTheClock)
{
    const ShowMarks marks = thirtySeconds();
    const std::pair<float, const char*> cases[] = {
        {0.0f, "bar 1:1"}, {0.49f, "bar 1:1"}, {0.5f, "bar 1:2"}, {3.5f, "bar 2:4"}, {4.0f, "bar 3:1"},
        {29.9f, "bar 15:4"},
    };
    for (const auto& [time, text] : cases) {
        PreviewTransport transport;
        transport.time = time;
        EXPECT_EQ(transport.barText(marks), text) << time;
    }
    ShowMarks noBars = marks;
    noBars.bars.clear();
    EXPECT_EQ(PreviewTransport().barText(noBars), "");
}

// Cuts where the show itself changes scene, as the engine evaluates its
// keys: a step key at T shows its value from the first frame after T, and
// the last key is never reached.
TEST(PreviewTransport, SceneCutsAreWhereTheShowChangesScene)
{
    ProjectBuilder project;
    for (int i = 0; i < 3; ++i) project.add(SectionKind::Scene);
    ProjectBuilder::Object& timeline = project.add(SectionKind::Timeline).during(0.0f, 10.0f);
    timeline.param(TimelineTrack::Length, {10.0f});
    timeline.param(TimelineTrack::Scene)
        .key(0.0f, KeyMode::Step, {0})
        .key(2.0f, KeyMode::Step, {1})
        .key(5.0f, KeyMode::Step, {2})
        .key(7.0f, KeyMode::Step, {0});
    LoadedShow show(project, false);
    ASSERT_EQ(show.error, "");
    const struct {
        double fps;
        std::vector<float> cuts;
    } cases[] = {
        {1.0, {3.0f, 6.0f}},
        {24.0, {static_cast<float>(49 / 24.0), static_cast<float>(121 / 24.0)}},
        {60.0, {frame(121), frame(301)}},
    };
    show.advance(6.5f);
    const int32_t scene = show.timeline.sceneIndex;
    for (const auto& c : cases) {
        EXPECT_EQ(sceneCutTimes(show.timeline, c.fps), c.cuts) << c.fps;
        EXPECT_EQ(show.timeline.time, 6.5f);  // the show goes on where it was
        EXPECT_EQ(show.timeline.sceneIndex, scene);
    }
    show.advance(0.0f);
    EXPECT_EQ(show.timeline.sceneIndex, 2);
}

TEST(AuthoredFiles, BarsComeFromTheSourcesTempoUpToTheShowsEnd)
{
    const std::string timeline = "scene a\ntimeline\n  param Length 10\n";
    const struct {
        std::string source;
        std::vector<float> bars;
        int32_t beatsPerBar;
    } cases[] = {
        // At 125 BPM the player's tick is 882 frames, a beat 0.48 s.
        {"tempo 125 beatsPerBar=3\n" + timeline, {0.0f, 1.44f, 2.88f, 4.32f, 5.76f, 7.2f, 8.64f}, 3},
        {"tempo 125\n" + timeline, {0.0f, 1.92f, 3.84f, 5.76f, 7.68f, 9.6f}, 4},
        {timeline, {}, 4},
    };
    for (const auto& c : cases) {
        AuthoredProject project;
        std::string error;
        ASSERT_TRUE(compileProjectSource(c.source, "bars.proj", project, error)) << error;
        ASSERT_EQ(project.barTimes.size(), c.bars.size()) << c.source;
        for (size_t i = 0; i < c.bars.size(); ++i) EXPECT_NEAR(project.barTimes[i], c.bars[i], 1e-6) << c.source;
        EXPECT_EQ(project.beatsPerBar, c.beatsPerBar) << c.source;
    }
}

}  // namespace
