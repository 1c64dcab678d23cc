#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scene/object_kinds.h"
#include "core/project_reader.h"
#include "core/timeline.h"
#include "authoring/project_builder.h"

namespace {

struct Loaded {
    ObjectRegistry registry;
    Timeline timeline;
    int32_t count = 0;
    std::string error;
    size_t consumed = 0;

    explicit Loaded(const std::vector<uint8_t>& bytes)
    {
        ProjectStream stream(bytes.data(), bytes.size());
        count = loadProject(stream, registry, timeline, createObjectOfKind);
        error = stream.error();
        consumed = stream.offset();
    }
};

TEST(ProjectReader, ReadsSectionsInOrderAndCountsTheTimelineEntry)
{
    ProjectBuilder project;
    project.add(SectionKind::Scene).during(3.0f, 4.0f);
    project.add(SectionKind::Texture).during(0.0f, 1.0f);
    project.add(SectionKind::Texture).during(0.0f, 2.0f);
    project.add(SectionKind::ParticleSystem);
    project.add(SectionKind::Timeline).during(0.0f, 124.0f);
    const std::vector<uint8_t> bytes = project.bytes();
    // Empty sections are a lone count byte: the mesh and light sections here.
    EXPECT_EQ(bytes[0], 2);

    Loaded loaded(bytes);
    ASSERT_EQ(loaded.count, 5) << loaded.error;
    EXPECT_EQ(loaded.consumed, bytes.size());
    EXPECT_EQ(loaded.registry[SectionKind::Texture].count(), 2);
    EXPECT_EQ(loaded.registry[SectionKind::Mesh].count(), 0);
    EXPECT_EQ(loaded.registry[SectionKind::Light].count(), 0);
    EXPECT_EQ(loaded.registry[SectionKind::Scene].count(), 1);
    EXPECT_EQ(loaded.registry[SectionKind::Timeline].count(), 0);  // read into the Timeline
    EXPECT_EQ(loaded.registry[SectionKind::ParticleSystem].count(), 1);
    EXPECT_EQ(loaded.registry.at(SectionKind::Texture, 1)->endTime, 2.0f);
    EXPECT_EQ(loaded.registry.at(SectionKind::Scene, 0)->startTime, 3.0f);
    EXPECT_EQ(loaded.timeline.endTime, 124.0f);
}

TEST(ProjectReader, ReadsTracksKeysAndNamesIntoTheirLists)
{
    ProjectBuilder project;
    ProjectBuilder::Object& mesh = project.add(SectionKind::Mesh);
    mesh.param(3, {1, 2, 3}).named("first").withFlags(0x00013F00);
    mesh.param(7).withoutFlags(TRACK_APPLY).key(0.5f, KeyMode::Step, {9}).key(1.5f, KeyMode::Local, {8, 7});
    mesh.build(12, {60, 40});
    Loaded loaded(project.bytes());
    ASSERT_EQ(loaded.count, 1) << loaded.error;

    ProjectObject* object = loaded.registry.at(SectionKind::Mesh, 0);
    ASSERT_EQ(object->paramTracks.count(), 2);
    ASSERT_EQ(object->buildTracks.count(), 1);
    AnimTrack* first = object->paramTracks.at(0);
    EXPECT_STREQ(first->name, "first");
    EXPECT_EQ(first->flags, TRACK_APPLY | 0x00013F00u | 3u);
    EXPECT_EQ(first->value[2], 3.0f);
    AnimTrack* keyed = object->paramTracks.at(1);
    EXPECT_EQ(keyed->name, nullptr);  // an empty name is no name
    EXPECT_EQ(keyed->flags, TRACK_ANIMATED | 7u);
    ASSERT_EQ(keyed->keys.count(), 2);
    EXPECT_EQ(keyed->keys.at(0)->mode, 0);
    EXPECT_EQ(keyed->keys.at(1)->time, 1.5f);
    EXPECT_EQ(keyed->keys.at(1)->value[1], 7.0f);
    EXPECT_EQ(object->buildTracks.at(0)->id(), 12);
}

TEST(ProjectReader, KeepsA511ByteNameAndDropsA512ByteOne)
{
    ProjectBuilder project;
    ProjectBuilder::Object& scene = project.add(SectionKind::Scene);
    scene.param(8).named(std::string(511, 'a'));
    scene.param(8).named("after");
    std::vector<uint8_t> bytes = project.bytes();
    Loaded kept(bytes);
    ASSERT_EQ(kept.count, 1) << kept.error;
    EXPECT_EQ(std::strlen(kept.registry.at(SectionKind::Scene, 0)->paramTracks.at(0)->name), 511u);

    // The same record with its zero replaced by one more character: 512 bytes
    // without a zero give no name, and the flags are read right after them.
    const size_t nameStart = 1 + 1 + 1 + 1 + 8 + 1;  // four counts, times, parameter count
    ASSERT_EQ(bytes[nameStart + 511], 0);
    bytes[nameStart + 511] = 'a';
    Loaded dropped(bytes);
    ASSERT_EQ(dropped.count, 1) << dropped.error;
    AnimTrack* track = dropped.registry.at(SectionKind::Scene, 0)->paramTracks.at(0);
    EXPECT_EQ(track->name, nullptr);
    EXPECT_EQ(track->flags, TRACK_APPLY | 8u);
}

TEST(ProjectReader, AppendsEveryTimelineEntryToTheOneTimeline)
{
    ProjectBuilder project;
    project.add(SectionKind::Timeline).during(0.0f, 50.0f).param(0, {1});
    project.add(SectionKind::Timeline).during(5.0f, 124.0f).param(0, {2});
    Loaded loaded(project.bytes());
    ASSERT_EQ(loaded.count, 2) << loaded.error;
    EXPECT_EQ(loaded.timeline.startTime, 5.0f);  // the second entry's times
    EXPECT_EQ(loaded.timeline.endTime, 124.0f);
    ASSERT_EQ(loaded.timeline.paramTracks.count(), 2);
    EXPECT_EQ(loaded.timeline.paramTracks.at(1)->value[0], 2.0f);
}

TEST(ProjectReader, RefusesTruncatedDataAtEveryLengthNamingTheOffset)
{
    ProjectBuilder project;
    ProjectBuilder::Object& texture = project.add(SectionKind::Texture).during(0, 10);
    texture.build(0, {255, 0, 0, 255}).named("plate").key(1.0f, KeyMode::Smooth, {1});
    project.add(SectionKind::Timeline).param(0, {0});
    const std::vector<uint8_t> whole = project.bytes();
    for (size_t length = 0; length < whole.size(); ++length) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + length);
        Loaded loaded(cut);
        EXPECT_EQ(loaded.count, -1) << length;
        EXPECT_NE(loaded.error.find("byte offset"), std::string::npos) << loaded.error;
        EXPECT_LE(loaded.consumed, length);
    }
}

TEST(ProjectReader, NamesTheOffsetOfAStringWithoutItsZero)
{
    const std::vector<uint8_t> bytes = {1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 'a', 'b', 'c'};
    Loaded loaded(bytes);
    EXPECT_EQ(loaded.count, -1);
    EXPECT_NE(loaded.error.find("starting at byte offset 10 has no terminating zero"), std::string::npos)
        << loaded.error;
}

TEST(ProjectReader, RefusesBytesAfterTheLastSection)
{
    std::vector<uint8_t> bytes = ProjectBuilder().bytes();
    EXPECT_EQ(bytes, std::vector<uint8_t>(6, 0));
    bytes.push_back(0);
    Loaded loaded(bytes);
    EXPECT_EQ(loaded.count, -1);
    EXPECT_NE(loaded.error.find("1 unexpected bytes after the last section at byte offset 6"), std::string::npos);
}

TEST(Precalculate, BuildsInSectionOrderWithProgressBeforeEachObject)
{
    static std::vector<int> progress;
    progress.clear();
    ProjectBuilder project;
    project.add(SectionKind::Light);
    project.add(SectionKind::Texture);
    project.add(SectionKind::Texture);
    project.add(SectionKind::Timeline);
    Loaded loaded(project.bytes());
    ASSERT_EQ(loaded.count, 4);
    precalculate(loaded.registry, loaded.count, [](int percent) { progress.push_back(percent); });
    // The Timeline counts in the total but is not built here.
    EXPECT_EQ(progress, (std::vector<int>{0, 25, 50, 100}));
}

TEST(NamedData, FindsBlocksByNameInABuiltTable)
{
    std::vector<uint8_t> table;
    auto entry = [&](const std::string& name, const std::vector<uint8_t>& block) {
        table.insert(table.end(), name.begin(), name.end());
        table.push_back(0);
        const uint32_t length = static_cast<uint32_t>(block.size());
        table.insert(table.end(), reinterpret_cast<const uint8_t*>(&length),
                     reinterpret_cast<const uint8_t*>(&length) + 4);
        table.insert(table.end(), block.begin(), block.end());
    };
    entry("logo", {1, 2, 3});
    entry("ring", {4, 5});
    entry("logo", {9});

    EXPECT_EQ(findNamedData(NamedDataTable(), "logo"), nullptr);  // no table
    const NamedDataTable named{table.data(), table.size()};
    uint32_t length = 0;
    const uint8_t* ring = findNamedData(named, "ring", &length);
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(ring[0], 4);
    EXPECT_EQ(findNamedData(named, "logo")[0], 1);  // the first entry of a name
    EXPECT_EQ(findNamedData(named, "rin"), nullptr);
    EXPECT_EQ(findNamedData(named, "missing"), nullptr);

    // A block length that runs past the table ends the search.
    std::vector<uint8_t> broken = table;
    broken[5] = 0xFF;
    EXPECT_EQ(findNamedData({broken.data(), broken.size()}, "ring"), nullptr);
}

}  // namespace
