#include "tests/support/mesh_reference.h"

#include "mesh/modifiers.h"

void smoothNormalsByScan(const Mesh& mesh, std::vector<Vec3>& faces, std::vector<Vec3>& out)
{
    const int32_t triangles = mesh.cornerCount / 3;
    for (int32_t t = 0; t < triangles; ++t) faces[t] = faceNormal(mesh, t);
    for (int32_t i = 0; i < mesh.positionCount; ++i) {
        Vec3 sum = {0.0f, 0.0f, 0.0f};
        for (int32_t t = 0; t < triangles; ++t) {
            const MeshCorner* c = mesh.corners + 3 * t;
            if (c[0].positionIndex == i || c[1].positionIndex == i || c[2].positionIndex == i) sum = sum + faces[t];
        }
        out[i] = normalise(sum);
    }
}
