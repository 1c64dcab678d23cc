#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "authoring/project_source.h"

namespace {

struct Compiled {
    bool ok;
    ProjectBuilder project;
    std::string error;
};

Compiled compile(const std::string& text)
{
    Compiled c;
    c.ok = parseProjectSource(text, "show.proj", c.project, c.error);
    return c;
}

TEST(ProjectSource, ObjectsTracksKeysAndLabels)
{
    const Compiled c = compile(
        "# comment\n"
        "scene first from 0 to 30   # trailing comment\n"
        "  param 8 \"Hello \\\"you\\\"\" 10 20 mode=3 smooth edge=2\n"
        "scene second from 30 to 60\n"
        "timeline from 0 to 124\n"
        "  param Scene @first\n"
        "    key 0 step @first\n"
        "    key 30 step @second\n"
        "  param 9 5 still exact\n"
        "    key 0 smooth 1\n");
    ASSERT_TRUE(c.ok) << c.error;
    const auto& objects = c.project.objects();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].endTime, std::nextafter(30.0f, 0.0f));  // active up to, not at, 30 s
    const ProjectBuilder::Track& caption = objects[0].paramTracks[0];
    EXPECT_EQ(caption.name, "Hello \"you\"");
    EXPECT_EQ(caption.flags, TRACK_APPLY | 8u | (3u << 8) | (1u << 16) | (2u << 17));
    EXPECT_EQ(caption.value[1], 20.0f);
    const ProjectBuilder::Track& scene = objects[2].paramTracks[0];
    EXPECT_EQ(scene.flags, TRACK_APPLY | TRACK_ANIMATED);
    ASSERT_EQ(scene.keys.size(), 3u);  // the cut, and a closing key that holds the last scene
    EXPECT_EQ(scene.keys[1].value[0], 1.0f);  // @second is the second scene
    EXPECT_EQ(scene.keys[1].mode, 0);
    EXPECT_EQ(objects[2].paramTracks[1].flags, TRACK_APPLY | 9u);  // keys, but still
}

TEST(ProjectSource, ErrorsNameTheLine)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"param 0 1", "show.proj:1:1: a track needs an object above it"},
        {"texture\n  key 0 step 1", "show.proj:2:3: a key needs a track above it"},
        {"timeline\n  param Sceen 0", "show.proj:2:9: a timeline has no track named 'Sceen'"},
        {"scene\n  param 0 0 1 2 3 4 5 6 7 8 9 10 11 12", "show.proj:2:37: a line has at most 12 values"},
        {"scene\n  param 0 @nowhere", "show.proj:2:11: no object is labelled 'nowhere'"},
        {"scene a\nscene a", "show.proj:2:7: the label 'a' is used twice"},
        {"scene from x", "show.proj:1:12: bad time 'x'"},
        {"scene\n  param 0 \"open", "show.proj:2:11: a quoted text has no closing quote"},
        {"scene from 0 to 9\n  param 0\n  key 2 step\n  key 1 step", "show.proj:4:7: keys must come in ascending time"},
        {"scene\n  param 0 mode=300", "show.proj:2:16: bad mode= value '300'"},
        {"wobble", "show.proj:1:1: expected an object kind, 'param', 'build', 'key', 'tempo', 'music' or 'length', not 'wobble'"},
    };
    for (const auto& test : cases) {
        const Compiled c = compile(test.text);
        EXPECT_FALSE(c.ok) << test.text;
        EXPECT_EQ(c.error, test.message);
    }
}

TEST(ProjectBuilder, RefusesCountsThatDoNotFitTheirByte)
{
    ProjectBuilder project;
    ProjectBuilder::Object& scene = project.add(SectionKind::Scene);
    for (int i = 0; i < 256; ++i) scene.param(0);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(project.write(bytes, error));
    EXPECT_EQ(error, "an object has more than 255 tracks in one list");
}

}  // namespace
