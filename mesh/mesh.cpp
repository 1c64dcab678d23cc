#include "mesh/mesh.h"

#include <cstring>
#include <iterator>

#include "core/memory.h"
#include "core/numeric.h"
#include "core/object_registry.h"
#include "mesh/generators.h"
#include "mesh/modifiers.h"
#include "texture/texture.h"

MeshDevice meshDevice;

namespace {

template <class T>
void resizeArray(T*& array, int32_t& count, int32_t n)
{
    memFree(array);
    if (n < 0) n = 0;
    array = static_cast<T*>(memAlloc(sizeof(T) * size_t(n)));
    count = array ? n : 0;
}

Vec3 vec3Over32(const float* v) { return {v[0] / 32.0f, v[1] / 32.0f, v[2] / 32.0f}; }

void setColour(float* colour, const float* v)
{
    colour[0] = v[0] / 255.0f;
    colour[1] = v[1] / 255.0f;
    colour[2] = v[2] / 255.0f;
    colour[3] = 1.0f;
}

Texture* lookupTexture(int32_t index)
{
    if (index == GLOW_TEXTURE_INDEX) return glowTexture;
    return index >= 0 ? textureAt(index) : nullptr;
}

void applyPlacement(Mesh& mesh, const AnimTrack& track)
{
    const float* v = track.value;
    mesh.position = vec3Over32(v);
    mesh.rotation = {v[3], v[4], v[5]};
    // Each unit adds 0.1 here (0.01 in Repeat and TransformVertices).
    mesh.scale = {v[6] * 0.1f + 1.0f, v[7] * 0.1f + 1.0f, v[8] * 0.1f + 1.0f};
}

void applyColours(Mesh& mesh, const AnimTrack& track)
{
    setColour(mesh.material.ambient, track.value);
    setColour(mesh.material.diffuse, track.value + 3);
    setColour(mesh.material.specular, track.value + 6);
    mesh.material.shininess = track.value[9];
}

void applyTextures(Mesh& mesh, const AnimTrack& track)
{
    mesh.texture0 = lookupTexture(truncToInt32(track.value[0]));
    mesh.texture1 = lookupTexture(truncToInt32(track.value[3]));
}

void applyRenderState(Mesh& mesh, const AnimTrack& track)
{
    mesh.material.blendMode = truncToInt32(track.value[0]);
    mesh.material.depthWrite = track.value[3] > 0.0f ? 1 : 0;
    mesh.buffers.cullMode = truncToInt32(track.value[6]);
}

void applyShareGeometry(Mesh& mesh, const AnimTrack& track)
{
    if (Mesh* other = meshAt(truncToInt32(track.value[0]))) mesh.sharedGeometry = &other->buffers;
}

void applyRepeat(Mesh& mesh, const AnimTrack& track)
{
    const float* v = track.value;
    mesh.repeatCount = truncToInt32(v[0]);
    mesh.repeatOffset = vec3Over32(v + 3);
    mesh.repeatRotation = {v[6], v[7], v[8]};
    mesh.repeatScale = (v[9] + 100.0f) / 100.0f;
}

void applyShader(Mesh& mesh, const AnimTrack& track)
{
    selectShaderKind(mesh.material.shader, mesh.material.shaderOn, truncToInt32(track.value[0]));
}

void applyParent(Mesh& mesh, const AnimTrack& track)
{
    Mesh* candidate = meshAt(truncToInt32(track.value[0]));
    // Naming itself changes nothing; an index with no mesh clears the
    // parent; a link that would close a loop is refused.
    if (candidate == &mesh || mesh.wouldLoop(candidate)) return;
    mesh.parent = candidate;
}

struct MeshTrack {
    uint8_t id;
    const char* name;
    void (*apply)(Mesh&, const AnimTrack&);
};

// Every id a mesh reacts to; any other id changes nothing.
const MeshTrack meshTracks[] = {
    {MESH_PLACEMENT, "Placement", applyPlacement},
    {MESH_COLOURS, "Colours", applyColours},
    {MESH_TEXTURES, "Textures", applyTextures},
    {MESH_RENDER_STATE, "RenderState", applyRenderState},
    {MESH_SHARE_GEOMETRY, "ShareGeometry", applyShareGeometry},
    {MESH_REPEAT, "Repeat", applyRepeat},
    {MESH_SHADER, "Shader", applyShader},
    {MESH_PARENT, "Parent", applyParent},
    {MESH_GRID, "Grid", generateGrid},
    {MESH_SPHERE, "Sphere", generateSphere},
    {MESH_TUBE, "Tube", generateTube},
    {MESH_TEXT3D, "Text3D", makeText3D},
    {MESH_IMPORT, "ImportMesh", importMesh},
    {MESH_TRANSFORM_VERTICES, "TransformVertices", transformVertices},
    {MESH_NORMALS, "Normals", computeNormals},
    {MESH_TWIST, "Twist", twistVertices},
    {MESH_MAP_TEXCOORDS, "MapTexcoords", mapTexcoords},
    {MESH_DISPLACE, "Displace", displaceVertices},
};

const MeshTrack* findMeshTrack(uint8_t id)
{
    for (const MeshTrack& entry : meshTracks)
        if (entry.id == id) return &entry;
    return nullptr;
}

void copyGeometry(const Mesh& from, Mesh& to)
{
    to.resizePositions(from.positionCount);
    to.resizeNormals(from.normalCount);
    to.resizeTexcoords(from.texcoordCount);
    to.resizeCorners(from.cornerCount);
    std::memcpy(to.positions, from.positions, sizeof(Vec3) * size_t(to.positionCount));
    std::memcpy(to.normals, from.normals, sizeof(Vec3) * size_t(to.normalCount));
    std::memcpy(to.texcoords, from.texcoords, sizeof(TexCoord) * size_t(to.texcoordCount));
    std::memcpy(to.corners, from.corners, sizeof(MeshCorner) * size_t(to.cornerCount));
}

}  // namespace

const char* meshTrackName(uint8_t id)
{
    const MeshTrack* entry = findMeshTrack(id);
    return entry ? entry->name : nullptr;
}

int meshTrackId(std::string_view name)
{
    for (const MeshTrack& entry : meshTracks)
        if (name == entry.name) return entry.id;
    return -1;
}

Mesh* meshAt(int32_t index)
{
    if (!theRegistry) return nullptr;
    return dynamic_cast<Mesh*>(theRegistry->at(SectionKind::Mesh, index));
}

Mesh& meshWorkspace()
{
    struct Holder {
        Mesh* mesh = new Mesh();
        ~Holder() { mesh->destroy(DESTROY_FREE); }
    };
    static Holder holder;
    return *holder.mesh;
}

Mesh::Mesh() = default;

Mesh::~Mesh()
{
    clearContent();
    text.releaseGlyphs();
    buffers.releaseArrays();
    releaseProgram(material.shader);
}

void Mesh::resizePositions(int32_t n) { resizeArray(positions, positionCount, n); }
void Mesh::resizeTexcoords(int32_t n) { resizeArray(texcoords, texcoordCount, n); }
void Mesh::resizeNormals(int32_t n) { resizeArray(normals, normalCount, n); }
void Mesh::resizeCorners(int32_t n) { resizeArray(corners, cornerCount, n); }

int Mesh::applyTrack(AnimTrack& track)
{
    if (const MeshTrack* entry = findMeshTrack(track.id())) entry->apply(*this, track);
    return 0;
}

int Mesh::build()
{
    applyParamTracks();
    applyBuildTracks();
    upload();
    return 0;
}

void Mesh::clearContent()
{
    memFree(positions);
    memFree(normals);
    memFree(texcoords);
    memFree(corners);
    positions = nullptr;
    normals = nullptr;
    texcoords = nullptr;
    corners = nullptr;
    positionCount = texcoordCount = normalCount = cornerCount = 0;
    repeatCount = 0;
    buffers.releaseArrays();
    sharedGeometry = nullptr;
    parent = nullptr;
}

int Mesh::copyToWorkspace()
{
    copyGeometry(*this, meshWorkspace());
    return 0;
}

int Mesh::copyFromWorkspace()
{
    copyGeometry(meshWorkspace(), *this);
    buildVertexArray(*this);
    computeTangents(buffers);
    return 0;
}

bool Mesh::wouldLoop(const Mesh* candidate) const
{
    int depth = 0;
    for (const Mesh* m = candidate; m && depth <= MESH_MAX_PARENT_DEPTH; m = m->parent, ++depth)
        if (m == this) return true;
    return depth > MESH_MAX_PARENT_DEPTH;
}

void Mesh::upload()
{
    unload();
    buildVertexArray(*this);
    if (meshDevice.upload) meshDevice.upload(*this);
}

void Mesh::unload()
{
    if (meshDevice.unload) meshDevice.unload(*this);
    buffers.vertexBuffer = 0;
    buffers.indexBuffer = 0;
}

void Mesh::draw()
{
    if (meshDevice.draw) meshDevice.draw(*this);
}
