#include "app/object_kinds.h"

#include <iterator>

#include "core/timeline.h"
#include "mesh/mesh.h"
#include "scene/light.h"
#include "scene/particle_system.h"
#include "scene/scene.h"
#include "texture/operators.h"
#include "texture/texture.h"

namespace {

ProjectObject* createMesh() { return new Mesh(); }

// Every track of a texture is a build step, named after its operator.
ProjectObject* createTexture() { return new Texture(); }
const char* textureTrackName(uint8_t id) { return textureOperatorName(id); }
int textureTrackId(std::string_view name) { return textureOperatorId(name); }

const TrackName timelineTracks[] = {
    {0, "Scene"},
};
const char* timelineTrackName(uint8_t id) { return findTrackName(timelineTracks, std::size(timelineTracks), id); }
int timelineTrackId(std::string_view name) { return findTrackId(timelineTracks, std::size(timelineTracks), name); }

const ObjectKind kinds[SECTION_COUNT] = {
    {SectionKind::Texture, "texture", createTexture, textureTrackName, textureTrackId},
    {SectionKind::Mesh, "mesh", createMesh, meshTrackName, meshTrackId},
    {SectionKind::Light, "light", createLight, lightTrackName, lightTrackId},
    {SectionKind::Scene, "scene", createScene, sceneTrackName, sceneTrackId},
    {SectionKind::Timeline, "timeline", nullptr, timelineTrackName, timelineTrackId},
    {SectionKind::ParticleSystem, "particles", createParticleSystem, particleTrackName, particleTrackId},
};

}  // namespace

const ObjectKind& objectKind(SectionKind section) { return kinds[static_cast<int>(section)]; }

const ObjectKind* findObjectKind(std::string_view keyword)
{
    for (const ObjectKind& kind : kinds)
        if (keyword == kind.keyword) return &kind;
    return nullptr;
}

ProjectObject* createObjectOfKind(SectionKind section)
{
    const ObjectKind& kind = objectKind(section);
    return kind.create ? kind.create() : nullptr;
}

const char* findTrackName(const TrackName* table, size_t count, uint8_t id)
{
    for (size_t i = 0; i < count; ++i)
        if (table[i].id == id) return table[i].name;
    return nullptr;
}

int findTrackId(const TrackName* table, size_t count, std::string_view name)
{
    for (size_t i = 0; i < count; ++i)
        if (name == table[i].name) return table[i].id;
    return -1;
}
