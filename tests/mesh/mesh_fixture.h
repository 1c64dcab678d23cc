// Shared by the mesh tests: a registry of meshes and textures made in code,
// and tracks applied straight through a mesh's applyTrack.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "core/memory.h"
#include "core/object_registry.h"
#include "core/track.h"
#include "mesh/mesh.h"
#include "texture/texture.h"

inline void applyTo(Mesh& mesh, uint8_t id, std::initializer_list<float> values, const char* name = nullptr)
{
    AnimTrack track;
    track.flags = TRACK_APPLY | id;
    int i = 0;
    for (float v : values) track.value[i++] = v;
    if (name) track.setName(name);
    mesh.applyTrack(track);
}

inline void applyTo(Mesh& mesh, MeshTrack id, std::initializer_list<float> values, const char* name = nullptr)
{
    applyTo(mesh, static_cast<uint8_t>(id), values, name);
}

class MeshTest : public ::testing::Test {
protected:
    ObjectRegistry registry;

    void TearDown() override { registry.clear(); }

    Mesh& addMesh()
    {
        Mesh* mesh = new Mesh();
        registry.append(SectionKind::Mesh, mesh);
        return *mesh;
    }

    // A texture of n x n pixels, every word `fill`.
    Texture& addTexture(int32_t n, uint32_t fill)
    {
        Texture* texture = new Texture();
        texture->setSize(n);
        for (int32_t i = 0; i < n * n; ++i) texture->pixels[i] = fill;
        registry.append(SectionKind::Texture, texture);
        return *texture;
    }
};

// Float comparison at the precision the constants 3.14159 and 6.28 allow.
constexpr float NEAR = 2e-5f;

inline void expectVec3(Vec3 actual, float x, float y, float z, float tolerance = NEAR)
{
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

inline bool sameBits(Vec3 a, Vec3 b) { return std::memcmp(&a, &b, sizeof(Vec3)) == 0; }
