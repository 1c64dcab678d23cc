// Mesh generators: the build steps that throw away a mesh's source geometry
// and write a new shape (grid, sphere, tube, imported block), and the 3D
// text step, which sets the mesh's text instead of its triangles.
#pragma once
#include <cstdint>

struct AnimTrack;
class Mesh;

// No generator makes an array longer than this: it keeps every count and
// byte size of the geometry and its vertex buffer far inside int32, however
// large the counts in the project data are.
constexpr int64_t MAX_GEOMETRY_ENTRIES = int64_t(1) << 24;

// One zero normal shared by every corner: no usable normals until Normals runs.
void finishGenerator(Mesh& mesh);

void generateGrid(Mesh& mesh, const AnimTrack& track);    // values 0, 1 cells; 3, 4 size / 32
void generateSphere(Mesh& mesh, const AnimTrack& track);  // values 0, 1 segments; 3 radius / 32
void generateTube(Mesh& mesh, const AnimTrack& track);    // values 0, 1 segments; 3 radius, 6 height / 32
// A block of the named-data table: int32 V, int32 I, V records of x y z u v,
// I uint16 indices. A malformed block changes nothing.
void importMesh(Mesh& mesh, const AnimTrack& track);
// The text (the track's name) and its extrusion depth (value 0 / 32).
void makeText3D(Mesh& mesh, const AnimTrack& track);
