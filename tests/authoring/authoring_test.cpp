// The named form, bars and beats, the decompiler and the upgrade: every
// project data survives data -> source -> data, and every positional source
// source -> named source -> data, byte for byte.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include "authoring/authoring_doc.h"
#include "authoring/beat_time.h"
#include "authoring/decompiler.h"
#include "authoring/named_values.h"
#include "authoring/project_source.h"
#include "authoring/source_upgrade.h"
#include "scene/object_kinds.h"

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(std::string(SOURCE_DIR) + "/" + path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A source in the tree is named by its path there, so that the music file
// it names is found beside it.
std::vector<uint8_t> compileText(const std::string& text, const std::string& fileName = "test.proj")
{
    ProjectBuilder project;
    std::string error;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(parseProjectSource(text, fileName, project, error) && project.write(bytes, error)) << error;
    return bytes;
}

std::string inTree(const std::string& path) { return std::string(SOURCE_DIR) + "/" + path; }

// Data -> source -> data; the source is returned for a look on failure.
std::string expectDecompiledRoundTrip(const std::vector<uint8_t>& bytes)
{
    ProjectBuilder read;
    std::string error;
    EXPECT_TRUE(readProjectData(bytes, read, error)) << error;
    const std::string source = decompileProject(read);
    ProjectBuilder again;
    std::vector<uint8_t> back;
    EXPECT_TRUE(parseProjectSource(source, "decompiled.proj", again, error) && again.write(back, error)) << error;
    size_t differs = 0;
    while (differs < back.size() && differs < bytes.size() && back[differs] == bytes[differs]) ++differs;
    EXPECT_TRUE(back == bytes) << "first difference at byte " << differs << " of " << bytes.size() << "\n" << source;
    return source;
}

float fromBits(uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

// Floats that do not survive a careless trip through text.
const float oddFloats[] = {
    0.1f, -0.0f, 1e-45f, 1.17549421e-38f, 3.40282347e38f, -3.40282347e38f, 1.0f / 3.0f, 16777217.0f,
    fromBits(0x7f800000), fromBits(0xff800000), fromBits(0x7fc00000), fromBits(0xffc00001), fromBits(0x7f800001),
};

using Craft = std::function<void(ProjectBuilder&)>;

TEST(Decompiler, ShowAndLayersRoundTrip)
{
    for (const char* path : {"content/show.proj", "content/layers.proj"}) {
        const std::string source = expectDecompiledRoundTrip(compileText(readText(path), inTree(path)));
        EXPECT_NE(source.find("param Placement"), std::string::npos) << path;
    }
}

TEST(Decompiler, OddCornersRoundTrip)
{
    const struct {
        const char* what;
        Craft craft;
    } cases[] = {
        {"no objects", [](ProjectBuilder&) {}},
        {"empty objects with odd times in every section",
         [](ProjectBuilder& p) {
             int i = 0;
             for (int s = 0; s < SECTION_COUNT; ++s)
                 for (float t : oddFloats) p.add(static_cast<SectionKind>(s)).during(t, oddFloats[i++ % 13]);
         }},
        {"unknown ids and ignored slots, odd values in every slot",
         [](ProjectBuilder& p) {
             for (int s = 0; s < SECTION_COUNT; ++s)
                 for (int id : {0, 1, 2, 7, 9, 22, 200, 255}) {
                     ProjectBuilder::Object& o = p.add(static_cast<SectionKind>(s));
                     ProjectBuilder::Track& t = id % 2 ? o.param(static_cast<uint8_t>(id)) : o.build(static_cast<uint8_t>(id));
                     for (int v = 0; v < TRACK_VALUES; ++v) t.value[v] = oddFloats[(v + id) % 13];
                 }
         }},
        {"values at defaults, in range, out of range, modes and indexes",
         [](ProjectBuilder& p) {
             p.add(SectionKind::Texture).build(2, {128, 128, 0, 64, 0, 0, 255, 255, 255});
             p.add(SectionKind::Texture).build(2, {300, -1, 0, 64, 0, 0, 255.5f, 256, -0.0f});
             ProjectBuilder::Object& mesh = p.add(SectionKind::Mesh);
             mesh.param(1, {51, 51, 51, 217, 217, 217, 138, 138, 138, 20});           // Colours at defaults
             mesh.param(2, {-2, 0, 0, 1, 0, 0, 0});                                    // glow, texture 1
             mesh.param(2, {5, 0, 0, 0.5f});                                           // no such texture
             mesh.param(3, {2, 0, 0, 0, 0, 0, 3.5f});                                  // mode with a fraction
             p.add(SectionKind::Scene).param(1, {-1, 0, 0, 10, 20, 30, 0, 0, 0, 50}); // fog off
             p.add(SectionKind::Scene).param(8, {1, 2, 0, 256, 255, 0, 256}).named("a \"caption\"\\ #1\n\t\x01\x7f\xc3\xa9");
             p.add(SectionKind::Timeline).param(0, {-0.0f});
             p.add(SectionKind::Timeline).param(0, {1});
         }},
        {"every flag bit, names and keys of every kind",
         [](ProjectBuilder& p) {
             ProjectBuilder::Object& texture = p.add(SectionKind::Texture).during(0, 10);
             for (int bit = 8; bit < 32; ++bit) texture.build(2).withFlags(1u << bit);
             texture.build(10).withoutFlags(TRACK_APPLY).withFlags(0xFF00u);
             texture.build(300 % 256).withFlags(TRACK_ANIMATED);
             texture.build(0).named(std::string(511, 'x'));
             texture.build(0).named("");
             ProjectBuilder::Object& scene = p.add(SectionKind::Scene).during(2, 1);
             ProjectBuilder::Track& keyed = scene.param(0, {1, 2, 3});
             for (int mode : {0, 1, 2, 3, 255}) keyed.key(static_cast<float>(mode), static_cast<uint8_t>(mode), {});
             keyed.key(0.5f, 2, ProjectBuilder::valuesOf({0, 0, 0, 0, 0, -320}));
             keyed.key(fromBits(0x7fc00000), 1, ProjectBuilder::valuesOf({1e-45f}));
             scene.param(3).key(1.5f, 2, ProjectBuilder::valuesOf({50})).withoutFlags(TRACK_ANIMATED);
             ProjectBuilder::Object& inRange = p.add(SectionKind::Scene).during(0, 4);
             inRange.param(1).key(0, 2, ProjectBuilder::valuesOf({})).key(4, 0, ProjectBuilder::valuesOf({0, 0, 0, 128, 128, 128, 3.2f, 192, 0, 50}));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProjectBuilder project;
        c.craft(project);
        expectDecompiledRoundTrip(project.bytes());
    }
}

TEST(Decompiler, RandomProjectsRoundTrip)
{
    std::mt19937 random(11);
    auto anyFloat = [&] { return random() % 3 ? static_cast<float>(static_cast<int>(random() % 600) - 300) : fromBits(random()); };
    for (int round = 0; round < 100; ++round) {
        ProjectBuilder project;
        for (int o = 0; o < 6; ++o) {
            ProjectBuilder::Object& object = project.add(static_cast<SectionKind>(random() % SECTION_COUNT));
            object.during(anyFloat(), anyFloat());
            for (int t = random() % 5; t > 0; --t) {
                ProjectBuilder::Track& track = random() % 2 ? object.param(static_cast<uint8_t>(random() % 24))
                                                            : object.build(static_cast<uint8_t>(random() % 24));
                for (float& v : track.value) v = random() % 2 ? 0.0f : anyFloat();
                for (int k = random() % 4; k > 0; --k) {
                    ProjectBuilder::Values values{};
                    for (float& v : values) v = random() % 2 ? 0.0f : anyFloat();
                    track.key(anyFloat(), static_cast<uint8_t>(random() % 4), values);
                }
                track.flags ^= random() & 0xFFFFFF00u;
            }
        }
        SCOPED_TRACE(round);
        expectDecompiledRoundTrip(project.bytes());
    }
}

TEST(Decompiler, RefusesWhatTheReaderRefuses)
{
    std::vector<uint8_t> bytes = compileText("scene\n  param Camera 1 2 3\n");
    ProjectBuilder project;
    std::string error;
    EXPECT_FALSE(readProjectData(std::vector<uint8_t>(bytes.begin(), bytes.end() - 1), project, error));
    EXPECT_EQ(error.rfind("truncated at byte offset", 0), 0u) << error;
    bytes.push_back(0);
    EXPECT_FALSE(readProjectData(bytes, project, error));
}

TEST(Upgrade, KeepsCommentsAndLabelsAndTheBytes)
{
    const std::string positional =
        "tempo 120\n"
        "# a comment line\n"
        "\n"
        "texture spot  # trailing\n"
        "  build Disc 128 128 0 120 0 0 255 230 180 smooth\n"
        "  build Blur 64 0 0 18 smooth mode=3 flags=0x1000000\n"
        "mesh ball from 1:1 to 3:1\n"
        "  build Normals\n"
        "  param Textures @spot 0 0 @spot\n"
        "  param Colours @ball 1 2 3\n"
        "  param Placement 1 2 3 still unchecked\n"
        "    key 2 smooth 1 2 3  # a key\n"
        "    key 1 7 @spot\n"
        "  param 200 1 2 noapply\n"
        "  param Placement x=5\n"
        "  param Shader kind=phong  # keys outside the object's time\r\n"
        "    key 9 step 1\n"
        "timeline\n"
        "  param Scene 0\n";
    for (const std::string& name : {std::string("in.proj"), inTree("content/show.proj"), inTree("content/layers.proj")}) {
        const std::string source = name == "in.proj" ? positional : readText(name.substr(std::string(SOURCE_DIR).size() + 1));
        std::string upgraded, again, error;
        ASSERT_TRUE(upgradeProjectSource(source, name, upgraded, error)) << error;
        ProjectBuilder project;
        std::vector<uint8_t> before;
        ASSERT_TRUE(parseProjectSource(source, name, project, error, false) && project.write(before, error));
        EXPECT_TRUE(compileText(upgraded, name) == before) << upgraded;
        ASSERT_TRUE(upgradeProjectSource(upgraded, name, again, error)) << error;
        EXPECT_EQ(again, upgraded);  // nothing left in order
        size_t comments = 0, commentsAfter = 0;
        for (size_t at = source.find('#'); at != std::string::npos; at = source.find('#', at + 1)) ++comments;
        for (size_t at = upgraded.find('#'); at != std::string::npos; at = upgraded.find('#', at + 1)) ++commentsAfter;
        EXPECT_LE(comments, commentsAfter);  // colours may add a '#'
    }
}

TEST(NamedForm, ErrorsNameLineAndColumn)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"mesh\n  build Sphere radiu=3", "test.proj:2:16: Sphere has no value named 'radiu'"},
        {"mesh\n  build Sphere radius=99999", "test.proj:2:23: radius=99999 is out of range (-32768 to 32768"},
        {"mesh\n  param RenderState blend=fuzzy", "test.proj:2:27: bad value 'fuzzy' for blend (opaque, alphaTest"},
        {"mesh\n  param Textures colour=@nowhere", "test.proj:2:25: no object is labelled 'nowhere'"},
        {"mesh m\n  param Textures colour=@m", "test.proj:2:25: 'm' is a mesh, not a texture"},
        {"scene a\nmesh a", "test.proj:2:6: the label 'a' is used twice"},
        {"scene from 0 to 4\n  param Fade\n    key 5 step", "test.proj:3:9: the key at 5 s lies outside its object's time, 0 to 4 s"},
        {"scene from 0 to 4\n  param Fade\n    key 2 step\n    key 1 step", "test.proj:4:9: keys must come in ascending time"},
        {"mesh\n  build Sphere radius=3 4", "test.proj:2:25: values are given in order or by name"},
        {"texture\n  build Disc colour=#12345", "test.proj:2:21: bad colour '#12345' for colour (#rrggbb)"},
        {"texture\n  build Disc edge=sideways", "test.proj:2:19: bad edge= value 'sideways'"},
        {"scene from 1:1", "test.proj:1:12: the time '1:1' in bars and beats needs a 'tempo' or 'music' line"},
        {"tempo 120\nscene from 0:1", "test.proj:2:12: bad time '0:1'"},
        {"tempo 0", "test.proj:1:7: a tempo needs beats per minute, a whole number"},
        {"tempo 120.5", "test.proj:1:7: a tempo needs beats per minute, a whole number"},
        {"scene\n  param 5 wobble", "test.proj:2:11: bad value 'wobble'"},
        {"scene\n  param Fade\n    key 0 step mode=3", "test.proj:3:16: a key takes values only, not 'mode=3'"},
        // The older checks, now with their columns.
        {"param 0 1", "test.proj:1:1: a track needs an object above it"},
        {"timeline\n  param Sceen 0", "test.proj:2:9: a timeline has no track named 'Sceen'"},
        {"scene\n  param 0 \"open", "test.proj:2:11: a quoted text has no closing quote"},
        {"wobble", "test.proj:1:1: expected an object kind"},
        // A word pasted by mistake is echoed cut short.
        {"mesh\n  build Sphere radius=9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x", "test.proj:2:23: bad value '9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x9x... (42 characters)' for radius"},
    };
    for (const auto& test : cases) {
        ProjectBuilder project;
        std::string error;
        EXPECT_FALSE(parseProjectSource(test.text, "test.proj", project, error)) << test.text;
        EXPECT_EQ(error.rfind(test.message, 0), 0u) << test.text << "\n  gave: " << error;
    }
}

TEST(NamedForm, NamesGiveTheSameBytesAsPositions)
{
    const struct {
        const char* named;
        const char* positional;
    } cases[] = {
        {"texture\n  build Disc radius=120 colour=#ffe6b4", "texture\n  build Disc 128 128 0 120 0 0 255 230 180 smooth"},
        {"texture\n  build Fill colour=#10203040 mode=add edge=mirror filtered=0",
         "texture\n  build Fill 16 32 48 64 mode=3 edge=2"},
        {"texture\n  build RotoZoom x=1 filtered=0", "texture\n  build RotoZoom 1 128 0 0 0 0 0"},
        {"mesh\n  build Normals smoothed=0", "mesh\n  build Normals 0"},
        {"mesh\n  param Textures colour=glow sphereMap=none", "mesh\n  param Textures -2 0 0 -1"},
        {"scene\n  param Fog mode=exp2 colour=#000000 v11=7", "scene\n  param Fog 2 0 0 0 0 0 3.2 192 0 50 0 7"},
        // At 125 BPM a tick is 882 frames, so a beat of 24 ticks is 0.48 s.
        {"tempo 125 beatsPerBar=3\nscene from 2:1 to 3:2.5\n  param Fade alpha=1\n    key 3:1 step alpha=50",
         "scene from 1.44 to 3.6\n  param Fade 1\n    key 2.88 step 50"},
    };
    for (const auto& c : cases) EXPECT_TRUE(compileText(c.named) == compileText(c.positional)) << c.named;
}

TEST(BeatTime, BarsAndBeatsAreSecondsOfTheTempo)
{
    // A beat is four rows of six ticks, and a tick the whole frames the
    // player plays: 918 at 120 BPM (not 918.75), 882 at 125, 1225 at 90.
    const struct {
        int bpm;
        int beatsPerBar;
        const char* text;
        double seconds;  // < 0: refused
    } cases[] = {
        {120, 4, "1:1", 0}, {120, 4, "2:1", 4 * 24 * 918 / 44100.0}, {120, 4, "57:1", 111.908571},
        {120, 4, "1:2.5", 1.5 * 24 * 918 / 44100.0}, {125, 4, "9:1", 15.36}, {90, 3, "2:1", 2},
        {120, 4, "4.5", 4.5},
        {120, 4, "0:1", -1}, {120, 4, "1:0", -1}, {120, 4, "1:5", -1}, {120, 3, "1:4", -1}, {120, 4, "x:1", -1},
        {120, 4, "1:", -1}, {0, 4, "1:1", -1},
    };
    for (const auto& c : cases) {
        float seconds = 0;
        std::string error;
        Tempo tempo;
        tempo.beatsPerMinute = c.bpm;
        tempo.beatsPerBar = c.beatsPerBar;
        const bool ok = parseShowTime(c.text, tempo, seconds, error);
        EXPECT_EQ(ok, c.seconds >= 0) << c.text << ": " << error;
        if (ok) {
            EXPECT_NEAR(seconds, c.seconds, 1e-5) << c.text;
        }
    }
}

// Every name in the engine's tables is documented, and means one thing on
// its line; every track says in a sentence or two what it does, and the
// page's reference part is what `projc --doc` prints today, whole.
TEST(NamedForm, EveryNameIsDocumentedAndUnambiguous)
{
    const std::string doc = readText("docs/authoring.md");
    const std::string marker = "<!-- generated by build/projc --doc -->\n";
    const size_t generated = doc.find(marker);
    ASSERT_NE(generated, std::string::npos) << "docs/authoring.md has lost its marker line";
    EXPECT_TRUE(doc.substr(generated + marker.size()) == trackTablesMarkdown())
        << "docs/authoring.md is out of date: bring it up to date as its Reference section says";
    auto documented = [&](const std::string& name) {
        EXPECT_NE(doc.find("`" + name + "`"), std::string::npos) << name << " is missing from docs/authoring.md";
    };
    for (int section = 0; section < SECTION_COUNT; ++section) {
        const TrackTable* table = objectKind(static_cast<SectionKind>(section)).tracks;
        documented(table->kind);
        for (const TrackRow& row : table->rows) {
            documented(row.name);
            const std::string summary = row.summary ? row.summary : "";
            EXPECT_TRUE(!summary.empty() && summary.back() == '.') << table->kind << " " << row.name << " says nothing";
            int sentences = 0;
            for (size_t i = 0; i + 2 < summary.size(); ++i)
                sentences += summary[i] == '.' && summary[i + 1] == ' ' && std::isupper(summary[i + 2]);
            EXPECT_LE(sentences, 1) << table->kind << " " << row.name << ": two sentences at most";
            const std::vector<std::string> names = namesOf(row);
            for (size_t i = 0; i < names.size(); ++i) {
                documented(names[i]);
                for (size_t j = i + 1; j < names.size(); ++j) EXPECT_NE(names[i], names[j]) << row.name;
                EXPECT_NE(names[i].rfind("v", 0) == 0 && names[i].size() <= 3 && std::isdigit(names[i].back()), true)
                    << row.name << " has a value named like a raw slot";
            }
            for (const TrackValue& value : row.values)
                if (value.names)
                    for (const ModeName& mode : value.names->modes) documented(mode.name);
            for (const FlagField& field : row.fields)
                if (field.names)
                    for (const ModeName& mode : field.names->modes) documented(mode.name);
        }
    }
    for (const ModeName& mode : keyModeNames.modes) documented(mode.name);
}

}  // namespace
