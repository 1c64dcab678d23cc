#include "mesh/generators.h"

#include <cmath>
#include <cstring>

#include "core/memory.h"
#include "core/numeric.h"
#include "core/project_reader.h"
#include "core/track.h"
#include "mesh/mesh.h"
#include "mesh/mesh_tracks.h"

namespace {

// The shapes use these constants, not a more exact pi: the data was made with them.
constexpr float PI_APPROX = 3.14159f;
constexpr float FULL_TURN = 6.28f;

int32_t countAtLeast(const AnimTrack& track, const TrackValue& count)
{
    const int32_t n = readWhole(track, count);
    const auto minimum = static_cast<int32_t>(count.minimum);
    return n < minimum ? minimum : n;
}

bool fits(int64_t count) { return count >= 0 && count <= MAX_GEOMETRY_ENTRIES; }

}  // namespace

void finishGenerator(Mesh& mesh)
{
    mesh.resizeNormals(1);
    mesh.normals[0] = {0.0f, 0.0f, 0.0f};
    for (int32_t k = 0; k < mesh.cornerCount; ++k) mesh.corners[k].normalIndex = 0;
}

void generateGrid(Mesh& mesh, const AnimTrack& track)
{
    const int32_t nx = countAtLeast(track, MeshGrid::columns);
    const int32_t ny = countAtLeast(track, MeshGrid::rows);
    const float width = readValue(track, MeshGrid::width);
    const float height = readValue(track, MeshGrid::height);
    const int64_t pointCount = (int64_t(nx) + 1) * (int64_t(ny) + 1);
    if (!fits(pointCount) || !fits(6 * int64_t(nx) * ny)) return;

    const float invX = 1.0f / static_cast<float>(nx);
    const float invY = 1.0f / static_cast<float>(ny);
    const float sx = invX * width;
    const float sy = invY * height;
    mesh.resizePositions(static_cast<int32_t>(pointCount));
    mesh.resizeTexcoords(static_cast<int32_t>(pointCount));
    mesh.resizeCorners(6 * nx * ny);

    int32_t k = 0;
    for (int32_t i = 0; i <= nx; ++i) {
        for (int32_t j = 0; j <= ny; ++j, ++k) {
            const float fi = static_cast<float>(i), fj = static_cast<float>(j);
            mesh.positions[k] = {fi * sx - width * 0.5f, fj * sy - height * 0.5f, 0.0f};
            mesh.texcoords[k] = {fi * invX, fj * invY};
        }
    }
    MeshCorner* corner = mesh.corners;
    for (int32_t i = 0; i < nx; ++i) {
        for (int32_t j = 0; j < ny; ++j) {
            const int32_t a = i * (ny + 1) + j;
            const int32_t b = (i + 1) * (ny + 1) + j;
            for (int32_t index : {a, b, a + 1, a + 1, b, b + 1}) *corner++ = {index, 0, index};
        }
    }
    finishGenerator(mesh);
}

void generateSphere(Mesh& mesh, const AnimTrack& track)
{
    const int32_t around = countAtLeast(track, MeshSphere::segments);  // A
    const int32_t bands = countAtLeast(track, MeshSphere::bands);      // B
    const float radius = readValue(track, MeshSphere::radius);
    const int64_t A = around, B = bands;
    if (!fits((A + 1) * B + 2) || !fits((A + 2) * (B + 2)) || !fits(6 * (A + 1) * (B + 1))) return;

    // The arrays are sized for one ring, one texture row and one band more
    // than are used; the unused corners stay zero (degenerate triangles at
    // position 0), and the data relies on them.
    const int32_t ringLength = around + 1;
    const int32_t rowLength = around + 2;
    const int32_t poleIndex = bands * ringLength;  // P: the north pole; P + 1 the south pole
    mesh.resizePositions(poleIndex + 2);
    mesh.resizeTexcoords(rowLength * (bands + 2));
    mesh.resizeCorners(6 * (around + 1) * (bands + 1));

    const float invA = 1.0f / static_cast<float>(around);
    const float invB = 1.0f / static_cast<float>(bands);
    int32_t p = 0, t = 0;
    for (int32_t r = 0; r <= bands + 1; ++r) {
        const float phi = (static_cast<float>(r) - static_cast<float>(bands) * 0.5f) * invB * PI_APPROX;
        const bool storedRing = r > 0 && r < bands + 1;
        const float cosPhi = storedRing ? std::cos(phi) : 0.0f;
        const float sinPhi = storedRing ? std::sin(phi) : 0.0f;
        for (int32_t s = 0; s <= around + 1; ++s) {
            if (storedRing && s < around + 1) {
                const float theta = static_cast<float>(s) * invA * 2.0f * PI_APPROX;
                mesh.positions[p++] = {std::cos(theta) * radius * cosPhi, radius * sinPhi,
                                       std::sin(theta) * radius * cosPhi};
            }
            mesh.texcoords[t++] = {static_cast<float>(s) * invA, static_cast<float>(r) * invB};
        }
    }
    mesh.positions[poleIndex] = {0.0f, radius, 0.0f};
    mesh.positions[poleIndex + 1] = {0.0f, -radius, 0.0f};

    // Position row r - 1 holds ring r, so band r joins rings r and r + 1;
    // the bands next to the poles collapse one corner pair onto the pole.
    MeshCorner* corner = mesh.corners;
    for (int32_t r = 0; r < bands; ++r) {
        for (int32_t s = 0; s < around; ++s) {
            const int32_t t00 = r * rowLength + s, t01 = t00 + 1;
            const int32_t t10 = (r + 1) * rowLength + s, t11 = t10 + 1;
            const int32_t s1 = s + 1 > around - 1 ? 0 : s + 1;
            int32_t p00 = (r - 1) * ringLength + s, p01 = (r - 1) * ringLength + s1;
            int32_t p10 = r * ringLength + s, p11 = r * ringLength + s1;
            if (r == 0) p00 = p01 = poleIndex + 1;
            if (r == bands - 1) p10 = p11 = poleIndex;
            *corner++ = {p00, 0, t00};
            *corner++ = {p10, 0, t10};
            *corner++ = {p01, 0, t01};
            *corner++ = {p10, 0, t10};
            *corner++ = {p11, 0, t11};
            *corner++ = {p01, 0, t01};
        }
    }
    finishGenerator(mesh);
}

void generateTube(Mesh& mesh, const AnimTrack& track)
{
    const int32_t around = countAtLeast(track, MeshTube::segments);  // N
    const int32_t along = countAtLeast(track, MeshTube::rings);      // M
    const float radius = readValue(track, MeshTube::radius);
    const float height = readValue(track, MeshTube::height);
    const int64_t N = around, M = along;
    if (!fits(N * (M + 1)) || !fits((N + 1) * (M + 1)) || !fits(6 * N * M)) return;

    mesh.resizePositions(around * (along + 1));
    mesh.resizeTexcoords((around + 1) * (along + 1));
    mesh.resizeCorners(6 * around * along);

    const float invN = 1.0f / static_cast<float>(around);
    const float invM = 1.0f / static_cast<float>(along);
    for (int32_t i = 0; i <= around; ++i) {
        // Column i is stored in slot i + 1 (the last column in slot 0); the
        // corners below index the slots, not the columns.
        const int32_t i1 = i + 1 >= around ? 0 : i + 1;
        const float angle = static_cast<float>(i) * invN * FULL_TURN;
        const float x = std::sin(angle) * radius;
        const float z = std::cos(angle) * radius;
        for (int32_t j = 0; j <= along; ++j) {
            const float v = static_cast<float>(j) * invM;
            mesh.texcoords[i + j * (around + 1)] = {static_cast<float>(i) * invN, v};
            if (i >= around) continue;
            mesh.positions[i1 + j * around] = {x, (v - 0.5f) * height, z};
            if (j >= along) continue;
            const int32_t row = j * around, nextRow = (j + 1) * around;
            const int32_t trow = j * (around + 1), nextTrow = (j + 1) * (around + 1);
            MeshCorner* corner = mesh.corners + 6 * (i + j * around);
            corner[0] = {i + row, 0, i + trow};
            corner[1] = {i1 + row, 0, i + 1 + trow};
            corner[2] = {i + nextRow, 0, i + nextTrow};
            corner[3] = {i + nextRow, 0, i + nextTrow};
            corner[4] = {i1 + row, 0, i + 1 + trow};
            corner[5] = {i1 + nextRow, 0, i + 1 + nextTrow};
        }
    }
    finishGenerator(mesh);
}

void importMesh(Mesh& mesh, const AnimTrack& track)
{
    if (!track.name) return;
    uint32_t length = 0;
    const uint8_t* block = findNamedData(mesh.registry ? mesh.registry->namedData : NamedDataTable(), track.name, &length);
    if (!block || length < 8) return;

    const uint8_t* cursor = block;
    int32_t vertexCount = 0, indexCount = 0;
    readFrom(cursor, &vertexCount, 4);
    readFrom(cursor, &indexCount, 4);
    // The block must hold what its counts say, and every index must name a
    // vertex; anything else is refused before a byte past the block is read.
    if (!fits(vertexCount) || !fits(indexCount)) return;
    if (8 + 20 * int64_t(vertexCount) + 2 * int64_t(indexCount) > int64_t(length)) return;
    const uint8_t* indexBytes = block + 8 + 20 * size_t(vertexCount);
    for (int32_t k = 0; k < indexCount; ++k) {
        uint16_t n;
        std::memcpy(&n, indexBytes + 2 * size_t(k), 2);
        if (n >= vertexCount) return;
    }

    mesh.resizePositions(vertexCount);
    mesh.resizeTexcoords(vertexCount);
    mesh.resizeCorners(indexCount);
    for (int32_t k = 0; k < vertexCount; ++k) {
        float record[5];
        readFrom(cursor, record, sizeof record);
        mesh.positions[k] = {record[0], record[1], record[2]};
        mesh.texcoords[k] = {record[3], record[4]};
    }
    for (int32_t k = 0; k < indexCount; ++k) {
        uint16_t n;
        readFrom(cursor, &n, 2);
        mesh.corners[k] = {n, 0, n};
    }
    finishGenerator(mesh);
}

void makeText3D(Mesh& mesh, const AnimTrack& track)
{
    if (!track.name) return;
    MeshText& text = mesh.text;
    memFree(text.characters);
    text.depth = readValue(track, MeshText3D::depth);
    text.characters = memDuplicateString(track.name, std::strlen(track.name));
    text.createGlyphs();
}
