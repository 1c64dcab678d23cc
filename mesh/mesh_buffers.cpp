#include "mesh/mesh_buffers.h"

#include "core/memory.h"
#include "mesh/mesh.h"

namespace {

template <class T>
T entryOrZero(const T* array, int32_t count, int32_t index)
{
    return index >= 0 && index < count ? array[index] : T{};
}

}  // namespace

MeshBuffers::~MeshBuffers() { releaseArrays(); }

void MeshBuffers::releaseArrays()
{
    memFree(vertices);
    memFree(indices);
    vertices = nullptr;
    indices = nullptr;
    vertexCount = 0;
    indexCount = 0;
}

void buildVertexArray(Mesh& mesh)
{
    MeshBuffers& buffers = mesh.buffers;
    const int32_t n = mesh.cornerCount;
    buffers.releaseArrays();
    buffers.vertices = static_cast<MeshVertex*>(memAlloc(sizeof(MeshVertex) * size_t(n)));
    buffers.indices = static_cast<uint32_t*>(memAlloc(sizeof(uint32_t) * size_t(n)));
    buffers.vertexCount = n;
    buffers.indexCount = n;
    for (int32_t i = 0; i < n; ++i) {
        const MeshCorner& corner = mesh.corners[i];
        MeshVertex& vertex = buffers.vertices[i];
        // The generators and modifiers keep every index inside its array;
        // an index outside gives zeros rather than a read past the array.
        vertex.position = entryOrZero(mesh.positions, mesh.positionCount, corner.positionIndex);
        vertex.normal = entryOrZero(mesh.normals, mesh.normalCount, corner.normalIndex);
        const TexCoord t = entryOrZero(mesh.texcoords, mesh.texcoordCount, corner.texcoordIndex);
        vertex.texcoord[0] = t.u;
        vertex.texcoord[1] = t.v;
        buffers.indices[i] = static_cast<uint32_t>(i);
    }
    computeTangents(buffers);
}

void computeTangents(MeshBuffers& buffers)
{
    if (buffers.indexCount == 0) return;
    Vec3* sums = static_cast<Vec3*>(memAlloc(sizeof(Vec3) * size_t(buffers.vertexCount)));
    const uint32_t vertexCount = static_cast<uint32_t>(buffers.vertexCount);
    const int32_t triangles = buffers.indexCount / 3;
    for (int32_t t = 0; t < triangles; ++t) {
        const uint32_t a = buffers.indices[3 * t], b = buffers.indices[3 * t + 1], c = buffers.indices[3 * t + 2];
        if (a >= vertexCount || b >= vertexCount || c >= vertexCount) continue;
        const MeshVertex& va = buffers.vertices[a];
        const MeshVertex& vb = buffers.vertices[b];
        const MeshVertex& vc = buffers.vertices[c];
        const Vec3 e1 = vb.position - va.position;
        const Vec3 e2 = vc.position - va.position;
        const float du1 = vb.texcoord[0] - va.texcoord[0], du2 = vc.texcoord[0] - va.texcoord[0];
        const float dv1 = vb.texcoord[1] - va.texcoord[1], dv2 = vc.texcoord[1] - va.texcoord[1];
        const float det = du1 * dv2 - du2 * dv1;
        const float r = det != 0.0f ? 1.0f / det : 0.0f;
        const Vec3 tangent = {r * (dv2 * e1.x - dv1 * e2.x), r * (dv2 * e1.y - dv1 * e2.y),
                              r * (dv2 * e1.z - dv1 * e2.z)};
        sums[a] = sums[a] + tangent;
        sums[b] = sums[b] + tangent;
        sums[c] = sums[c] + tangent;
    }
    for (int32_t i = 0; i < buffers.vertexCount; ++i) {
        MeshVertex& vertex = buffers.vertices[i];
        const Vec3 n = vertex.normal;
        const Vec3 s = sums[i];
        const Vec3 tangent = normalise(s - n * dot(n, s));
        vertex.tangent = tangent;
        vertex.binormal = cross(n, tangent);
    }
    memFree(sums);
}
