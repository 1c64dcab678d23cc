#include "core/object_kinds.h"

#include "core/timeline.h"
#include "mesh/mesh.h"
#include "scene/light.h"
#include "scene/particle_system.h"
#include "scene/scene.h"
#include "texture/operators.h"
#include "texture/texture.h"

namespace {

ProjectObject* createMesh() { return new Mesh(); }
ProjectObject* createTexture() { return new Texture(); }

const ObjectKind kinds[SECTION_COUNT] = {
    {SectionKind::Texture, createTexture, &textureTracks},
    {SectionKind::Mesh, createMesh, &meshTracks},
    {SectionKind::Light, createLight, &lightTracks},
    {SectionKind::Scene, createScene, &sceneTracks},
    {SectionKind::Timeline, nullptr, &timelineTracks},
    {SectionKind::ParticleSystem, createParticleSystem, &particleTracks},
};

}  // namespace

const ObjectKind& objectKind(SectionKind section) { return kinds[static_cast<int>(section)]; }

const ObjectKind* findObjectKind(std::string_view word)
{
    for (const ObjectKind& kind : kinds)
        if (word == kind.tracks->kind) return &kind;
    return nullptr;
}

ProjectObject* createObjectOfKind(SectionKind section)
{
    const ObjectKind& kind = objectKind(section);
    return kind.create ? kind.create() : nullptr;
}
