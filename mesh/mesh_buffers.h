// The drawable form of a mesh: every corner expanded into a vertex of its
// own, with a tangent and binormal for the bump-mapping shaders, handed to
// the card once as a static vertex buffer and a static index buffer.
#pragma once
#include <cstddef>
#include <cstdint>

#include "mesh/vec3.h"

class Mesh;

// Generic attribute numbers of the tangent frame; the shader programs bind
// mTangent and mBinormal to the same two.
constexpr uint32_t TANGENT_ATTRIBUTE = 10;
constexpr uint32_t BINORMAL_ATTRIBUTE = 11;

// The one interleaved vertex format given to OpenGL (stride 64).
struct MeshVertex {
    Vec3 position;
    Vec3 normal;    // zero when the mesh has none
    Vec3 tangent;   // generic attribute 10
    Vec3 binormal;  // normal x tangent, generic attribute 11
    float texcoord[2];
    uint32_t reserved[2];
};
static_assert(sizeof(MeshVertex) == 64, "MeshVertex is the 64-byte interleaved layout");
static_assert(offsetof(MeshVertex, normal) == 12 && offsetof(MeshVertex, tangent) == 24 &&
                  offsetof(MeshVertex, binormal) == 36 && offsetof(MeshVertex, texcoord) == 48,
              "MeshVertex offsets are fixed by the attribute pointers");

enum class CullMode : int32_t {
    FrontFaces = 0,     // back faces culled: the outside of a closed mesh
    BothFaces = 1,      // culling off, and it stays off after the draw
    BackThenFront = 2,  // two draws, inside first, for see-through meshes
    BackFaces = 3,      // front faces culled; back-face culling restored afterwards
};

class MeshBuffers {
public:
    // The two names are adjacent: one request for two names fills both.
    uint32_t vertexBuffer = 0;  // 0 = none
    uint32_t indexBuffer = 0;
    int32_t vertexCount = 0;
    int32_t indexCount = 0;
    MeshVertex* vertices = nullptr;  // kept in main memory after the upload
    uint32_t* indices = nullptr;
    int32_t cullMode = 0;  // a CullMode; any other value draws nothing

    MeshBuffers() = default;
    MeshBuffers(const MeshBuffers&) = delete;
    MeshBuffers& operator=(const MeshBuffers&) = delete;
    // Releases the arrays; the buffer objects end with the rendering context.
    virtual ~MeshBuffers();

    // Releases both arrays and sets both counts to 0.
    void releaseArrays();
};

// Expands the mesh's source arrays into its own buffers' vertex and index
// arrays (one vertex per corner, indices 0, 1, 2, ...), then computeTangents.
void buildVertexArray(Mesh& mesh);
// Tangent and binormal of every vertex, from its triangle's positions and
// texture coordinates, made orthogonal to the vertex normal.
void computeTangents(MeshBuffers& buffers);
