// The modifiers: transform order, flat and smooth normals (the single-pass
// smooth sum against the plain scan of all triangles per position), twist,
// texture-coordinate mapping, and displacement by a texture's blue channel.
#include <cmath>
#include <random>
#include <vector>

#include "mesh/modifiers.h"
#include "tests/mesh/mesh_fixture.h"
#include "tests/support/mesh_reference.h"

namespace {

std::vector<Vec3> smoothNormalsByScan(const Mesh& mesh)
{
    std::vector<Vec3> faces(mesh.cornerCount / 3), out(mesh.positionCount);
    smoothNormalsByScan(mesh, faces, out);
    return out;
}

void expectSmoothMatchesScan(Mesh& mesh, const char* what)
{
    const std::vector<Vec3> expected = smoothNormalsByScan(mesh);
    applyTo(mesh, MeshTrack::Normals, {1});
    ASSERT_EQ(mesh.normalCount, mesh.positionCount) << what;
    int mismatches = 0;
    for (int32_t i = 0; i < mesh.positionCount; ++i)
        if (!sameBits(mesh.normals[i], expected[i])) ++mismatches;
    EXPECT_EQ(mismatches, 0) << what;
}

}  // namespace

using TransformVerticesTest = MeshTest;

TEST_F(TransformVerticesTest, ScalesThenRotatesThenTranslates)
{
    Mesh& mesh = addMesh();
    mesh.resizePositions(1);
    mesh.positions[0] = {1.0f, 0.0f, 0.0f};
    applyTo(mesh, MeshTrack::TransformVertices, {32, 0, 0, 0, 0, 90, 100, 0, 0});
    expectVec3(mesh.positions[0], 1.0f, 2.0f, 0.0f);

    // X is turned before Y: (0, 1, 0) goes to (0, 0, 1), then to (1, 0, 0).
    mesh.positions[0] = {0.0f, 1.0f, 0.0f};
    applyTo(mesh, MeshTrack::TransformVertices, {0, 0, 0, 90, 90, 0, 0, 0, 0});
    expectVec3(mesh.positions[0], 1.0f, 0.0f, 0.0f);
}

TEST_F(TransformVerticesTest, MirroringTurnsTubeNormalsInward)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Tube, {12, 2, 0, 32, 0, 0, 64});
    applyTo(mesh, MeshTrack::TransformVertices, {0, 0, 0, 0, 0, 0, -200, 0, 0});
    applyTo(mesh, MeshTrack::Normals, {1});
    for (int32_t i = 0; i < mesh.positionCount; ++i) {
        const Vec3 p = mesh.positions[i], n = mesh.normals[i];
        EXPECT_LT(p.x * n.x + p.z * n.z, 0.0f) << "position " << i;
    }
}

using NormalsTest = MeshTest;

TEST_F(NormalsTest, FlatAndSmoothOnOneGridCell)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Grid, {0, 0, 0, 64, 32});
    applyTo(mesh, MeshTrack::Normals, {0});
    ASSERT_EQ(mesh.normalCount, 2);
    expectVec3(mesh.normals[0], 0.0f, 0.0f, 1.0f, 0.0f);
    expectVec3(mesh.normals[1], 0.0f, 0.0f, 1.0f, 0.0f);
    const int32_t flatIndex[6] = {0, 0, 0, 1, 1, 1};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(mesh.corners[k].normalIndex, flatIndex[k]);

    applyTo(mesh, MeshTrack::Normals, {0.001f});
    ASSERT_EQ(mesh.normalCount, 4);
    for (int i = 0; i < 4; ++i) expectVec3(mesh.normals[i], 0.0f, 0.0f, 1.0f, 0.0f);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(mesh.corners[k].normalIndex, mesh.corners[k].positionIndex);
}

TEST_F(NormalsTest, DegenerateTrianglesAndUnusedPositionsGiveZero)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Sphere, {3, 3, 0, 32});
    applyTo(mesh, MeshTrack::Normals, {0});
    // The south band's first triangle has two corners on the pole.
    EXPECT_TRUE(sameBits(mesh.normals[0], {0.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(sameBits(mesh.normals[31], {0.0f, 0.0f, 0.0f}));  // a trailing zero triangle
    applyTo(mesh, MeshTrack::Normals, {1});
    EXPECT_TRUE(sameBits(mesh.normals[3], {0.0f, 0.0f, 0.0f}));   // s = A of ring 1: never referenced
    EXPECT_TRUE(sameBits(mesh.normals[8], {0.0f, 0.0f, 0.0f}));   // the stored ring B
    EXPECT_NEAR(length(mesh.normals[12]), 1.0f, 1e-6f);           // the north pole is used
}

TEST_F(NormalsTest, SinglePassSmoothSumMatchesThePlainScanBitForBit)
{
    Texture& bumps = addTexture(64, 0);
    std::mt19937 random(7);
    for (int32_t i = 0; i < 64 * 64; ++i) bumps.pixels[i] = random() & 0xFFu;

    Mesh& sphere = addMesh();
    applyTo(sphere, MeshTrack::Sphere, {60, 40, 0, 48});
    applyTo(sphere, MeshTrack::Twist, {3});
    expectSmoothMatchesScan(sphere, "sphere");

    Mesh& tube = addMesh();
    applyTo(tube, MeshTrack::Tube, {50, 50, 0, 32, 0, 0, 128});
    applyTo(tube, MeshTrack::TransformVertices, {0, 3, 0, 10, 20, 30, 5, -20, 40});
    applyTo(tube, MeshTrack::Normals, {1});
    applyTo(tube, MeshTrack::Displace, {0, 0, 0, 60});
    expectSmoothMatchesScan(tube, "displaced tube");

    // Arbitrary corners: repeated indices within a triangle, unused positions.
    Mesh& soup = addMesh();
    soup.resizePositions(40);
    soup.resizeCorners(3 * 300);
    std::uniform_real_distribution<float> coordinate(-2.0f, 2.0f);
    for (int32_t i = 0; i < 40; ++i) soup.positions[i] = {coordinate(random), coordinate(random), coordinate(random)};
    for (int32_t k = 0; k < soup.cornerCount; ++k) soup.corners[k] = {int32_t(random() % 36), 0, 0};
    expectSmoothMatchesScan(soup, "soup");
}

using TwistTest = MeshTest;

TEST_F(TwistTest, TurnsAboutYByDistanceFromTheCentre)
{
    Mesh& mesh = addMesh();
    mesh.resizePositions(2);
    mesh.positions[0] = {1.0f, 0.0f, 0.0f};
    mesh.positions[1] = {0.0f, 5.0f, 0.0f};
    applyTo(mesh, MeshTrack::Twist, {0});
    expectVec3(mesh.positions[0], 1.0f, 0.0f, 0.0f, 0.0f);
    applyTo(mesh, MeshTrack::Twist, {9});
    expectVec3(mesh.positions[0], 0.0f, 0.0f, -1.0f);
    // On the Y axis the turn moves nothing, whatever the angle.
    expectVec3(mesh.positions[1], 0.0f, 5.0f, 0.0f);

    // A centre at the point itself: distance 0, no turn.
    mesh.positions[0] = {2.0f, 0.0f, 0.0f};
    applyTo(mesh, MeshTrack::Twist, {9, 0, 0, 64, 0, 0});
    expectVec3(mesh.positions[0], 2.0f, 0.0f, 0.0f, 0.0f);
}

using MapTexcoordsTest = MeshTest;

TEST_F(MapTexcoordsTest, ScalesThenOffsets)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Grid, {2, 2, 0, 32, 32});
    applyTo(mesh, MeshTrack::MapTexcoords, {50, 0, 0, 100, 0});
    ASSERT_EQ(mesh.texcoordCount, 9);
    for (int32_t k = 0; k < 9; ++k) {
        const float u = static_cast<float>(k / 3) * 0.5f, v = static_cast<float>(k % 3) * 0.5f;
        EXPECT_FLOAT_EQ(mesh.texcoords[k].u, 2.0f * u + 0.5f) << k;
        EXPECT_FLOAT_EQ(mesh.texcoords[k].v, v) << k;
    }
    applyTo(mesh, MeshTrack::MapTexcoords, {10, 20, 0, -100, -100});
    for (int32_t k = 0; k < 9; ++k) {
        EXPECT_FLOAT_EQ(mesh.texcoords[k].u, 0.1f);
        EXPECT_FLOAT_EQ(mesh.texcoords[k].v, 0.2f);
    }
}

using DisplaceTest = MeshTest;

TEST_F(DisplaceTest, MovesEachPositionOncePerCorner)
{
    addTexture(16, 0xFF0000FFu);  // blue 255 everywhere
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Grid, {2, 2, 0, 64, 64});
    applyTo(mesh, MeshTrack::Normals, {1});
    applyTo(mesh, MeshTrack::Displace, {0, 0, 0, 40});
    EXPECT_NEAR(mesh.positions[4].z, 0.612f, 1e-6f);  // the inner position: six corners
    EXPECT_NEAR(mesh.positions[0].z, 0.102f, 1e-6f);  // a corner of the grid: one
    EXPECT_NEAR(mesh.positions[2].z, 0.204f, 1e-6f);  // two
    EXPECT_EQ(mesh.positions[4].x, 0.0f);
}

TEST_F(DisplaceTest, NeedsATextureAndNormals)
{
    addTexture(16, 0xFFFFFFFFu);
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Grid, {1, 1, 0, 32, 32});
    applyTo(mesh, MeshTrack::Displace, {0, 0, 0, 100});  // right after a generator: the zero normal
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(mesh.positions[i].z, 0.0f);
    applyTo(mesh, MeshTrack::Normals, {0});
    applyTo(mesh, MeshTrack::Displace, {-1, 0, 0, 100});
    applyTo(mesh, MeshTrack::Displace, {5, 0, 0, 100});
    applyTo(mesh, MeshTrack::Displace, {-2, 0, 0, 100});
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(mesh.positions[i].z, 0.0f);
    applyTo(mesh, MeshTrack::Displace, {0.9f, 0, 0, 100});  // index truncated to 0
    EXPECT_GT(mesh.positions[0].z, 0.0f);
}

TEST_F(DisplaceTest, SampleBlueRepeatsTheTexture)
{
    Texture& texture = addTexture(256, 0);
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x) texture.pixels[y * 256 + x] = 0xFF000000u | uint32_t(y) << 8 | uint32_t(x);
    EXPECT_EQ(sampleBlue(texture, 0.0f, 0.0f), 0u);
    EXPECT_EQ(sampleBlue(texture, 1.0f, 0.0f), 0u);
    EXPECT_EQ(sampleBlue(texture, 1.5f, 0.0f), 128u);
    EXPECT_EQ(sampleBlue(texture, -0.25f, 0.0f), 192u);
    EXPECT_EQ(sampleBlue(texture, 0.999f, 0.0f), 255u);
    // The row comes from v: green holds the row, blue the column.
    texture.pixels[192 * 256 + 128] = 0xFF0000AAu;
    EXPECT_EQ(sampleBlue(texture, 0.5f, 0.75f), 0xAAu);
    // Coordinates far outside, or not numbers at all, still land inside.
    EXPECT_LT(sampleBlue(texture, 3e9f, -3e9f), 256u);
    EXPECT_LT(sampleBlue(texture, NAN, 0.5f), 256u);
}

TEST_F(DisplaceTest, ModifiersOnAMeshWithoutGeometryDoNothing)
{
    addTexture(4, 0xFFu);
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::TransformVertices, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    applyTo(mesh, MeshTrack::Twist, {9});
    applyTo(mesh, MeshTrack::MapTexcoords, {1, 1, 0, 1, 1});
    applyTo(mesh, MeshTrack::Displace, {0, 0, 0, 1});
    applyTo(mesh, MeshTrack::Normals, {1});
    EXPECT_EQ(mesh.normalCount, 0);
    applyTo(mesh, MeshTrack::Normals, {0});
    EXPECT_EQ(mesh.normalCount, 0);
    EXPECT_EQ(mesh.positionCount, 0);
}
