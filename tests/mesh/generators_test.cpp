// The shapes the generators make: counts, positions, texture coordinates and
// the corner tables, including the sphere's unused ring and trailing
// degenerate corners and the tube's shifted column slots.
#include <cmath>
#include <cstring>
#include <vector>

#include "core/project_reader.h"
#include "mesh/generators.h"
#include "tests/mesh/mesh_fixture.h"

namespace {

std::vector<int32_t> positionIndices(const Mesh& mesh)
{
    std::vector<int32_t> out;
    for (int32_t k = 0; k < mesh.cornerCount; ++k) out.push_back(mesh.corners[k].positionIndex);
    return out;
}

void expectFinished(const Mesh& mesh)
{
    ASSERT_EQ(mesh.normalCount, 1);
    EXPECT_TRUE(sameBits(mesh.normals[0], {0.0f, 0.0f, 0.0f}));
    for (int32_t k = 0; k < mesh.cornerCount; ++k) EXPECT_EQ(mesh.corners[k].normalIndex, 0) << "corner " << k;
}

}  // namespace

using GridTest = MeshTest;

TEST_F(GridTest, SingleCellHasFourPositionsAndTwoTriangles)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Grid, {0, 0, 0, 64, 32});
    ASSERT_EQ(mesh.positionCount, 4);
    ASSERT_EQ(mesh.texcoordCount, 4);
    ASSERT_EQ(mesh.cornerCount, 6);
    expectVec3(mesh.positions[0], -1.0f, -0.5f, 0.0f, 0.0f);
    expectVec3(mesh.positions[1], -1.0f, 0.5f, 0.0f, 0.0f);
    expectVec3(mesh.positions[2], 1.0f, -0.5f, 0.0f, 0.0f);
    expectVec3(mesh.positions[3], 1.0f, 0.5f, 0.0f, 0.0f);
    EXPECT_EQ(positionIndices(mesh), (std::vector<int32_t>{0, 2, 1, 1, 2, 3}));
    for (int32_t k = 0; k < 6; ++k) EXPECT_EQ(mesh.corners[k].texcoordIndex, mesh.corners[k].positionIndex);
    EXPECT_EQ(mesh.texcoords[3].u, 1.0f);
    EXPECT_EQ(mesh.texcoords[3].v, 1.0f);
    expectFinished(mesh);
}

TEST_F(GridTest, CellsRunColumnByColumnAndNegativeWidthMirrors)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Grid, {2, 3, 0, -64, 96});
    ASSERT_EQ(mesh.positionCount, 12);
    ASSERT_EQ(mesh.cornerCount, 36);
    // k = i * (ny + 1) + j: position 4 is column 1, row 0; width -2 mirrors x.
    expectVec3(mesh.positions[4], 0.0f, -1.5f, 0.0f, 0.0f);
    expectVec3(mesh.positions[11], -1.0f, 1.5f, 0.0f, 0.0f);
    // Cell (1, 2) is the last: a = 1 * 4 + 2 = 6, b = 10.
    const std::vector<int32_t> indices = positionIndices(mesh);
    EXPECT_EQ(std::vector<int32_t>(indices.begin() + 30, indices.end()), (std::vector<int32_t>{6, 10, 7, 7, 10, 11}));
}

using SphereTest = MeshTest;

TEST_F(SphereTest, SmallCountsGiveTheThreeByThreeSphereWithTrailingZeroCorners)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Sphere, {1, -5, 0, 32});
    ASSERT_EQ(mesh.positionCount, 14);
    ASSERT_EQ(mesh.texcoordCount, 25);
    ASSERT_EQ(mesh.cornerCount, 96);
    for (int32_t k = 54; k < 96; ++k) {
        const MeshCorner& c = mesh.corners[k];
        EXPECT_TRUE(c.positionIndex == 0 && c.normalIndex == 0 && c.texcoordIndex == 0) << "corner " << k;
    }
    // The last written pair (band 2, segment 2) closes on segment 0 and the north pole 12.
    const std::vector<int32_t> indices = positionIndices(mesh);
    EXPECT_EQ(std::vector<int32_t>(indices.begin() + 48, indices.begin() + 54), (std::vector<int32_t>{6, 12, 4, 12, 12, 4}));
    // Poles are the last two positions.
    expectVec3(mesh.positions[12], 0.0f, 1.0f, 0.0f, 0.0f);
    expectVec3(mesh.positions[13], 0.0f, -1.0f, 0.0f, 0.0f);
    expectFinished(mesh);
}

TEST_F(SphereTest, BandsCloseOnThePolesAndTheSeam)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Sphere, {4, 3, 0, 32});
    const int32_t A = 4, B = 3, P = B * (A + 1);
    ASSERT_EQ(mesh.positionCount, P + 2);
    // Band 0, segment 0: (south, ring row 0 s0, south), (row 0 s0, row 0 s1, south).
    const MeshCorner* c = mesh.corners;
    EXPECT_EQ(c[0].positionIndex, P + 1);
    EXPECT_EQ(c[1].positionIndex, 0);
    EXPECT_EQ(c[2].positionIndex, P + 1);
    EXPECT_EQ(c[4].positionIndex, 1);
    // Texture rows are A + 2 long: t10 of band 0, segment 0 is 6.
    EXPECT_EQ(c[1].texcoordIndex, A + 2);
    // The last segment closes on the first: band 1, s = 3 uses s1 = 0.
    const MeshCorner* last = mesh.corners + 6 * (1 * A + 3);
    EXPECT_EQ(last[2].positionIndex, 0);   // p01 = row 0, s1 0
    EXPECT_EQ(last[4].positionIndex, 5);   // p11 = row 1, s1 0
    EXPECT_EQ(last[3].texcoordIndex, 2 * (A + 2) + 3);  // t10 keeps its own column
    // The top band collapses onto the north pole.
    const MeshCorner* top = mesh.corners + 6 * (2 * A);
    EXPECT_EQ(top[1].positionIndex, P);
    EXPECT_EQ(top[4].positionIndex, P);

    // No corner references the stored ring B or the s = A position of any ring.
    for (int32_t k = 0; k < 6 * A * B; ++k) {
        const int32_t p = mesh.corners[k].positionIndex;
        if (p >= P) continue;
        EXPECT_LT(p / (A + 1), B - 1) << "corner " << k;
        EXPECT_LT(p % (A + 1), A) << "corner " << k;
    }
}

TEST_F(SphereTest, RingsUseTheApproximatePi)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Sphere, {4, 4, 0, 64});
    // Ring r = 1 (row 0) lies at phi = (1 - 2) / 4 * 3.14159, s = 1 at theta = 1/4 * 2 * 3.14159.
    const float phi = (1.0f - 4.0f * 0.5f) * (1.0f / 4.0f) * 3.14159f;
    const float theta = 1.0f * (1.0f / 4.0f) * 2.0f * 3.14159f;
    const Vec3 p = mesh.positions[1];
    EXPECT_FLOAT_EQ(p.x, std::cos(theta) * 2.0f * std::cos(phi));
    EXPECT_FLOAT_EQ(p.y, 2.0f * std::sin(phi));
    EXPECT_FLOAT_EQ(p.z, std::sin(theta) * 2.0f * std::cos(phi));
    // The stored ring B sits at +90 degrees of the approximate pi: not exactly on the axis.
    const Vec3 top = mesh.positions[3 * 5];
    EXPECT_NE(top.x, 0.0f);
    EXPECT_NEAR(top.y, 2.0f, 1e-5f);
    // Texture rows run r / B up to (B + 1) / B.
    EXPECT_EQ(mesh.texcoords[6 * 5 + 5].u, 5.0f * 0.25f);
    EXPECT_EQ(mesh.texcoords[6 * 5 + 5].v, 5.0f * 0.25f);
}

using TubeTest = MeshTest;

TEST_F(TubeTest, ColumnsAreStoredOneSlotOn)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Tube, {4, 1, 0, 32, 0, 0, 64});
    ASSERT_EQ(mesh.positionCount, 8);
    ASSERT_EQ(mesh.texcoordCount, 10);
    ASSERT_EQ(mesh.cornerCount, 24);
    const float step = 0.25f * 6.28f;
    expectVec3(mesh.positions[1], 0.0f, -1.0f, 1.0f, 0.0f);
    expectVec3(mesh.positions[2], std::sin(step), -1.0f, std::cos(step), 1e-6f);
    const float lastAngle = 3.0f * 0.25f * 6.28f;
    expectVec3(mesh.positions[0], std::sin(lastAngle), -1.0f, std::cos(lastAngle), 1e-6f);
    expectVec3(mesh.positions[5], 0.0f, 1.0f, 1.0f, 0.0f);  // row 1, column 0
    // The seam has its own texture column: u = 1 at column N.
    EXPECT_EQ(mesh.texcoords[4].u, 1.0f);
    EXPECT_EQ(mesh.texcoords[4 + 5].v, 1.0f);
    // Cell (i = 3, j = 0): slots 3 and 0, texture columns 3 and 4.
    const MeshCorner* c = mesh.corners + 18;
    const int32_t expected[6][2] = {{3, 3}, {0, 4}, {7, 8}, {7, 8}, {0, 4}, {4, 9}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(c[k].positionIndex, expected[k][0]) << "corner " << k;
        EXPECT_EQ(c[k].texcoordIndex, expected[k][1]) << "corner " << k;
    }
    expectFinished(mesh);
}

TEST_F(TubeTest, SingleColumnAndHugeCounts)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Tube, {0, 0, 0, 32, 0, 0, 32});
    EXPECT_EQ(mesh.positionCount, 2);
    EXPECT_EQ(mesh.cornerCount, 6);
    // Counts whose arrays could not be addressed leave the geometry alone.
    applyTo(mesh, MeshTrack::Tube, {1e8f, 1e8f, 0, 32, 0, 0, 32});
    applyTo(mesh, MeshTrack::Sphere, {1e6f, 1e6f, 0, 32});
    applyTo(mesh, MeshTrack::Grid, {70000, 70000, 0, 32, 32});
    EXPECT_EQ(mesh.positionCount, 2);
    EXPECT_EQ(mesh.cornerCount, 6);
}

TEST_F(TubeTest, LaterGeneratorReplacesTheGeometry)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Sphere, {10, 10, 0, 32});
    applyTo(mesh, MeshTrack::Normals, {1});
    applyTo(mesh, MeshTrack::Grid, {0, 0, 0, 32, 32});
    EXPECT_EQ(mesh.positionCount, 4);
    EXPECT_EQ(mesh.cornerCount, 6);
    expectFinished(mesh);
}

// ImportMesh reads a block of the named-data table.
class ImportMeshTest : public MeshTest {
protected:
    std::vector<uint8_t> table;

    template <class T>
    static void put(std::vector<uint8_t>& out, T value)
    {
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&value);
        out.insert(out.end(), bytes, bytes + sizeof(T));
    }

    static std::vector<uint8_t> block(int32_t v, int32_t i, const std::vector<float>& records,
                                      const std::vector<uint16_t>& indices)
    {
        std::vector<uint8_t> out;
        put(out, v);
        put(out, i);
        for (float f : records) put(out, f);
        for (uint16_t n : indices) put(out, n);
        return out;
    }

    void attach(const char* name, const std::vector<uint8_t>& data)
    {
        table.insert(table.end(), name, name + std::strlen(name) + 1);
        put(table, static_cast<uint32_t>(data.size()));
        table.insert(table.end(), data.begin(), data.end());
        registry.namedData = {table.data(), table.size()};
    }
};

TEST_F(ImportMeshTest, ReadsVerticesAndIndices)
{
    attach("tri", block(3, 3, {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 2}));
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::ImportMesh, {}, "tri");
    ASSERT_EQ(mesh.positionCount, 3);
    ASSERT_EQ(mesh.texcoordCount, 3);
    ASSERT_EQ(mesh.cornerCount, 3);
    expectVec3(mesh.positions[1], 1.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(mesh.texcoords[2].v, 1.0f);
    EXPECT_EQ(mesh.corners[2].positionIndex, 2);
    EXPECT_EQ(mesh.corners[2].texcoordIndex, 2);
    expectFinished(mesh);
}

TEST_F(ImportMeshTest, MissingOrMalformedBlocksKeepThePreviousGeometry)
{
    attach("short", block(3, 3, {0, 0, 0, 0, 0}, {}));                                      // fewer records than V
    attach("index", block(2, 3, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1}, {0, 1, 2}));                // index 2 of 2 vertices
    attach("negative", block(-1, 0, {}, {}));
    attach("tiny", {1, 0});
    attach("indices", block(1, 4, {0, 0, 0, 0, 0}, {0, 0, 0}));                            // one index short
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Grid, {0, 0, 0, 32, 32});
    for (const char* name : {"short", "index", "negative", "tiny", "indices", "absent"}) {
        applyTo(mesh, MeshTrack::ImportMesh, {}, name);
        EXPECT_EQ(mesh.positionCount, 4) << name;
        EXPECT_EQ(mesh.cornerCount, 6) << name;
    }
    applyTo(mesh, MeshTrack::ImportMesh, {});  // no name
    EXPECT_EQ(mesh.cornerCount, 6);
}
