#include "mesh/mesh.h"

#include <cstring>

#include "core/memory.h"
#include "core/numeric.h"
#include "core/object_registry.h"
#include "mesh/generators.h"
#include "mesh/modifiers.h"
#include "texture/texture.h"

MeshDevice meshDevice;

namespace {

template <class T>
void resizeArray(T*& array, int32_t& count, int32_t n)
{
    memFree(array);
    if (n < 0) n = 0;
    array = static_cast<T*>(memAlloc(sizeof(T) * size_t(n)));
    count = array ? n : 0;
}

void copyGeometry(const Mesh& from, Mesh& to)
{
    to.resizePositions(from.positionCount);
    to.resizeNormals(from.normalCount);
    to.resizeTexcoords(from.texcoordCount);
    to.resizeCorners(from.cornerCount);
    std::memcpy(to.positions, from.positions, sizeof(Vec3) * size_t(to.positionCount));
    std::memcpy(to.normals, from.normals, sizeof(Vec3) * size_t(to.normalCount));
    std::memcpy(to.texcoords, from.texcoords, sizeof(TexCoord) * size_t(to.texcoordCount));
    std::memcpy(to.corners, from.corners, sizeof(MeshCorner) * size_t(to.cornerCount));
}

}  // namespace

Mesh* meshAt(ObjectRegistry* registry, int32_t index)
{
    if (!registry) return nullptr;
    return dynamic_cast<Mesh*>(registry->at(SectionKind::Mesh, index));
}

Mesh& meshWorkspace()
{
    struct Holder {
        Mesh* mesh = new Mesh();
        ~Holder() { mesh->destroy(DESTROY_FREE); }
    };
    static Holder holder;
    return *holder.mesh;
}

Mesh::Mesh() = default;

Mesh::~Mesh()
{
    clearContent();
    text.releaseGlyphs();
    buffers.releaseArrays();
    releaseProgram(material.shader);
}

void Mesh::resizePositions(int32_t n) { resizeArray(positions, positionCount, n); }
void Mesh::resizeTexcoords(int32_t n) { resizeArray(texcoords, texcoordCount, n); }
void Mesh::resizeNormals(int32_t n) { resizeArray(normals, normalCount, n); }
void Mesh::resizeCorners(int32_t n) { resizeArray(corners, cornerCount, n); }

int Mesh::applyTrack(AnimTrack& track)
{
    applyTrackRow(meshTracks, this, track);
    return 0;
}

int Mesh::build()
{
    applyParamTracks();
    applyBuildTracks();
    upload();
    return 0;
}

void Mesh::clearContent()
{
    memFree(positions);
    memFree(normals);
    memFree(texcoords);
    memFree(corners);
    positions = nullptr;
    normals = nullptr;
    texcoords = nullptr;
    corners = nullptr;
    positionCount = texcoordCount = normalCount = cornerCount = 0;
    repeatCount = 0;
    buffers.releaseArrays();
    sharedGeometry = nullptr;
    parent = nullptr;
}

int Mesh::copyToWorkspace()
{
    copyGeometry(*this, meshWorkspace());
    return 0;
}

int Mesh::copyFromWorkspace()
{
    copyGeometry(meshWorkspace(), *this);
    buildVertexArray(*this);
    computeTangents(buffers);
    return 0;
}

bool Mesh::wouldLoop(const Mesh* candidate) const
{
    int depth = 0;
    for (const Mesh* m = candidate; m && depth <= MESH_MAX_PARENT_DEPTH; m = m->parent, ++depth)
        if (m == this) return true;
    return depth > MESH_MAX_PARENT_DEPTH;
}

void Mesh::upload()
{
    unload();
    buildVertexArray(*this);
    if (meshDevice.upload) meshDevice.upload(*this);
}

void Mesh::unload()
{
    if (meshDevice.unload) meshDevice.unload(*this);
    buffers.vertexBuffer = 0;
    buffers.indexBuffer = 0;
}

void Mesh::draw()
{
    if (meshDevice.draw) meshDevice.draw(*this);
}
