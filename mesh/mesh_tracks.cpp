#include "mesh/mesh_tracks.h"

#include "mesh/generators.h"
#include "mesh/mesh.h"
#include "mesh/modifiers.h"
#include "texture/texture.h"

namespace {

template <void (*Apply)(Mesh&, const AnimTrack&)>
constexpr TrackHandler onMesh = handlerFor<Mesh, Apply>;

Vec3 vectorOf(const AnimTrack& track, const TrackValue& x, const TrackValue& y, const TrackValue& z)
{
    return {readValue(track, x), readValue(track, y), readValue(track, z)};
}

void setColour(float* colour, const AnimTrack& track, const TrackValue& red, const TrackValue& green,
               const TrackValue& blue)
{
    colour[0] = readValue(track, red);
    colour[1] = readValue(track, green);
    colour[2] = readValue(track, blue);
    colour[3] = 1.0f;
}

Texture* lookupTexture(const Mesh& mesh, int32_t index)
{
    return index >= 0 ? textureAt(mesh.registry, index) : nullptr;
}

void applyPlacement(Mesh& mesh, const AnimTrack& track)
{
    using namespace MeshPlacement;
    mesh.position = vectorOf(track, x, y, z);
    mesh.rotation = vectorOf(track, rotateX, rotateY, rotateZ);
    mesh.scale = vectorOf(track, scaleX, scaleY, scaleZ);
}

void applyColours(Mesh& mesh, const AnimTrack& track)
{
    using namespace MeshColours;
    setColour(mesh.material.ambient, track, ambientRed, ambientGreen, ambientBlue);
    setColour(mesh.material.diffuse, track, diffuseRed, diffuseGreen, diffuseBlue);
    setColour(mesh.material.specular, track, specularRed, specularGreen, specularBlue);
    mesh.material.shininess = readValue(track, shininess);
}

void applyTextures(Mesh& mesh, const AnimTrack& track)
{
    const int32_t colour = readWhole(track, MeshTextures::colour);
    const int32_t sphereMap = readWhole(track, MeshTextures::sphereMap);
    mesh.texture0 = lookupTexture(mesh, colour);
    mesh.texture1 = lookupTexture(mesh, sphereMap);
    mesh.texture0IsGlow = colour == GLOW_TEXTURE_INDEX;
    mesh.texture1IsGlow = sphereMap == GLOW_TEXTURE_INDEX;
}

void applyRenderState(Mesh& mesh, const AnimTrack& track)
{
    mesh.material.blendMode = readWhole(track, MeshRenderState::blend);
    mesh.material.depthWrite = readFlag(track, MeshRenderState::depthWrite) ? 1 : 0;
    mesh.buffers.cullMode = readWhole(track, MeshRenderState::cull);
}

void applyShareGeometry(Mesh& mesh, const AnimTrack& track)
{
    if (Mesh* other = meshAt(mesh.registry, readWhole(track, MeshShareGeometry::mesh))) mesh.sharedGeometry = &other->buffers;
}

void applyRepeat(Mesh& mesh, const AnimTrack& track)
{
    using namespace MeshRepeat;
    mesh.repeatCount = readWhole(track, count);
    mesh.repeatOffset = vectorOf(track, x, y, z);
    mesh.repeatRotation = vectorOf(track, rotateX, rotateY, rotateZ);
    mesh.repeatScale = readValue(track, scale);
}

void applyShader(Mesh& mesh, const AnimTrack& track)
{
    selectShaderKind(mesh.material.shader, mesh.material.shaderOn, readWhole(track, MeshShader::kind));
}

void applyParent(Mesh& mesh, const AnimTrack& track)
{
    Mesh* candidate = meshAt(mesh.registry, readWhole(track, MeshParent::mesh));
    // Naming itself changes nothing; an index with no mesh clears the
    // parent; a link that would close a loop is refused.
    if (candidate == &mesh || mesh.wouldLoop(candidate)) return;
    mesh.parent = candidate;
}

constexpr ModeName materialBlends[] = {
    {static_cast<int32_t>(MaterialBlend::Opaque), "opaque", "no blending, no alpha test"},
    {static_cast<int32_t>(MaterialBlend::AlphaTest), "alphaTest", "pixels with alpha 0 are dropped"},
    {static_cast<int32_t>(MaterialBlend::AlphaBlend), "alphaBlend", "blended by alpha, drawn after the opaque meshes"},
};

constexpr ModeName cullModes[] = {
    {static_cast<int32_t>(CullMode::FrontFaces), "frontFaces", "back faces culled"},
    {static_cast<int32_t>(CullMode::BothFaces), "bothFaces", "no culling"},
    {static_cast<int32_t>(CullMode::BackThenFront), "backThenFront", "inside first, then outside"},
    {static_cast<int32_t>(CullMode::BackFaces), "backFaces", "front faces culled"},
};

constexpr ModeName shaderKinds[] = {
    {static_cast<int32_t>(ShaderKind::None), "none", "fixed-function lighting"},
    {static_cast<int32_t>(ShaderKind::Phong), "phong", "per-pixel lighting"},
    {static_cast<int32_t>(ShaderKind::BumpFresnel), "bumpFresnel", "normal map with a Fresnel rim"},
    {static_cast<int32_t>(ShaderKind::BumpReflect), "bumpReflect", "normal map with a reflection"},
    {static_cast<int32_t>(ShaderKind::ReflectLayer), "reflectLayer", "a reflection over the colour texture"},
};

constexpr ModeName meshTextures[] = {
    {GLOW_TEXTURE_INDEX, "glow", "the glow texture"},
    {-1, "none", "no texture"},
};

constexpr TrackRole PARAM = TrackRole::Param;
constexpr TrackRole BUILD = TrackRole::Build;

// Every id a mesh reacts to; any other id changes nothing.
constexpr TrackRow rows[] = {
    {0, "Placement", PARAM, onMesh<applyPlacement>,
     "Places the mesh, under its parent's placement: scaled, turned about Z, then Y, then X, then moved; a scale "
     "unit adds 0.1 to the factor 1 (0.01 in `Repeat` and `TransformVertices`).",
     MeshPlacement::values},
    {1, "Colours", PARAM, onMesh<applyColours>,
     "The material's ambient, diffuse and specular colours and its specular exponent; the lights' colours "
     "multiply them, and without `Normals` only the ambient one shows.",
     MeshColours::values},
    {2, "Textures", PARAM, onMesh<applyTextures>,
     "The colour texture, on the mesh's texture coordinates and multiplied by its lighting, and `sphereMap`, "
     "multiplied in as a sphere-mapped reflection (the shaders read it as a normal map instead); `glow` is the "
     "128 x 128 copy of the frame's lit meshes.",
     MeshTextures::values},
    {3, "RenderState", PARAM, onMesh<applyRenderState>,
     "How the mesh is blended (`alphaTest` and `alphaBlend` meshes are drawn after the opaque ones, farthest "
     "first, the opaque ones nearest first), whether it writes depth, and which faces are culled.",
     MeshRenderState::values},
    {4, "ShareGeometry", PARAM, onMesh<applyShareGeometry>,
     "Draws another mesh's geometry, with that mesh's cull mode, instead of this mesh's own, under this mesh's "
     "placement, material and textures; an index with no mesh changes nothing.",
     MeshShareGeometry::values},
    {5, "Repeat", PARAM, onMesh<applyRepeat>,
     "Draws `count` more copies of the geometry (not the text), each one step (move, turn, scale) on from the one "
     "before, so the steps add up; a scale unit adds 0.01 (0.1 in `Placement`).",
     MeshRepeat::values},
    {6, "Shader", PARAM, onMesh<applyShader>,
     "Draws the mesh with a per-pixel program where the card runs them, lit by the first light of the show only; "
     "the programs take the colour from the colour texture (give one, a white `Fill` at least) and need "
     "`Normals`, the bump kinds a `NormalMap` texture as `sphereMap`.",
     MeshShader::values},
    {7, "Parent", PARAM, onMesh<applyParent>,
     "Carries the mesh by another mesh's placement (and that one's parent's), active or not; `none` clears it, "
     "and a link that would close a loop is refused.",
     MeshParent::values},
    {10, "Grid", BUILD, onMesh<generateGrid>,
     "Replaces the geometry with a flat `width` x `height` rectangle of `columns` x `rows` cells, centred on the "
     "origin in the XY plane and facing +Z; like every generator it leaves the normals zero until `Normals`.",
     MeshGrid::values},
    {12, "Sphere", BUILD, onMesh<generateSphere>,
     "Replaces the geometry with a latitude-longitude sphere about the origin, poles on the Y axis; its normals "
     "stay zero until `Normals`.",
     MeshSphere::values},
    {13, "Tube", BUILD, onMesh<generateTube>,
     "Replaces the geometry with an open cylinder (no caps) about the Y axis, centred on the origin, facing "
     "outward; its normals stay zero until `Normals`.",
     MeshTube::values},
    {15, "Text3D", BUILD, onMesh<makeText3D>,
     "Adds the track's name as extruded text, one unit (32 world units) to the em from the origin along +X, drawn "
     "after the geometry, which it leaves as it is; the last character is not drawn, so end the text with a "
     "space.",
     MeshText3D::values, {}, true},
    {16, "ImportMesh", BUILD, onMesh<importMesh>,
     "Replaces the geometry with the mesh that the show's named data holds under the track's name; no show "
     "carries named data yet, so today it does nothing.",
     {}, {}, true},
    {20, "TransformVertices", BUILD, onMesh<transformVertices>,
     "Moves the vertices once, when the mesh is built: scaled, turned about X, then Y, then Z (the reverse of "
     "`Placement`), then moved; a scale unit adds 0.01 (0.1 in `Placement`), and the normals stay as they were.",
     MeshTransformVertices::values},
    {21, "Normals", BUILD, onMesh<computeNormals>,
     "Computes flat or smooth normals from the triangles as they stand; until it runs a mesh is lit by ambient "
     "light alone and `Displace` moves nothing, so run it after the steps that move vertices and before "
     "`Displace`.",
     MeshNormals::values},
    {22, "Twist", BUILD, onMesh<twistVertices>,
     "Turns each vertex about the Y axis through the origin by ten times `rate` degrees per unit of its distance "
     "from (`x`, `y`, `z`); the normals stay as they were.",
     MeshTwist::values},
    {24, "MapTexcoords", BUILD, onMesh<mapTexcoords>,
     "Scales and moves the texture coordinates: u becomes u x (1 + `scaleU` / 100) + `offsetU` / 100, so "
     "`scaleU=100` repeats the texture twice.",
     MeshMapTexcoords::values},
    {25, "Displace", BUILD, onMesh<displaceVertices>,
     "Moves vertices along their normals by `strength` x the texture's blue (0 to 255) / 100000 units (a unit is "
     "32 world units), once for every triangle corner that uses the vertex; it does nothing without `Normals` "
     "before it.",
     MeshDisplace::values},
};

}  // namespace

const ModeList materialBlendNames = {"material blend", materialBlends};
const ModeList cullModeNames = {"cull mode", cullModes};
const ModeList shaderKindNames = {"shader kind", shaderKinds};
const ModeList meshTextureNames = {"texture", meshTextures};
const TrackTable meshTracks = {SectionKind::Mesh, "mesh", rows};
