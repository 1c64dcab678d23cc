// The track tables as the engine and the tools rely on them: names and ids
// that find their own rows, declarations that hold together, handlers that
// read nothing but what their rows declare, and ranges that hold the show.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scene/object_kinds.h"
#include "core/timeline.h"
#include "mesh/mesh.h"
#include "scene/light.h"
#include "scene/particle_system.h"
#include "scene/scene.h"
#include "texture/generator.h"
#include "texture/texture.h"
#include "authoring/project_source.h"

namespace {

std::vector<const TrackTable*> allTables()
{
    std::vector<const TrackTable*> tables;
    for (int section = 0; section < SECTION_COUNT; ++section)
        tables.push_back(objectKind(static_cast<SectionKind>(section)).tracks);
    return tables;
}

const TrackTable& trackTableOf(SectionKind section) { return *objectKind(section).tracks; }

// Every flag-word operand some row declares, once.
std::vector<FlagField> stepFields()
{
    std::vector<FlagField> fields;
    for (const TrackTable* table : allTables())
        for (const TrackRow& row : table->rows)
            for (const FlagField& f : row.fields) {
                bool known = false;
                for (const FlagField& g : fields) known = known || std::string(g.name) == f.name;
                if (!known) fields.push_back(f);
            }
    return fields;
}

std::vector<const ModeList*> modeListsOf(const TrackRow& row)
{
    std::vector<const ModeList*> lists;
    for (const TrackValue& v : row.values)
        if (v.names) lists.push_back(v.names);
    for (const FlagField& f : row.fields)
        if (f.names) lists.push_back(f.names);
    return lists;
}

TEST(TrackTables, EveryNameAndIdFindsItsOwnDeclaration)
{
    for (const TrackTable* table : allTables()) {
        ASSERT_NE(findObjectKind(table->kind), nullptr) << table->kind;
        EXPECT_EQ(findObjectKind(table->kind)->tracks, table);
        EXPECT_EQ(table->section, findObjectKind(table->kind)->section);
        for (const TrackRow& row : table->rows) {
            SCOPED_TRACE(std::string(table->kind) + " " + row.name);
            EXPECT_EQ(findTrackRow(*table, row.id), &row);
            EXPECT_EQ(findTrackRow(*table, row.name), &row);
            std::set<int> slots;
            uint32_t fieldBits = 0;
            for (const TrackValue& v : row.values) {
                EXPECT_EQ(findTrackValue(row, v.name), &v) << v.name;
                EXPECT_LT(v.slot, TRACK_VALUES) << v.name;
                EXPECT_TRUE(slots.insert(v.slot).second) << v.name << " shares its slot";
                EXPECT_TRUE(v.minimum <= v.defaultValue && v.defaultValue <= v.maximum) << v.name;
                if (v.unit == ValueUnit::Mode) {
                    ASSERT_NE(v.names, nullptr) << v.name << " has no mode names";
                    EXPECT_NE(findMode(*v.names, int32_t(v.defaultValue)), nullptr) << v.name;
                }
            }
            for (const FlagField& f : row.fields) {
                EXPECT_EQ(findFlagField(row, f.name), &f);
                EXPECT_EQ(f.mask() & ~0x003FFF00u, 0u) << f.name << " leaves the operand bits 8-21";
                EXPECT_EQ(f.mask() & fieldBits, 0u) << f.name << " overlaps another operand";
                EXPECT_EQ(f.of(f.bits(f.defaultValue)), f.defaultValue) << f.name;
                fieldBits |= f.mask();
            }
            for (const ModeList* list : modeListsOf(row))
                for (const ModeName& mode : list->modes) {
                    EXPECT_EQ(findMode(*list, mode.name), &mode) << list->title << " " << mode.name;
                    EXPECT_EQ(findMode(*list, mode.value), &mode) << list->title << " " << mode.name;
                }
        }
    }
}

// A value of each declared slot that makes the row do something: its
// default, but an object index names the first object rather than none.
void probe(const TrackRow& row, AnimTrack& track)
{
    track.flags = TRACK_APPLY | row.id;
    for (const TrackValue& v : row.values) {
        const bool index = v.unit == ValueUnit::TextureIndex || v.unit == ValueUnit::MeshIndex ||
                           v.unit == ValueUnit::SceneIndex;
        track.value[v.slot] = index && v.defaultValue < 0 ? 0.0f : v.defaultValue;
    }
    for (const FlagField& f : stepFields()) track.flags |= f.bits(f.defaultValue);
}

// Sets every value, operand and name the row does not declare to something else.
void poison(const TrackRow& row, AnimTrack& track)
{
    for (int slot = 0; slot < TRACK_VALUES; ++slot) {
        bool declared = false;
        for (const TrackValue& v : row.values) declared = declared || v.slot == slot;
        if (!declared) track.value[slot] = 37.0f + static_cast<float>(slot);
    }
    for (const FlagField& f : stepFields())
        if (!findFlagField(row, f.name)) track.flags = (track.flags & ~f.mask()) | f.bits(f.defaultValue ^ 1u ^ 2u);
    if (!row.readsName) track.setName("poison");
}

template <class T>
void append(std::vector<uint8_t>& bytes, const T* first, size_t count)
{
    const auto* p = reinterpret_cast<const uint8_t*>(first);
    bytes.insert(bytes.end(), p, p + sizeof(T) * count);
}

// What applying one track to a fresh object of a kind, in `show`, leaves
// behind, as bytes.
struct KindOutcome {
    SectionKind section;
    std::function<std::vector<uint8_t>(const AnimTrack&, ObjectRegistry& show)> apply;
};

class HandlerReads : public ::testing::Test {
protected:
    ObjectRegistry registry;

    void SetUp() override
    {
        for (int i = 0; i < 2; ++i) {
            auto* texture = new Texture();
            for (int32_t p = 0; p < texture->size * texture->size; ++p) texture->pixels[p] = uint32_t(p) * 2654435761u;
            registry.append(SectionKind::Texture, texture);
            registry.append(SectionKind::Mesh, new Mesh());
            registry.append(SectionKind::Scene, new Scene());
        }
    }
    void TearDown() override { registry.clear(); }
};

std::vector<uint8_t> textureOutcome(const AnimTrack& track, ObjectRegistry&)
{
    resetGenerator();
    auto* texture = new Texture();
    texture->setSize(32);
    for (int32_t p = 0; p < 32 * 32; ++p) texture->pixels[p] = uint32_t(p) * 2246822519u;
    texture->applyTrack(const_cast<AnimTrack&>(track));
    std::vector<uint8_t> bytes;
    append(bytes, &texture->size, 1);
    append(bytes, texture->pixels, size_t(texture->size) * size_t(texture->size));
    texture->destroy(DESTROY_FREE);
    return bytes;
}

std::vector<uint8_t> meshOutcome(const AnimTrack& track, ObjectRegistry& show)
{
    auto* mesh = new Mesh();
    mesh->registry = &show;
    AnimTrack grid, normals;
    grid.flags = TRACK_APPLY | static_cast<uint8_t>(MeshTrack::Grid);
    grid.value[0] = grid.value[1] = 2;
    grid.value[3] = grid.value[4] = 64;
    normals.flags = TRACK_APPLY | static_cast<uint8_t>(MeshTrack::Normals);
    normals.value[0] = 1;
    mesh->applyTrack(grid);
    mesh->applyTrack(normals);
    mesh->applyTrack(const_cast<AnimTrack&>(track));
    std::vector<uint8_t> bytes;
    append(bytes, mesh->positions, size_t(mesh->positionCount));
    append(bytes, mesh->normals, size_t(mesh->normalCount));
    append(bytes, mesh->texcoords, size_t(mesh->texcoordCount));
    append(bytes, mesh->corners, size_t(mesh->cornerCount));
    const MeshMaterial& m = mesh->material;
    for (const float* colour : {m.ambient, m.diffuse, m.specular}) append(bytes, colour, 4);
    append(bytes, &m.shininess, 1);
    append(bytes, &m.blendMode, 1);
    append(bytes, &m.depthWrite, 1);
    append(bytes, &m.shaderOn, 1);
    append(bytes, &m.shader.vertexSource, 1);
    append(bytes, &mesh->texture0IsGlow, 1);
    append(bytes, &mesh->texture1IsGlow, 1);
    for (const void* p : {static_cast<const void*>(mesh->texture0), static_cast<const void*>(mesh->texture1),
                          static_cast<const void*>(mesh->sharedGeometry), static_cast<const void*>(mesh->parent)})
        append(bytes, &p, 1);
    for (const Vec3* v : {&mesh->position, &mesh->rotation, &mesh->scale, &mesh->repeatOffset, &mesh->repeatRotation})
        append(bytes, v, 1);
    append(bytes, &mesh->repeatCount, 1);
    append(bytes, &mesh->repeatScale, 1);
    append(bytes, &mesh->buffers.cullMode, 1);
    append(bytes, &mesh->text.depth, 1);
    mesh->destroy(DESTROY_FREE);
    return bytes;
}

// The bytes of an object from its first own field to the end of `last`.
template <class Kind, class First, class Last>
std::vector<uint8_t> fieldBytes(const Kind& object, const First& first, const Last& last)
{
    const auto* begin = reinterpret_cast<const uint8_t*>(&first);
    const auto* end = reinterpret_cast<const uint8_t*>(&last) + sizeof last;
    EXPECT_GE(begin, reinterpret_cast<const uint8_t*>(&object));
    return std::vector<uint8_t>(begin, end);
}

const KindOutcome outcomes[] = {
    {SectionKind::Texture, textureOutcome},
    {SectionKind::Mesh, meshOutcome},
    {SectionKind::Light,
     [](const AnimTrack& track, ObjectRegistry&) {
         auto* light = static_cast<Light*>(createLight());
         light->applyTrack(const_cast<AnimTrack&>(track));
         auto bytes = fieldBytes(*light, light->position, light->specular);
         light->destroy(DESTROY_FREE);
         return bytes;
     }},
    {SectionKind::Scene,
     [](const AnimTrack& track, ObjectRegistry&) {
         auto* scene = static_cast<Scene*>(createScene());
         scene->applyTrack(const_cast<AnimTrack&>(track));
         auto bytes = fieldBytes(*scene, scene->eye, scene->aspect);
         scene->destroy(DESTROY_FREE);
         return bytes;
     }},
    {SectionKind::Timeline,
     [](const AnimTrack& track, ObjectRegistry&) {
         Timeline timeline;
         timeline.applyTrack(const_cast<AnimTrack&>(track));
         return fieldBytes(timeline, timeline.sceneIndex, timeline.sceneIndex);
     }},
    {SectionKind::ParticleSystem,
     [](const AnimTrack& track, ObjectRegistry& show) {
         show.particleSeed = PARTICLE_SEED_START;  // the same particles for every run
         auto* system = static_cast<ParticleSystem*>(createParticleSystem(show));
         system->applyTrack(const_cast<AnimTrack&>(track));
         auto bytes = fieldBytes(*system, system->emitterOrigin, system->particleTexture);
         append(bytes, system->particles, size_t(system->particleCount));
         system->destroy(DESTROY_FREE);
         return bytes;
     }},
};

TEST_F(HandlerReads, OnlyWhatTheirRowsDeclare)
{
    for (const KindOutcome& kind : outcomes) {
        const TrackTable& table = trackTableOf(kind.section);
        for (const TrackRow& row : table.rows) {
            SCOPED_TRACE(std::string(table.kind) + " " + row.name);
            AnimTrack clean, noisy;
            probe(row, clean);
            probe(row, noisy);
            poison(row, noisy);
            EXPECT_TRUE(kind.apply(clean, registry) == kind.apply(noisy, registry)) << "reads a value, operand or name it does not declare";
        }
    }
}

// Project data may hold any float in any slot. Values that truncate to no
// count at all (every one here does) must leave each handler well defined:
// the same outcome twice, and, in the sanitizer build, no undefined step.
TEST_F(HandlerReads, AnyFloatInAnySlotIsHandledTheSameEveryTime)
{
    const float extremes[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), 3.0e38f, -3.0e38f};
    for (const KindOutcome& kind : outcomes) {
        const TrackTable& table = trackTableOf(kind.section);
        for (const TrackRow& row : table.rows)
            for (const TrackValue& v : row.values)
                for (float extreme : extremes) {
                    SCOPED_TRACE(std::string(table.kind) + " " + row.name + " " + v.name + " = " + std::to_string(extreme));
                    AnimTrack track;
                    probe(row, track);
                    track.value[v.slot] = extreme;
                    EXPECT_TRUE(kind.apply(track, registry) == kind.apply(track, registry));
                }
    }
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(TrackTables, RangesHoldEveryValueTheShowsUse)
{
    for (const char* file : {"content/show.proj", "content/layers.proj", "docs/frame.proj"}) {
        ProjectBuilder project;
        std::string error;
        const std::string path = std::string(SOURCE_DIR) + "/" + file;
        ASSERT_TRUE(parseProjectSource(readFile(path), path, project, error)) << error;
        for (const ProjectBuilder::Object& object : project.objects()) {
            const TrackTable& table = trackTableOf(object.section);
            for (const auto* list : {&object.paramTracks, &object.buildTracks})
                for (const ProjectBuilder::Track& track : *list) {
                    const TrackRow* row = findTrackRow(table, static_cast<uint8_t>(track.flags & TRACK_ID_MASK));
                    ASSERT_NE(row, nullptr) << file << ": a " << table.kind << " track without a row";
                    std::vector<ProjectBuilder::Values> values{track.value};
                    for (const ProjectBuilder::Key& key : track.keys) values.push_back(key.value);
                    for (const TrackValue& v : row->values)
                        for (const ProjectBuilder::Values& at : values) {
                            EXPECT_TRUE(v.minimum <= at[v.slot] && at[v.slot] <= v.maximum)
                                << file << ": " << row->name << " " << v.name << " = " << at[v.slot];
                            if (v.unit == ValueUnit::Mode) {
                                EXPECT_NE(findMode(*v.names, truncToInt32(at[v.slot])), nullptr) << row->name;
                            }
                        }
                }
        }
    }
}

}  // namespace
