// Mesh modifiers: build steps that reshape the geometry a generator made:
// an affine transform of the positions, flat or smooth normals, a twist
// about Y, a scale and offset of the texture coordinates, and a displacement
// along the normals by a texture's blue channel.
#pragma once
#include <cstdint>

#include "mesh/vec3.h"

struct AnimTrack;
class Mesh;
class Texture;

// Scale (values 6-8, (v + 100) / 100), rotate about X, Y, Z (values 3-5,
// degrees), translate (values 0-2 / 32).
void transformVertices(Mesh& mesh, const AnimTrack& track);
// Value 0 > 0: smooth (one normal per position), else flat (one per triangle).
void computeNormals(Mesh& mesh, const AnimTrack& track);
// Turns positions about Y by an angle that grows with their distance from
// the centre (values 3-5 / 32); value 0 is the rate in degrees.
void twistVertices(Mesh& mesh, const AnimTrack& track);
// Offset (values 0-1 / 100) and scale (values 3-4, (v + 100) / 100).
void mapTexcoords(Mesh& mesh, const AnimTrack& track);
// Moves every corner's position along its normal by the blue channel of
// texture trunc(value 0) at its texture coordinate, times value 3.
void displaceVertices(Mesh& mesh, const AnimTrack& track);

// The unit normal of triangle t: normalise((P0 - P2) x (P1 - P2)); zero for
// a degenerate triangle.
Vec3 faceNormal(const Mesh& mesh, int32_t t);
// Smooth normals: for each position, the normalised sum of the face normals
// of the triangles touching it, summed in triangle order (a triangle with
// the position on two corners counts once); zero for an unused position.
// `faceNormals` holds one entry per triangle; `out` one per position.
void sumSmoothNormals(const Mesh& mesh, const Vec3* faceNormals, Vec3* out);
// Blue channel (0-255) of the texel at (u, v); coordinates repeat.
uint32_t sampleBlue(const Texture& texture, float u, float v);
