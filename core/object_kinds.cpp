#include "core/object_kinds.h"

#include "core/timeline.h"
#include "mesh/mesh.h"
#include "scene/light.h"
#include "scene/particle_system.h"
#include "scene/scene.h"
#include "texture/texture.h"

namespace {

ProjectObject* createMesh() { return new Mesh(); }
ProjectObject* createTexture() { return new Texture(); }

const ObjectKind kinds[SECTION_COUNT] = {
    {SectionKind::Texture, createTexture},
    {SectionKind::Mesh, createMesh},
    {SectionKind::Light, createLight},
    {SectionKind::Scene, createScene},
    {SectionKind::Timeline, nullptr},
    {SectionKind::ParticleSystem, createParticleSystem},
};

}  // namespace

const ObjectKind& objectKind(SectionKind section) { return kinds[static_cast<int>(section)]; }

ProjectObject* createObjectOfKind(SectionKind section)
{
    const ObjectKind& kind = objectKind(section);
    return kind.create ? kind.create() : nullptr;
}
