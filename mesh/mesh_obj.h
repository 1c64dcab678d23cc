// Wavefront OBJ text of a mesh's source geometry, so that a generated mesh
// can be opened in any 3D tool.
#pragma once
#include <string>

#include "core/object_registry.h"

class Mesh;

// `v` lines for the positions, `vt` for the texture coordinates, `vn` for
// the normals, then one `f` line per triangle with 1-based
// position/texcoord/normal triples in corner order; floats with 9
// significant digits (enough to read back every float32 exactly). A mesh
// without geometry gives no lines at all.
std::string meshToObj(const Mesh& mesh);

// Writes DIRECTORY/mesh_00.obj, mesh_01.obj, ... for the meshes of the
// registry in section order. False with a reason when a file cannot be written.
bool writeMeshObjFiles(ObjectRegistry& registry, const std::string& directory, std::string& error);
