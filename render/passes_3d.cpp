// The 3D passes of a frame: lights, sorted meshes with their materials,
// particle systems.
#include <cmath>
#include <vector>

#include "core/timeline.h"
#include "mesh/mesh.h"
#include "render/frame.h"
#include "render/object_gl.h"
#include "render/render_state.h"
#include "gl/gl.h"
#include "gl/gl_context.h"
#include "gl/shader_program.h"
#include "scene/light.h"
#include "scene/particle_system.h"
#include "scene/scene.h"

namespace {

bool active(const ProjectObject& object) { return tr.timeline && tr.timeline->isActive(object); }

float distanceBetween(const float* eye, const Vec3& position)
{
    const float dx = position.x - eye[0], dy = position.y - eye[1], dz = position.z - eye[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void drawSorted(const MeshSortEntry* entries, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        Mesh& mesh = *entries[i].mesh;
        bindMeshTextures(mesh);
        applyMaterial(mesh.material);
        mesh.draw();
        endMaterial();
    }
}

}  // namespace

void applyLights()
{
    for (int32_t slot = 0; slot < LIGHT_SLOTS; ++slot) {
        ProjectObject* object = tr.registry ? tr.registry->at(SectionKind::Light, slot) : nullptr;
        if (object && active(*object)) {
            Light& light = *static_cast<Light*>(object);
            light.lightNumber = slot;
            applyLight(light);
        } else {
            glDisable(GL_LIGHT0 + static_cast<GLenum>(slot));
        }
    }
}

void sortMeshEntries(MeshSortEntry* entries, int32_t count, bool nearFirst)
{
    for (int32_t pass = 0; pass + 1 < count; ++pass)
        for (int32_t i = 0; i + 1 < count - pass; ++i) {
            const float a = entries[i].distance, b = entries[i + 1].distance;
            if (nearFirst ? a > b : a < b) {
                const MeshSortEntry swap = entries[i];
                entries[i] = entries[i + 1];
                entries[i + 1] = swap;
            }
        }
}

void applyMaterial(const MeshMaterial& material)
{
    glMaterialfv(GL_FRONT, GL_AMBIENT, material.ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, material.specular);
    glMaterialfv(GL_FRONT, GL_SHININESS, &material.shininess);
    glDepthMask(material.depthWrite ? GL_TRUE : GL_FALSE);
    switch (static_cast<MaterialBlend>(material.blendMode)) {
    case MaterialBlend::Opaque:
        glDisable(GL_BLEND);
        glDisable(GL_ALPHA_TEST);
        break;
    case MaterialBlend::AlphaTest:
        glDisable(GL_BLEND);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.0f);
        break;
    case MaterialBlend::AlphaBlend:
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.0f);
        glEnable(GL_BLEND);
        break;
    default: break;  // blending and alpha test stay as they are
    }
    if (shadersAvailable) useProgram(material.shaderOn ? material.shader.program : 0);
}

void endMaterial()
{
    glDepthMask(GL_TRUE);
    if (shadersAvailable) unuseProgram();
}

void drawMeshes()
{
    glColor3ub(255, 255, 255);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (!tr.currentScene || !tr.registry) return;

    ObjectList<ProjectObject>& meshes = (*tr.registry)[SectionKind::Mesh];
    const int32_t total = meshes.count();
    if (total == 0) return;
    // Kept from pass to pass: a frame's sorts allocate nothing once grown.
    static std::vector<MeshSortEntry> opaque, seeThrough;
    opaque.resize(static_cast<size_t>(total));
    seeThrough.resize(static_cast<size_t>(total));
    int32_t opaqueCount = 0, seeThroughCount = 0;
    for (ProjectObject* object : meshes) {
        if (!active(*object)) continue;
        Mesh* mesh = static_cast<Mesh*>(object);
        const MeshSortEntry entry{mesh, distanceBetween(tr.currentScene->eye, mesh->position)};
        if (mesh->material.blendMode == static_cast<int32_t>(MaterialBlend::Opaque)) opaque[opaqueCount++] = entry;
        else seeThrough[seeThroughCount++] = entry;
    }
    sortMeshEntries(opaque.data(), opaqueCount, true);
    sortMeshEntries(seeThrough.data(), seeThroughCount, false);
    drawSorted(opaque.data(), opaqueCount);
    drawSorted(seeThrough.data(), seeThroughCount);
}

void drawParticles()
{
    if (!tr.registry) return;
    for (ProjectObject* object : (*tr.registry)[SectionKind::ParticleSystem]) {
        if (!active(*object)) continue;
        ParticleSystem& system = *static_cast<ParticleSystem*>(object);
        setParticleTextureUnits(system);
        system.draw();
    }
}
