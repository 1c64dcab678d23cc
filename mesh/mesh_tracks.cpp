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
    {0, "Placement", PARAM, onMesh<applyPlacement>, MeshPlacement::values},
    {1, "Colours", PARAM, onMesh<applyColours>, MeshColours::values},
    {2, "Textures", PARAM, onMesh<applyTextures>, MeshTextures::values},
    {3, "RenderState", PARAM, onMesh<applyRenderState>, MeshRenderState::values},
    {4, "ShareGeometry", PARAM, onMesh<applyShareGeometry>, MeshShareGeometry::values},
    {5, "Repeat", PARAM, onMesh<applyRepeat>, MeshRepeat::values},
    {6, "Shader", PARAM, onMesh<applyShader>, MeshShader::values},
    {7, "Parent", PARAM, onMesh<applyParent>, MeshParent::values},
    {10, "Grid", BUILD, onMesh<generateGrid>, MeshGrid::values},
    {12, "Sphere", BUILD, onMesh<generateSphere>, MeshSphere::values},
    {13, "Tube", BUILD, onMesh<generateTube>, MeshTube::values},
    {15, "Text3D", BUILD, onMesh<makeText3D>, MeshText3D::values, {}, true},
    {16, "ImportMesh", BUILD, onMesh<importMesh>, {}, {}, true},
    {20, "TransformVertices", BUILD, onMesh<transformVertices>, MeshTransformVertices::values},
    {21, "Normals", BUILD, onMesh<computeNormals>, MeshNormals::values},
    {22, "Twist", BUILD, onMesh<twistVertices>, MeshTwist::values},
    {24, "MapTexcoords", BUILD, onMesh<mapTexcoords>, MeshMapTexcoords::values},
    {25, "Displace", BUILD, onMesh<displaceVertices>, MeshDisplace::values},
};

}  // namespace

const ModeList materialBlendNames = {"material blend", materialBlends};
const ModeList cullModeNames = {"cull mode", cullModes};
const ModeList shaderKindNames = {"shader kind", shaderKinds};
const ModeList meshTextureNames = {"texture", meshTextures};
const TrackTable meshTracks = {SectionKind::Mesh, "mesh", rows};
