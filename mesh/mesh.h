// A Mesh: the project object of the mesh section. Its build tracks make the
// source geometry (generators, then modifiers), upload turns it into
// drawable buffers once, and its parameter tracks set placement, material,
// textures, culling, repeats and parent every frame.
#pragma once
#include <cstdint>

#include "core/project_object.h"
#include "mesh/material_shader.h"
#include "mesh/mesh_buffers.h"
#include "mesh/mesh_tracks.h"
#include "mesh/mesh_text.h"
#include "mesh/vec3.h"

class Texture;

struct TexCoord {
    float u, v;
};

// One corner of a triangle; the three indices are independent, so a position
// can be shared by triangles with different normals or texture coordinates.
struct MeshCorner {
    int32_t positionIndex;
    int32_t normalIndex;
    int32_t texcoordIndex;
};
static_assert(sizeof(MeshCorner) == 12, "a corner is three int32");

// How a material is blended; the renderer applies it. Any value but Opaque
// sorts the mesh with the see-through ones, and a value outside the list
// keeps the blending and alpha test the previous mesh left.
enum class MaterialBlend : int32_t { Opaque = 0, AlphaTest = 1, AlphaBlend = 2 };

struct MeshMaterial {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.85f, 0.85f, 0.85f, 1.0f};
    float specular[4] = {0.54f, 0.54f, 0.54f, 1.0f};
    float shininess = 20.0f;
    int32_t blendMode = 0;  // a MaterialBlend
    uint8_t depthWrite = 1;
    uint8_t shaderOn = 0;
    ShaderProgram shader;
};

// Texture index that names the glow texture; -1 names none.
constexpr int32_t GLOW_TEXTURE_INDEX = -2;

// A chain deeper than this cannot be a chain of distinct meshes (a section
// holds at most 255); the renderer's placement stops there even if a loop
// got in.
constexpr int MESH_MAX_PARENT_DEPTH = 256;

class Mesh : public ProjectObject {
public:
    // Counts in the order positions, texture coordinates, normals, corners;
    // the arrays below follow in the order positions, normals, texcoords, corners.
    int32_t positionCount = 0;
    int32_t texcoordCount = 0;
    int32_t normalCount = 0;
    int32_t cornerCount = 0;  // three per triangle
    MeshMaterial material;
    Texture* texture0 = nullptr;  // colour texture, unit 0
    Texture* texture1 = nullptr;  // sphere-mapped texture, unit 1 (the shaders' second sampler)
    // A unit given GLOW_TEXTURE_INDEX: the renderer's glow texture, which it
    // binds at drawing (the texture pointer stays null).
    bool texture0IsGlow = false;
    bool texture1IsGlow = false;
    Vec3* positions = nullptr;
    Vec3* normals = nullptr;
    TexCoord* texcoords = nullptr;
    MeshCorner* corners = nullptr;
    MeshBuffers buffers;
    MeshBuffers* sharedGeometry = nullptr;  // drawn instead of buffers when set
    Mesh* parent = nullptr;                 // its placement is applied before this mesh's
    Vec3 position = {0.0f, 0.0f, 0.0f};
    Vec3 rotation = {0.0f, 0.0f, 0.0f};  // degrees about X, Y, Z
    Vec3 scale = {1.0f, 1.0f, 1.0f};
    int32_t repeatCount = 0;  // extra copies drawn after the mesh itself
    Vec3 repeatOffset = {0.0f, 0.0f, 0.0f};
    Vec3 repeatRotation = {0.0f, 0.0f, 0.0f};
    float repeatScale = 1.0f;
    MeshText text;

    Mesh();

    // Each replaces its array by n zero-filled entries; the old content is lost.
    void resizePositions(int32_t n);
    void resizeTexcoords(int32_t n);
    void resizeNormals(int32_t n);
    void resizeCorners(int32_t n);

    // True when making `candidate` this mesh's parent would close a loop.
    bool wouldLoop(const Mesh* candidate) const;

    int copyToWorkspace() override;
    int copyFromWorkspace() override;
    int applyTrack(AnimTrack& track) override;
    int build() override;
    void clearContent() override;
    void upload() override;  // unload, the vertex and index arrays, then meshDevice.upload
    void unload() override;  // meshDevice.unload; both buffer names 0
    void draw() override;    // meshDevice.draw

protected:
    ~Mesh() override;
};

// The card's side of a Mesh. The render layer installs it while a GL
// context exists (render/object_gl.cpp); without it a Mesh is data only:
// no buffer objects, programs or glyph lists are made.
struct MeshDevice {
    void (*upload)(Mesh& mesh) = nullptr;  // buffer objects from the vertex and index arrays
    void (*unload)(Mesh& mesh) = nullptr;  // deletes the buffer objects
    void (*draw)(Mesh& mesh) = nullptr;    // placement, geometry, text, repeats
    void (*buildProgram)(ShaderProgram& shader) = nullptr;    // (re)builds from the sources
    void (*releaseProgram)(ShaderProgram& shader) = nullptr;  // deletes the program's objects
    void (*createGlyphs)(MeshText& text) = nullptr;
    void (*releaseGlyphs)(MeshText& text) = nullptr;  // only for a text whose lists were made
};
extern MeshDevice meshDevice;

// The Mesh at position `index` of the registry's mesh section, or null.
Mesh* meshAt(ObjectRegistry* registry, int32_t index);

// The one Mesh outside the project that copyToWorkspace and
// copyFromWorkspace exchange geometry with.
Mesh& meshWorkspace();
