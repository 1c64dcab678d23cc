// The drawable form: corners expanded into vertices, tangents and binormals,
// made without a GL context (the upload: tests/render/mesh_upload_test.cpp).
#include "tests/mesh/mesh_fixture.h"

namespace {

// One triangle with the given positions, texture coordinates and normal (0, 0, 1).
void makeTriangle(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c, TexCoord ta, TexCoord tb, TexCoord tc)
{
    mesh.resizePositions(3);
    mesh.resizeTexcoords(3);
    mesh.resizeNormals(1);
    mesh.resizeCorners(3);
    mesh.positions[0] = a, mesh.positions[1] = b, mesh.positions[2] = c;
    mesh.texcoords[0] = ta, mesh.texcoords[1] = tb, mesh.texcoords[2] = tc;
    mesh.normals[0] = {0.0f, 0.0f, 1.0f};
    for (int32_t k = 0; k < 3; ++k) mesh.corners[k] = {k, 0, k};
}

}  // namespace

using VertexArrayTest = MeshTest;

TEST_F(VertexArrayTest, EveryCornerBecomesItsOwnVertex)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Grid, {1, 1, 0, 64, 32});
    applyTo(mesh, MeshTrack::Normals, {0});
    buildVertexArray(mesh);
    const MeshBuffers& buffers = mesh.buffers;
    ASSERT_EQ(buffers.vertexCount, 6);
    ASSERT_EQ(buffers.indexCount, 6);
    for (int32_t i = 0; i < 6; ++i) {
        const MeshCorner& c = mesh.corners[i];
        const MeshVertex& v = buffers.vertices[i];
        EXPECT_EQ(buffers.indices[i], uint32_t(i));
        EXPECT_TRUE(sameBits(v.position, mesh.positions[c.positionIndex])) << i;
        EXPECT_TRUE(sameBits(v.normal, mesh.normals[c.normalIndex])) << i;
        EXPECT_EQ(v.texcoord[0], mesh.texcoords[c.texcoordIndex].u);
        EXPECT_EQ(v.texcoord[1], mesh.texcoords[c.texcoordIndex].v);
        EXPECT_EQ(v.reserved[0] | v.reserved[1], 0u);
    }
    // Corners 1 and 4 share all three indices: two vertices, same contents.
    EXPECT_EQ(std::memcmp(&buffers.vertices[1], &buffers.vertices[4], sizeof(MeshVertex)), 0);

    // A rebuild replaces the arrays; a mesh without corners gives empty ones.
    mesh.clearContent();
    buildVertexArray(mesh);
    EXPECT_EQ(mesh.buffers.vertexCount, 0);
    EXPECT_EQ(mesh.buffers.indexCount, 0);
}

TEST_F(VertexArrayTest, TangentFollowsTheTextureU)
{
    Mesh& mesh = addMesh();
    makeTriangle(mesh, {0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0}, {1, 0}, {0, 1});
    buildVertexArray(mesh);
    for (int32_t i = 0; i < 3; ++i) {
        const MeshVertex& v = mesh.buffers.vertices[i];
        expectVec3(v.tangent, 1.0f, 0.0f, 0.0f, 0.0f);
        expectVec3(v.binormal, 0.0f, 1.0f, 0.0f, 0.0f);
    }
    // Texture running the other way round turns the tangent around.
    makeTriangle(mesh, {0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {1, 0}, {0, 0}, {1, 1});
    buildVertexArray(mesh);
    expectVec3(mesh.buffers.vertices[0].tangent, -1.0f, 0.0f, 0.0f, 0.0f);
    expectVec3(mesh.buffers.vertices[0].binormal, 0.0f, -1.0f, 0.0f, 0.0f);
}

TEST_F(VertexArrayTest, TangentIsMadeOrthogonalToTheNormal)
{
    Mesh& mesh = addMesh();
    makeTriangle(mesh, {0, 0, 0}, {1, 0, 1}, {0, 1, 0}, {0, 0}, {1, 0}, {0, 1});
    buildVertexArray(mesh);
    // Raw tangent (1, 0, 1); less its part along (0, 0, 1): (1, 0, 0).
    expectVec3(mesh.buffers.vertices[2].tangent, 1.0f, 0.0f, 0.0f, 1e-7f);
    expectVec3(mesh.buffers.vertices[2].binormal, 0.0f, 1.0f, 0.0f, 1e-7f);
}

TEST_F(VertexArrayTest, DegenerateTextureCoordinatesGiveZeroTangents)
{
    Mesh& mesh = addMesh();
    makeTriangle(mesh, {0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f});
    buildVertexArray(mesh);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(sameBits(mesh.buffers.vertices[i].tangent, {0, 0, 0})) << i;
        const Vec3 b = mesh.buffers.vertices[i].binormal;
        EXPECT_EQ(b.x, 0.0f);
        EXPECT_EQ(b.y, 0.0f);
        EXPECT_EQ(b.z, 0.0f);
    }
    // A generator's zero normal with sound coordinates: the raw tangent, normalised.
    applyTo(mesh, MeshTrack::Grid, {1, 1, 0, 64, 64});
    buildVertexArray(mesh);
    expectVec3(mesh.buffers.vertices[0].tangent, 1.0f, 0.0f, 0.0f, 0.0f);
    expectVec3(mesh.buffers.vertices[0].binormal, 0.0f, 0.0f, 0.0f, 0.0f);
}
