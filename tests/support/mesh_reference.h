// Reference computations the mesh tests and benchmarks compare against.
#pragma once
#include <vector>

#include "mesh/mesh.h"

// Smooth normals as the plain scan: for every position, every triangle in
// order, once per triangle that has the position on any corner. `faces` and
// `out` are sized by the caller (triangles and positions), so that a
// benchmark loop allocates nothing.
void smoothNormalsByScan(const Mesh& mesh, std::vector<Vec3>& faces, std::vector<Vec3>& out);
