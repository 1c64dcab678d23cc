#include "mesh/modifiers.h"

#include <cmath>

#include "core/memory.h"
#include "core/numeric.h"
#include "core/track.h"
#include "mesh/mesh.h"
#include "mesh/mesh_tracks.h"
#include "texture/texture.h"

namespace {

int32_t wrap(int32_t n, int32_t size)
{
    const int32_t r = n % size;
    return r < 0 ? r + size : r;
}

}  // namespace

void transformVertices(Mesh& mesh, const AnimTrack& track)
{
    using namespace MeshTransformVertices;
    const Vec3 t = {readValue(track, x), readValue(track, y), readValue(track, z)};
    const float ax = radians(readValue(track, rotateX)), ay = radians(readValue(track, rotateY));
    const float az = radians(readValue(track, rotateZ));
    const float s[3] = {readValue(track, scaleX), readValue(track, scaleY), readValue(track, scaleZ)};
    const float cx = std::cos(ax), sx = std::sin(ax);
    const float cy = std::cos(ay), sy = std::sin(ay);
    const float cz = std::cos(az), sz = std::sin(az);
    const float rotation[3][3] = {
        {cy * cz, cy * sz, -sy},
        {sx * sy * cz - cx * sz, sx * sy * sz + cx * cz, sx * cy},
        {cx * sy * cz + sx * sz, cx * sy * sz - sx * cz, cx * cy},
    };
    float m[3][3];
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) m[i][k] = s[i] * rotation[i][k];

    // Row vector times M: scale, then X, Y, Z rotations, then the translation.
    for (int32_t i = 0; i < mesh.positionCount; ++i) {
        const Vec3 p = mesh.positions[i];
        const Vec3 q = {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0],
                        p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1],
                        p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2]};
        mesh.positions[i] = q + t;
    }
}

Vec3 faceNormal(const Mesh& mesh, int32_t t)
{
    const MeshCorner* c = mesh.corners + 3 * t;
    const Vec3 p0 = mesh.positions[c[0].positionIndex];
    const Vec3 p1 = mesh.positions[c[1].positionIndex];
    const Vec3 p2 = mesh.positions[c[2].positionIndex];
    return normalise(cross(p0 - p2, p1 - p2));
}

void sumSmoothNormals(const Mesh& mesh, const Vec3* faceNormals, Vec3* out)
{
    // One pass over the triangles instead of a scan of all triangles per
    // position: each position still receives its triangles' face normals in
    // triangle order, starting from zero, so every sum is the same float32
    // sequence of additions and the results are identical.
    const int32_t positionCount = mesh.positionCount;
    for (int32_t i = 0; i < positionCount; ++i) out[i] = {0.0f, 0.0f, 0.0f};
    const int32_t triangles = mesh.cornerCount / 3;
    for (int32_t t = 0; t < triangles; ++t) {
        const MeshCorner* c = mesh.corners + 3 * t;
        const int32_t a = c[0].positionIndex, b = c[1].positionIndex, d = c[2].positionIndex;
        const Vec3 n = faceNormals[t];
        // A triangle using a position on two corners counts once for it.
        if (a >= 0 && a < positionCount) out[a] = out[a] + n;
        if (b != a && b >= 0 && b < positionCount) out[b] = out[b] + n;
        if (d != a && d != b && d >= 0 && d < positionCount) out[d] = out[d] + n;
    }
    for (int32_t i = 0; i < positionCount; ++i) out[i] = normalise(out[i]);
}

void computeNormals(Mesh& mesh, const AnimTrack& track)
{
    const bool smooth = readFlag(track, MeshNormals::smoothed);
    const int32_t triangles = mesh.cornerCount / 3;
    Vec3* faceNormals = static_cast<Vec3*>(memAlloc(sizeof(Vec3) * size_t(triangles)));
    for (int32_t t = 0; t < triangles; ++t) faceNormals[t] = faceNormal(mesh, t);

    if (smooth) {
        mesh.resizeNormals(mesh.positionCount);
        sumSmoothNormals(mesh, faceNormals, mesh.normals);
        for (int32_t k = 0; k < mesh.cornerCount; ++k) mesh.corners[k].normalIndex = mesh.corners[k].positionIndex;
    } else {
        mesh.resizeNormals(triangles);
        for (int32_t t = 0; t < triangles; ++t) {
            mesh.normals[t] = faceNormals[t];
            for (int32_t k = 0; k < 3; ++k) mesh.corners[3 * t + k].normalIndex = t;
        }
    }
    memFree(faceNormals);
}

void twistVertices(Mesh& mesh, const AnimTrack& track)
{
    const float rate = radians(readValue(track, MeshTwist::rate));
    const Vec3 centre = {readValue(track, MeshTwist::x), readValue(track, MeshTwist::y), readValue(track, MeshTwist::z)};
    for (int32_t i = 0; i < mesh.positionCount; ++i) {
        Vec3& p = mesh.positions[i];
        const float angle = length(p - centre) * rate * 10.0f;
        const float c = std::cos(angle), s = std::sin(angle);
        const float x = p.x * c + p.z * s;
        const float z = p.z * c - p.x * s;
        p = {x, p.y, z};
    }
}

void mapTexcoords(Mesh& mesh, const AnimTrack& track)
{
    using namespace MeshMapTexcoords;
    const float u0 = readValue(track, offsetU), v0 = readValue(track, offsetV);
    const float su = readValue(track, scaleU), sv = readValue(track, scaleV);
    for (int32_t i = 0; i < mesh.texcoordCount; ++i) {
        TexCoord& t = mesh.texcoords[i];
        t = {su * t.u + u0, sv * t.v + v0};
    }
}

uint32_t sampleBlue(const Texture& texture, float u, float v)
{
    const int32_t n = texture.size;
    const float size = static_cast<float>(n);
    const int32_t x = wrap(truncToInt32(size * u), n);
    const int32_t y = wrap(truncToInt32(size * v), n);
    return texture.pixels[y * n + x] & 0xFFu;
}

void displaceVertices(Mesh& mesh, const AnimTrack& track)
{
    const int32_t index = readWhole(track, MeshDisplace::texture);
    if (index == -1) return;
    const Texture* texture = textureAt(mesh.registry, index);
    if (!texture || texture->size <= 0 || !texture->pixels) return;
    const float strength = readValue(track, MeshDisplace::strength);
    // Corner by corner: a position shared by k corners moves k times, each
    // time with that corner's normal and texture coordinate.
    for (int32_t k = 0; k < mesh.cornerCount; ++k) {
        const MeshCorner& c = mesh.corners[k];
        Vec3& p = mesh.positions[c.positionIndex];
        const Vec3 n = mesh.normals[c.normalIndex];
        const TexCoord t = mesh.texcoords[c.texcoordIndex];
        const float blue = static_cast<float>(sampleBlue(*texture, t.u, t.v));
        p = p + (n * (blue * strength)) * 0.00001f;
    }
}
