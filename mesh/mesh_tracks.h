// The tracks of a mesh: parameter tracks (placement, material, textures,
// culling, repeats, parent), applied every frame, and build steps
// (generators, then modifiers), applied once when the mesh is built. One
// table ties each id to its name, its handler and the values it reads.
#pragma once
#include <cstdint>

#include "core/track_schema.h"

// Ids not listed here change nothing.
enum class MeshTrack : uint8_t {
    Placement = 0,
    Colours = 1,
    Textures = 2,
    RenderState = 3,
    ShareGeometry = 4,
    Repeat = 5,
    Shader = 6,
    Parent = 7,
    Grid = 10,
    Sphere = 12,
    Tube = 13,
    Text3D = 15,
    ImportMesh = 16,
    TransformVertices = 20,
    Normals = 21,
    Twist = 22,
    MapTexcoords = 24,
    Displace = 25,
};

extern const TrackTable meshTracks;

extern const ModeList materialBlendNames;
extern const ModeList cullModeNames;
extern const ModeList shaderKindNames;
extern const ModeList meshTextureNames;  // the special texture indexes: the glow texture, none

// Lengths in world units, angles in degrees, colours out of 255.
namespace MeshPlacement {
inline constexpr TrackValue x{0, "x", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue y{1, "y", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue z{2, "z", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue rotateX{3, "rotateX", ValueUnit::Degrees, -36000, 36000, 0};
inline constexpr TrackValue rotateY{4, "rotateY", ValueUnit::Degrees, -36000, 36000, 0};
inline constexpr TrackValue rotateZ{5, "rotateZ", ValueUnit::Degrees, -36000, 36000, 0};
// Each unit adds 0.1 here (0.01 in Repeat and TransformVertices).
inline constexpr TrackValue scaleX{6, "scaleX", ValueUnit::TenthScale, -1000, 1000, 0};
inline constexpr TrackValue scaleY{7, "scaleY", ValueUnit::TenthScale, -1000, 1000, 0};
inline constexpr TrackValue scaleZ{8, "scaleZ", ValueUnit::TenthScale, -1000, 1000, 0};
inline constexpr TrackValue values[] = {x, y, z, rotateX, rotateY, rotateZ, scaleX, scaleY, scaleZ};
}  // namespace MeshPlacement

namespace MeshColours {
inline constexpr TrackValue ambientRed{0, "ambientRed", ValueUnit::Colour255, 0, 255, 51};
inline constexpr TrackValue ambientGreen{1, "ambientGreen", ValueUnit::Colour255, 0, 255, 51};
inline constexpr TrackValue ambientBlue{2, "ambientBlue", ValueUnit::Colour255, 0, 255, 51};
// A negative diffuse colour lights the faces turned away from the light: a
// body lit from inside glows.
inline constexpr TrackValue diffuseRed{3, "diffuseRed", ValueUnit::Colour255, -255, 255, 217};
inline constexpr TrackValue diffuseGreen{4, "diffuseGreen", ValueUnit::Colour255, -255, 255, 217};
inline constexpr TrackValue diffuseBlue{5, "diffuseBlue", ValueUnit::Colour255, -255, 255, 217};
inline constexpr TrackValue specularRed{6, "specularRed", ValueUnit::Colour255, 0, 255, 138};
inline constexpr TrackValue specularGreen{7, "specularGreen", ValueUnit::Colour255, 0, 255, 138};
inline constexpr TrackValue specularBlue{8, "specularBlue", ValueUnit::Colour255, 0, 255, 138};
inline constexpr TrackValue shininess{9, "shininess", ValueUnit::Number, 0, 128, 20};
inline constexpr TrackValue values[] = {ambientRed, ambientGreen, ambientBlue, diffuseRed,    diffuseGreen,
                                        diffuseBlue, specularRed, specularGreen, specularBlue, shininess};
}  // namespace MeshColours

namespace MeshTextures {
inline constexpr TrackValue colour{0, "colour", ValueUnit::TextureIndex, -2, 255, -1, &meshTextureNames};  // unit 0
inline constexpr TrackValue sphereMap{3, "sphereMap", ValueUnit::TextureIndex, -2, 255, -1, &meshTextureNames};
inline constexpr TrackValue values[] = {colour, sphereMap};
}  // namespace MeshTextures

namespace MeshRenderState {
inline constexpr TrackValue blend{0, "blend", ValueUnit::Mode, 0, 2, 0, &materialBlendNames};
inline constexpr TrackValue depthWrite{3, "depthWrite", ValueUnit::Flag, 0, 1, 1};
inline constexpr TrackValue cull{6, "cull", ValueUnit::Mode, 0, 3, 0, &cullModeNames};
inline constexpr TrackValue values[] = {blend, depthWrite, cull};
}  // namespace MeshRenderState

namespace MeshShareGeometry {
inline constexpr TrackValue mesh{0, "mesh", ValueUnit::MeshIndex, 0, 254, 0};
inline constexpr TrackValue values[] = {mesh};
}  // namespace MeshShareGeometry

namespace MeshRepeat {
inline constexpr TrackValue count{0, "count", ValueUnit::Integer, 0, 1024, 0};
inline constexpr TrackValue x{3, "x", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue y{4, "y", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue z{5, "z", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue rotateX{6, "rotateX", ValueUnit::Degrees, -36000, 36000, 0};
inline constexpr TrackValue rotateY{7, "rotateY", ValueUnit::Degrees, -36000, 36000, 0};
inline constexpr TrackValue rotateZ{8, "rotateZ", ValueUnit::Degrees, -36000, 36000, 0};
inline constexpr TrackValue scale{9, "scale", ValueUnit::RelativeScale, -10000, 10000, 0};
inline constexpr TrackValue values[] = {count, x, y, z, rotateX, rotateY, rotateZ, scale};
}  // namespace MeshRepeat

namespace MeshShader {
inline constexpr TrackValue kind{0, "kind", ValueUnit::Mode, 0, 4, 0, &shaderKindNames};
inline constexpr TrackValue values[] = {kind};
}  // namespace MeshShader

namespace MeshParent {
inline constexpr TrackValue mesh{0, "mesh", ValueUnit::MeshIndex, -1, 254, -1, &noObjectNames};
inline constexpr TrackValue values[] = {mesh};
}  // namespace MeshParent

namespace MeshGrid {
inline constexpr TrackValue columns{0, "columns", ValueUnit::Integer, 1, 4096, 1};
inline constexpr TrackValue rows{1, "rows", ValueUnit::Integer, 1, 4096, 1};
inline constexpr TrackValue width{3, "width", ValueUnit::WorldUnits, -32768, 32768, 64};
inline constexpr TrackValue height{4, "height", ValueUnit::WorldUnits, -32768, 32768, 64};
inline constexpr TrackValue values[] = {columns, rows, width, height};
}  // namespace MeshGrid

namespace MeshSphere {
inline constexpr TrackValue segments{0, "segments", ValueUnit::Integer, 3, 4096, 16};  // around
inline constexpr TrackValue bands{1, "bands", ValueUnit::Integer, 3, 4096, 12};        // pole to pole
inline constexpr TrackValue radius{3, "radius", ValueUnit::WorldUnits, -32768, 32768, 32};
inline constexpr TrackValue values[] = {segments, bands, radius};
}  // namespace MeshSphere

namespace MeshTube {  // value 2 is ignored: converted to a count once, never used
inline constexpr TrackValue segments{0, "segments", ValueUnit::Integer, 1, 4096, 16};  // around
inline constexpr TrackValue rings{1, "rings", ValueUnit::Integer, 1, 4096, 1};         // along
inline constexpr TrackValue radius{3, "radius", ValueUnit::WorldUnits, -32768, 32768, 32};
inline constexpr TrackValue height{6, "height", ValueUnit::WorldUnits, -32768, 32768, 64};
inline constexpr TrackValue values[] = {segments, rings, radius, height};
}  // namespace MeshTube

namespace MeshText3D {  // the text is the track's name
inline constexpr TrackValue depth{0, "depth", ValueUnit::WorldUnits, 0, 4096, 6};
inline constexpr TrackValue values[] = {depth};
}  // namespace MeshText3D

// The placement's layout, but with relative scales.
namespace MeshTransformVertices {
using MeshPlacement::x, MeshPlacement::y, MeshPlacement::z;
using MeshPlacement::rotateX, MeshPlacement::rotateY, MeshPlacement::rotateZ;
inline constexpr TrackValue scaleX{6, "scaleX", ValueUnit::RelativeScale, -10000, 10000, 0};
inline constexpr TrackValue scaleY{7, "scaleY", ValueUnit::RelativeScale, -10000, 10000, 0};
inline constexpr TrackValue scaleZ{8, "scaleZ", ValueUnit::RelativeScale, -10000, 10000, 0};
inline constexpr TrackValue values[] = {x, y, z, rotateX, rotateY, rotateZ, scaleX, scaleY, scaleZ};
}  // namespace MeshTransformVertices

namespace MeshNormals {
inline constexpr TrackValue smoothed{0, "smoothed", ValueUnit::Flag, 0, 1, 1};  // else flat
inline constexpr TrackValue values[] = {smoothed};
}  // namespace MeshNormals

namespace MeshTwist {
inline constexpr TrackValue rate{0, "rate", ValueUnit::Degrees, -36000, 36000, 0};  // ten times this per unit
inline constexpr TrackValue x{3, "x", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue y{4, "y", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue z{5, "z", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue values[] = {rate, x, y, z};
}  // namespace MeshTwist

namespace MeshMapTexcoords {
inline constexpr TrackValue offsetU{0, "offsetU", ValueUnit::Percent, -100000, 100000, 0};
inline constexpr TrackValue offsetV{1, "offsetV", ValueUnit::Percent, -100000, 100000, 0};
inline constexpr TrackValue scaleU{3, "scaleU", ValueUnit::RelativeScale, -100000, 100000, 0};
inline constexpr TrackValue scaleV{4, "scaleV", ValueUnit::RelativeScale, -100000, 100000, 0};
inline constexpr TrackValue values[] = {offsetU, offsetV, scaleU, scaleV};
}  // namespace MeshMapTexcoords

namespace MeshDisplace {
inline constexpr TrackValue texture{0, "texture", ValueUnit::TextureIndex, -1, 255, -1, &noObjectNames};
inline constexpr TrackValue strength{3, "strength", ValueUnit::Number, -100000, 100000, 0};
inline constexpr TrackValue values[] = {texture, strength};
}  // namespace MeshDisplace
