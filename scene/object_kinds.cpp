#include "scene/object_kinds.h"

#include "core/timeline.h"
#include "mesh/mesh.h"
#include "scene/light.h"
#include "scene/particle_system.h"
#include "scene/scene.h"
#include "texture/operators.h"
#include "texture/texture.h"

namespace {

// Only a particle system needs its registry from the start (its first
// particles draw on the show's seed); the rest join it when appended.
ProjectObject* createMesh(ObjectRegistry&) { return new Mesh(); }
ProjectObject* createTexture(ObjectRegistry&) { return new Texture(); }
ProjectObject* createLightIn(ObjectRegistry&) { return createLight(); }
ProjectObject* createSceneIn(ObjectRegistry&) { return createScene(); }

const ObjectKind kinds[SECTION_COUNT] = {
    {SectionKind::Texture, createTexture, &textureTracks},
    {SectionKind::Mesh, createMesh, &meshTracks},
    {SectionKind::Light, createLightIn, &lightTracks},
    {SectionKind::Scene, createSceneIn, &sceneTracks},
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

ProjectObject* createObjectOfKind(SectionKind section, ObjectRegistry& registry)
{
    const ObjectKind& kind = objectKind(section);
    return kind.create ? kind.create(registry) : nullptr;
}
