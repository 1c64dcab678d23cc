// The Mesh object without drawing: defaults, what each parameter track sets,
// the ids that change nothing, parent links that would loop, clearing, the
// workspace copy, and the names that project sources use.
#include <cstring>
#include <vector>

#include "scene/object_kinds.h"
#include "authoring/project_source.h"
#include "tests/mesh/mesh_fixture.h"

using MeshObjectTest = MeshTest;

TEST_F(MeshObjectTest, FreshMeshHasItsDefaults)
{
    const Mesh& mesh = addMesh();
    expectVec3(mesh.scale, 1.0f, 1.0f, 1.0f, 0.0f);
    expectVec3(mesh.position, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(mesh.repeatScale, 1.0f);
    EXPECT_EQ(mesh.repeatCount, 0);
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f}, diffuse[4] = {0.85f, 0.85f, 0.85f, 1.0f},
                specular[4] = {0.54f, 0.54f, 0.54f, 1.0f};
    EXPECT_EQ(std::memcmp(mesh.material.ambient, ambient, sizeof ambient), 0);
    EXPECT_EQ(std::memcmp(mesh.material.diffuse, diffuse, sizeof diffuse), 0);
    EXPECT_EQ(std::memcmp(mesh.material.specular, specular, sizeof specular), 0);
    EXPECT_EQ(mesh.material.shininess, 20.0f);
    EXPECT_EQ(mesh.material.blendMode, 0);
    EXPECT_EQ(mesh.material.depthWrite, 1);
    EXPECT_EQ(mesh.material.shaderOn, 0);
    EXPECT_EQ(mesh.text.depth, 0.2f);
    EXPECT_EQ(mesh.text.characters, nullptr);
    EXPECT_EQ(mesh.texture0, nullptr);
    EXPECT_EQ(mesh.texture1, nullptr);
    EXPECT_EQ(mesh.parent, nullptr);
    EXPECT_EQ(mesh.sharedGeometry, nullptr);
    EXPECT_EQ(mesh.buffers.cullMode, 0);
    EXPECT_EQ(mesh.buffers.vertexBuffer, 0u);
    EXPECT_EQ(mesh.positionCount + mesh.normalCount + mesh.texcoordCount + mesh.cornerCount, 0);
}

TEST_F(MeshObjectTest, PlacementColoursRepeatAndRenderState)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Placement, {32, 0, -64, 90, 0, 0, 0, 10, -10});
    expectVec3(mesh.position, 1.0f, 0.0f, -2.0f, 0.0f);
    expectVec3(mesh.rotation, 90.0f, 0.0f, 0.0f, 0.0f);
    expectVec3(mesh.scale, 1.0f, 2.0f, 0.0f, 0.0f);

    applyTo(mesh, MeshTrack::Colours, {255, 0, 51, 0, 255, 0, 127.5f, 127.5f, 127.5f, 64});
    EXPECT_FLOAT_EQ(mesh.material.ambient[0], 1.0f);
    EXPECT_FLOAT_EQ(mesh.material.ambient[2], 0.2f);
    EXPECT_FLOAT_EQ(mesh.material.diffuse[1], 1.0f);
    EXPECT_FLOAT_EQ(mesh.material.specular[2], 0.5f);
    EXPECT_EQ(mesh.material.ambient[3] + mesh.material.diffuse[3] + mesh.material.specular[3], 3.0f);
    EXPECT_EQ(mesh.material.shininess, 64.0f);

    applyTo(mesh, MeshTrack::Repeat, {3, 0, 0, 64, 0, -32, 10, 20, 30, -50});
    EXPECT_EQ(mesh.repeatCount, 3);
    expectVec3(mesh.repeatOffset, 2.0f, 0.0f, -1.0f, 0.0f);
    expectVec3(mesh.repeatRotation, 10.0f, 20.0f, 30.0f, 0.0f);
    EXPECT_EQ(mesh.repeatScale, 0.5f);

    applyTo(mesh, MeshTrack::RenderState, {1.9f, 0, 0, 0, 0, 0, 3.7f});
    EXPECT_EQ(mesh.material.blendMode, 1);
    EXPECT_EQ(mesh.material.depthWrite, 0);
    EXPECT_EQ(mesh.buffers.cullMode, 3);
    applyTo(mesh, MeshTrack::RenderState, {0, 0, 0, 0.5f});
    EXPECT_EQ(mesh.material.depthWrite, 1);
    applyTo(mesh, MeshTrack::RenderState, {0, 0, 0, -1});
    EXPECT_EQ(mesh.material.depthWrite, 0);
}

TEST_F(MeshObjectTest, TexturesLookUpTheTextureSection)
{
    Texture& first = addTexture(4, 0);
    Texture& second = addTexture(4, 0);
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Textures, {1.7f, 0, 0, 0});
    EXPECT_EQ(mesh.texture0, &second);
    EXPECT_EQ(mesh.texture1, &first);
    applyTo(mesh, MeshTrack::Textures, {-1, 0, 0, 99});
    EXPECT_EQ(mesh.texture0, nullptr);
    EXPECT_EQ(mesh.texture1, nullptr);
    applyTo(mesh, MeshTrack::Textures, {-2, 0, 0, -3});
    EXPECT_EQ(mesh.texture0, nullptr);
    EXPECT_TRUE(mesh.texture0IsGlow);  // bound by the renderer, which owns it
    EXPECT_EQ(mesh.texture1, nullptr);
    EXPECT_FALSE(mesh.texture1IsGlow);
}

TEST_F(MeshObjectTest, ShareGeometryNamesAnotherMeshsBuffers)
{
    Mesh& mesh = addMesh();
    Mesh& other = addMesh();
    applyTo(mesh, MeshTrack::ShareGeometry, {1});
    EXPECT_EQ(mesh.sharedGeometry, &other.buffers);
    applyTo(mesh, MeshTrack::ShareGeometry, {5});  // no mesh there: no change
    EXPECT_EQ(mesh.sharedGeometry, &other.buffers);
    applyTo(mesh, MeshTrack::ShareGeometry, {0});  // itself: its own buffers
    EXPECT_EQ(mesh.sharedGeometry, &mesh.buffers);
}

TEST_F(MeshObjectTest, ParentIgnoresItselfAndClearsOnAMissingIndex)
{
    Mesh& child = addMesh();
    Mesh& parent = addMesh();
    applyTo(child, MeshTrack::Parent, {1});
    EXPECT_EQ(child.parent, &parent);
    applyTo(child, MeshTrack::Parent, {0});
    EXPECT_EQ(child.parent, &parent);
    applyTo(child, MeshTrack::Parent, {-1});
    EXPECT_EQ(child.parent, nullptr);
    applyTo(child, MeshTrack::Parent, {1});
    applyTo(child, MeshTrack::Parent, {40});
    EXPECT_EQ(child.parent, nullptr);
}

TEST_F(MeshObjectTest, ParentLinkThatWouldCloseALoopIsRefused)
{
    Mesh& a = addMesh();
    Mesh& b = addMesh();
    Mesh& c = addMesh();
    applyTo(a, MeshTrack::Parent, {1});  // a -> b
    applyTo(b, MeshTrack::Parent, {2});  // b -> c
    applyTo(c, MeshTrack::Parent, {0});  // c -> a would close a -> b -> c -> a
    EXPECT_EQ(c.parent, nullptr);
    applyTo(b, MeshTrack::Parent, {0});  // b -> a would close a -> b -> a
    EXPECT_EQ(b.parent, &c);
    // A refused link leaves an earlier, sound parent in place.
    Mesh& d = addMesh();
    applyTo(c, MeshTrack::Parent, {3});
    applyTo(c, MeshTrack::Parent, {1});
    EXPECT_EQ(c.parent, &d);
    // Re-parenting away from the chain is allowed.
    applyTo(a, MeshTrack::Parent, {3});
    EXPECT_EQ(a.parent, &d);
}

TEST_F(MeshObjectTest, IdsWithoutMeaningChangeNothing)
{
    addTexture(4, 0xFFu);
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Grid, {1, 1, 0, 32, 32});
    applyTo(mesh, MeshTrack::Placement, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    std::vector<uint8_t> before(sizeof(Mesh));
    std::memcpy(before.data(), static_cast<const void*>(&mesh), sizeof(Mesh));
    const std::vector<Vec3> positions(mesh.positions, mesh.positions + mesh.positionCount);
    for (int id = 0; id < 256; ++id) {
        if (findTrackRow(meshTracks, static_cast<uint8_t>(id))) continue;
        applyTo(mesh, static_cast<uint8_t>(id), {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, "x");
    }
    EXPECT_EQ(std::memcmp(before.data(), static_cast<const void*>(&mesh), sizeof(Mesh)), 0);
    for (size_t i = 0; i < positions.size(); ++i) EXPECT_TRUE(sameBits(mesh.positions[i], positions[i]));
}

TEST_F(MeshObjectTest, ClearContentKeepsLookAndPlacement)
{
    Texture& texture = addTexture(4, 0);
    Mesh& mesh = addMesh();
    Mesh& other = addMesh();
    applyTo(mesh, MeshTrack::Sphere, {8, 8, 0, 32});
    applyTo(mesh, MeshTrack::Textures, {0, 0, 0, -1});
    applyTo(mesh, MeshTrack::Repeat, {4});
    applyTo(mesh, MeshTrack::Parent, {1});
    applyTo(mesh, MeshTrack::ShareGeometry, {1});
    applyTo(mesh, MeshTrack::Placement, {32});
    buildVertexArray(mesh);
    mesh.clearContent();
    EXPECT_EQ(mesh.positions, nullptr);
    EXPECT_EQ(mesh.corners, nullptr);
    EXPECT_EQ(mesh.positionCount + mesh.normalCount + mesh.texcoordCount + mesh.cornerCount, 0);
    EXPECT_EQ(mesh.buffers.vertices, nullptr);
    EXPECT_EQ(mesh.buffers.vertexCount + mesh.buffers.indexCount, 0);
    EXPECT_EQ(mesh.repeatCount, 0);
    EXPECT_EQ(mesh.parent, nullptr);
    EXPECT_EQ(mesh.sharedGeometry, nullptr);
    EXPECT_EQ(mesh.texture0, &texture);
    EXPECT_EQ(mesh.position.x, 1.0f);
    (void)other;
}

TEST_F(MeshObjectTest, WorkspaceCopiesTheGeometryBothWays)
{
    Mesh& source = addMesh();
    Mesh& target = addMesh();
    applyTo(source, MeshTrack::Tube, {6, 3, 0, 32, 0, 0, 32});
    applyTo(source, MeshTrack::Normals, {0});
    source.copyToWorkspace();
    target.copyFromWorkspace();
    ASSERT_EQ(target.positionCount, source.positionCount);
    ASSERT_EQ(target.normalCount, source.normalCount);
    ASSERT_EQ(target.texcoordCount, source.texcoordCount);
    ASSERT_EQ(target.cornerCount, source.cornerCount);
    EXPECT_EQ(std::memcmp(target.positions, source.positions, sizeof(Vec3) * size_t(source.positionCount)), 0);
    EXPECT_EQ(std::memcmp(target.normals, source.normals, sizeof(Vec3) * size_t(source.normalCount)), 0);
    EXPECT_EQ(std::memcmp(target.texcoords, source.texcoords, sizeof(TexCoord) * size_t(source.texcoordCount)), 0);
    EXPECT_EQ(std::memcmp(target.corners, source.corners, sizeof(MeshCorner) * size_t(source.cornerCount)), 0);
    // Made drawable in main memory, not uploaded.
    EXPECT_EQ(target.buffers.vertexCount, source.cornerCount);
    EXPECT_EQ(target.buffers.vertexBuffer, 0u);
    EXPECT_NE(target.positions, meshWorkspace().positions);
}

TEST(MeshKind, ProjectSourcesUseTheMeshTrackNames)
{
    ObjectRegistry registry;
    ProjectObject* object = createObjectOfKind(SectionKind::Mesh, registry);
    EXPECT_NE(dynamic_cast<Mesh*>(object), nullptr);
    object->destroy(DESTROY_FREE);

    ProjectBuilder project;
    std::string error;
    ASSERT_TRUE(parseProjectSource("mesh ball\n  build Tube 50 50\n  build Normals 1\n  param RenderState 0 0 0 1\n",
                                   "test.proj", project, error))
        << error;
    const ProjectBuilder::Object& mesh = project.objects().at(0);
    ASSERT_EQ(mesh.buildTracks.size(), 2u);
    EXPECT_EQ(mesh.buildTracks[0].flags & TRACK_ID_MASK, uint32_t(MeshTrack::Tube));
    EXPECT_EQ(mesh.buildTracks[1].flags & TRACK_ID_MASK, uint32_t(MeshTrack::Normals));
    EXPECT_EQ(mesh.paramTracks[0].flags & TRACK_ID_MASK, uint32_t(MeshTrack::RenderState));
}

// No GL context in this program: the material records its texts, the card
// builds nothing.
TEST_F(MeshObjectTest, ShaderTrackRecordsTheTextsWithoutACard)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Shader, {4});
    EXPECT_EQ(mesh.material.shaderOn, 1);
    EXPECT_EQ(mesh.material.shader.vertexSource, shaderSourcesOf(4).vertex);
    EXPECT_EQ(mesh.material.shader.fragmentSource, shaderSourcesOf(4).fragment);
    EXPECT_EQ(mesh.material.shader.program, 0u);
}
