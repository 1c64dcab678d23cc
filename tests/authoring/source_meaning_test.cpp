// A source means what it says: the frames the engine shows from compiled
// sources, checked against what the source's own lines say.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "authoring/project_source.h"
#include "authoring/starter.h"
#include "authoring/tune_source.h"
#include "authoring/xm_builder.h"
#include "music/mixer.h"
#include "scene/scene.h"
#include "tests/support/loaded_show.h"

namespace {

struct Compiled {
    ProjectBuilder project;
    std::string error;
    std::vector<std::string> warnings;
    bool ok = false;
};

Compiled compile(const std::string& text, const std::string& fileName = "meaning.proj")
{
    Compiled c;
    SourceFacts facts;
    SourceOptions options;
    options.facts = &facts;
    c.ok = parseProjectSource(text, fileName, c.project, c.error, options);
    c.warnings = facts.warnings;
    return c;
}

// Steps the show to frame k at k / fps as the captures do, from frame 0.
void stepTo(LoadedShow& show, long frame, double fps)
{
    const float target = static_cast<float>(frame / fps);
    show.timeline.running = 1;
    show.timeline.advance(show.registry, frame == 0 ? 0.0f : target - show.timeline.time);
}

TEST(SourceMeaning, EveryCutShowsItsSceneOnItsOwnFrameAtAnyRate)
{
    // Cuts on whole seconds, on a frame of some rates only, and between
    // frames; the last scene holds to the show's end.
    const float cuts[] = {0.0f, 4.0f, 7.5f, 10.3f, 1.0f / 3.0f + 11.0f};
    const Compiled c = compile(
        "length 14\n"
        "scene a\nscene b\nscene c\nscene d\nscene e\n"
        "timeline\n"
        "  param Scene\n"
        "    key 0 step scene=@a\n    key 4 step scene=@b\n    key 7.5 step scene=@c\n"
        "    key 10.3 step scene=@d\n    key 11.333333 step scene=@e\n");
    ASSERT_TRUE(c.ok) << c.error;
    for (const double fps : {1.0, 24.0, 60.0}) {
        LoadedShow show(c.project, false);
        ASSERT_EQ(show.error, "");
        for (long k = 0; k <= static_cast<long>(14 * fps); ++k) {
            stepTo(show, k, fps);
            const float t = show.timeline.time;
            int expected = 0;
            for (int cut = 0; cut < 5; ++cut)
                if (t >= (cut == 4 ? 11.333333f : cuts[cut])) expected = cut;
            ASSERT_EQ(show.timeline.sceneIndex, expected) << "frame " << k << " at " << fps << " fps, " << t << " s";
        }
    }
}

TEST(SourceMeaning, KeysHoldBlendAndCloseAsWritten)
{
    const struct {
        const char* keys;      // under "scene s from 0 to 10 / param Fade"
        std::vector<std::pair<float, float>> samples;  // time, alpha
    } cases[] = {
        // Two step keys hold; the engine alone would blend them.
        {"key 0 step alpha=0\nkey 5 step alpha=100", {{2.5f, 0}, {4.999f, 0}, {5, 100}, {7, 100}, {9.9f, 100}}},
        // The curve through three keys, then the last key holds.
        {"key 0 smooth alpha=0\nkey 1 smooth alpha=10\nkey 2 smooth alpha=20", {{0.5f, 4.375f}, {2, 20}, {6, 20}}},
        // A lone key is the value everywhere.
        {"key 3 smooth alpha=7", {{0, 7}, {3, 7}, {8, 7}}},
        // A step between curves: the step shows at its time and holds.
        {"key 0 smooth alpha=0\nkey 4 step alpha=50\nkey 8 smooth alpha=80", {{4, 50}, {6, 50}, {7.99f, 50}, {8, 80}, {9, 80}}},
        // Two keys spanning the object: a straight line.
        {"key 0 smooth alpha=0\nkey 10.5 smooth alpha=100", {{2.625f, 25}, {5.25f, 50}}},
        // Two keys before the object's end: the curve eases into the second,
        // which holds.
        {"key 0 smooth alpha=0\nkey 10 smooth alpha=100", {{2.5f, 20.3125f}, {5, 50}, {10, 100}, {10.4f, 100}}},
    };
    for (const auto& test : cases) {
        std::string keys;
        for (const char* at = test.keys; *at; ++at) keys += *at == '\n' ? std::string("\n    ") : std::string(1, *at);
        const Compiled c = compile("scene s from 0 to 10.5\n  param Fade\n    " + keys + "\n");
        ASSERT_TRUE(c.ok) << c.error;
        LoadedShow show(c.project, false);
        Scene& scene = show.object<Scene>(SectionKind::Scene, 0);
        float last = -1;
        for (const auto& [t, alpha] : test.samples) {
            ASSERT_GT(t, last);
            show.timeline.running = 1;
            show.timeline.advance(show.registry, t - show.timeline.time);
            last = t;
            EXPECT_NEAR(scene.paramTracks.head()->item->value[0], alpha, 1e-4) << test.keys << " at " << t;
        }
    }
}

TEST(SourceMeaning, AnObjectInAScenesIsActiveOnEveryVisitAndOnlyThen)
{
    // a b a c a: the mesh is in a, the light in a and b (one stretch, then
    // a second visit), the particles in c.
    const Compiled c = compile(
        "length 12\n"
        "scene a\nscene b\nscene c\n"
        "mesh base\n  build Sphere radius=10\n"
        "mesh m in @a\n  build Sphere radius=20\n  param Parent mesh=@m\n"
        "light l in @a,@b\n"
        "particles p in @c\n"
        "timeline\n  param Scene\n"
        "    key 0 step scene=@a\n    key 3 step scene=@b\n    key 5 step scene=@a\n"
        "    key 8 step scene=@c\n    key 9.5 step scene=@a\n");
    ASSERT_TRUE(c.ok) << c.error;
    LoadedShow show(c.project, false);
    ASSERT_EQ(show.error, "");
    ObjectRegistry& r = show.registry;
    ASSERT_EQ(r[SectionKind::Mesh].count(), 4);  // base, m and two copies of m
    ASSERT_EQ(r[SectionKind::Light].count(), 2);
    ASSERT_EQ(r[SectionKind::ParticleSystem].count(), 1);
    // The copies draw m's geometry and are their own parents' copies.
    for (const int copy : {2, 3}) {
        const ProjectBuilder::Object* object = nullptr;
        int meshes = 0;
        for (const ProjectBuilder::Object& o : c.project.objects())
            if (o.section == SectionKind::Mesh && meshes++ == copy) object = &o;
        ASSERT_NE(object, nullptr);
        EXPECT_TRUE(object->buildTracks.empty());
        EXPECT_EQ(object->paramTracks[0].value[0], 1.0f);  // ShareGeometry of m
        EXPECT_EQ(object->paramTracks[1].value[0], static_cast<float>(copy));  // Parent: itself
    }
    for (long k = 0; k <= 12 * 60; ++k) {
        stepTo(show, k, 60);
        const int scene = show.timeline.sceneIndex;
        int meshes = 0, lights = 0;
        for (int i = 1; i < 4; ++i) meshes += show.timeline.isActive(*r.at(SectionKind::Mesh, i));
        for (int i = 0; i < 2; ++i) lights += show.timeline.isActive(*r.at(SectionKind::Light, i));
        const bool particles = show.timeline.isActive(*r.at(SectionKind::ParticleSystem, 0));
        const float t = show.timeline.time;
        ASSERT_EQ(meshes, scene == 0 ? 1 : 0) << t;
        ASSERT_EQ(lights, scene <= 1 ? 1 : 0) << t;
        ASSERT_EQ(particles, scene == 2) << t;
    }
}

TEST(SourceMeaning, BarsFollowTheModuleTheSourceNames)
{
    // Six ticks a row at 125 BPM (882 frames), then three from row 8 on.
    XmBuilder xm;
    xm.channels = 1;
    xm.bpm = 125;
    xm.addPattern(64);
    xm.order = {0};
    xm.patterns[0].at(8, 0).effect = 0xF;
    xm.patterns[0].at(8, 0).parameter = 3;
    const std::string dir = testing::TempDir();
    std::string error;
    ASSERT_TRUE(xm.writeFile(dir + "/clock.xm", error)) << error;
    const Compiled c = compile("music clock.xm rowsPerBeat=4\nscene s from 1:3 to 2:1\n", dir + "/meaning.proj");
    ASSERT_TRUE(c.ok) << c.error;
    const auto& scene = c.project.objects()[0];
    EXPECT_FLOAT_EQ(scene.startTime, 8 * 6 * 882 / float(MIX_RATE));  // beat 3 = row 8
    EXPECT_FLOAT_EQ(std::nextafter(scene.endTime, 100.0f),             // beat 5 = row 16
                    (8 * 6 + 8 * 3) * 882 / float(MIX_RATE));
}

TEST(SourceMeaning, LinesTheEngineNeverReadsAreRefusedOrWarnedOf)
{
    const struct {
        const char* text;
        const char* message;  // the error, or the first warning when it compiles
    } cases[] = {
        {"mesh\n  param Sphere radius=3", "meaning.proj:2:9: 'Sphere' is a build step"},
        {"mesh\n  build Sphere\n    key 0 step radius=3", "meaning.proj:2:9: a build step runs once"},
        {"scene\n  build Fade", "meaning.proj:2:9: a scene is not built"},
        {"scene\n  param 99", "meaning.proj:2:9: a scene has no track 99: the engine ignores it"},
        {"scene from 0 to 9\n  param Fade still\n    key 1 step alpha=3", "meaning.proj:2:9: the keys of a 'still' track"},
        {"texture\n  build SetSize size=64 filtered", "meaning.proj:2:9: 'SetSize' does not read filtered"},
        {"texture\n  build Blur radius=3 v7=2", "meaning.proj:2:9: 'Blur' does not read v7"},
        {"scene s\nmesh m in @s", "meaning.proj:2:8: an object 'in' a scene needs a timeline"},
        {"scene s\nscene t\nmesh m in @t\ntimeline\n  param Scene\n    key 0 step scene=@s",
         "meaning.proj:3:8: the timeline never shows @t"},
        {"scene s\ntexture x in @s", "meaning.proj:2:11: only a mesh, a light or a particle system"},
        {"scene s\nmesh m from 1 in @s", "meaning.proj:2:15: an object 'in' a scene takes its times"},
        {"scene s\nmesh m in @x", "meaning.proj:2:11: no object is labelled 'x'"},
        {"scene from 0 to 9\n  param Fade\n    key 1 step\n    key 1 step", "meaning.proj:4:9: two keys at one time"},
        {"length 0", "meaning.proj:1:8: a show lasts from"},
        {"music nowhere.tune", "meaning.proj:1:7: cannot read the music nowhere.tune"},
        {"tempo 120 speed=40", "meaning.proj:1:17: speed is 1 to 31"},
        {"length 9\ntimeline\n  param Scene\n    key 10 step", "meaning.proj:4:9: the key at 10 s lies past the show's end at 9 s: it is never reached"},
    };
    for (const auto& test : cases) {
        const Compiled c = compile(test.text);
        const std::string said = c.ok ? (c.warnings.empty() ? "" : c.warnings[0]) : c.error;
        EXPECT_EQ(said.rfind(test.message, 0), 0u) << test.text << "\n  gave: " << said;
    }
}

}  // namespace

namespace {

TEST(Starter, CompilesWithItsTuneAndExplainsEveryLine)
{
    const std::string dir = testing::TempDir() + "/starter";
    std::filesystem::create_directories(dir);
    const std::string project = starterProject("first"), tune = starterTune("first");
    for (const auto& [text, file] : {std::pair{project, "/first.proj"}, std::pair{tune, "/first.tune"}}) {
        std::ofstream(dir + file) << text;
        std::istringstream lines(text);
        int number = 0;
        for (std::string line; std::getline(lines, line);) {
            ++number;
            if (line.find_first_not_of(' ') != std::string::npos) {
                EXPECT_NE(line.find('#'), std::string::npos) << file << ":" << number << ": " << line;
            }
        }
    }
    const Compiled c = compile(project, dir + "/first.proj");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_TRUE(c.warnings.empty()) << c.warnings[0];
    std::vector<uint8_t> module;
    std::string error;
    EXPECT_TRUE(compileTuneSource(tune, "first.tune", module, error)) << error;
}

}  // namespace
