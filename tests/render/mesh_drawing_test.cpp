// Drawing on a headless context: cull modes and the state they leave, the
// tangent attributes, repeated copies, the parent chain, 3D text, shared
// geometry and the texture units.
#include <vector>

#include "platform/glimp.h"
#include "gl/gl_context.h"
#include "gl/texture_units.h"
#include "render/fill_only.h"
#include "render/object_gl.h"
#include "render/render_state.h"
#include "tests/mesh/mesh_fixture.h"
#include "tests/support/headless_gl.h"

namespace {

constexpr int WIDTH = 640, HEIGHT = 480;  // the headless framebuffer
constexpr float PIXELS_PER_UNIT = 80.0f;  // with the view below

// Column of the framebuffer for an x in object space.
int column(float x) { return static_cast<int>((x + 4.0f) * PIXELS_PER_UNIT); }
int row(float y) { return static_cast<int>((y + 3.0f) * PIXELS_PER_UNIT); }

bool lit(float x, float y) { return readPixel(column(x), row(y)).r > 128; }

// The widths of the lit runs along the framebuffer row through y.
std::vector<int> litRuns(float y)
{
    std::vector<unsigned char> pixels(WIDTH * 4);
    glReadPixels(0, row(y), WIDTH, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    std::vector<int> runs;
    int run = 0;
    for (int x = 0; x < WIDTH; ++x) {
        if (pixels[x * 4] > 128) ++run;
        else if (run) runs.push_back(run), run = 0;
    }
    if (run) runs.push_back(run);
    return runs;
}

long litPixels()
{
    std::vector<unsigned char> pixels(WIDTH * HEIGHT * 4);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    long n = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) n += pixels[i] > 128;
    return n;
}

void matrixOf(const Mesh& mesh, float* m)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    applyMeshTransform(mesh);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
}

}  // namespace

// An orthographic view of x in [-4, 4] and y in [-3, 3], looking down -Z,
// untextured and unlit, cleared to black before each test.
class DrawingTest : public MeshTest {
protected:
    void SetUp() override
    {
        if (!useHeadlessGl(WIDTH, HEIGHT)) GTEST_SKIP() << "no headless OpenGL context";
        MeshTest::SetUp();
        while (glGetError() != GL_NO_ERROR) {}  // errors left by others are not ours
        glViewport(0, 0, WIDTH, HEIGHT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-4, 4, -3, 3, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        disableTextureUnits();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glColor3f(1, 1, 1);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // A uploaded w x h grid facing +Z, or facing -Z (mirrored) when `mirrored`.
    Mesh& addGrid(float size, bool mirrored = false)
    {
        Mesh& mesh = addMesh();
        applyTo(mesh, MeshTrack::Grid, {1, 1, 0, size * 32, size * 32});
        if (mirrored) applyTo(mesh, MeshTrack::TransformVertices, {0, 0, 0, 0, 0, 0, -200});
        applyTo(mesh, MeshTrack::Normals, {0});
        mesh.upload();
        return mesh;
    }

    static bool cullingOn() { return glIsEnabled(GL_CULL_FACE) == GL_TRUE; }
    static GLint cullFace()
    {
        GLint face = 0;
        glGetIntegerv(GL_CULL_FACE_MODE, &face);
        return face;
    }
};

TEST_F(DrawingTest, CullModesDrawTheirFacesAndLeaveTheirState)
{
    Mesh& front = addGrid(2);
    Mesh& back = addGrid(2, true);
    applyTo(front, MeshTrack::Placement, {-64});
    applyTo(back, MeshTrack::Placement, {64});
    struct Case {
        int32_t mode;
        bool frontShown, backShown, cullingAfter;
    };
    for (const Case& c : {Case{0, true, false, true}, Case{1, true, true, false}, Case{2, true, true, true},
                          Case{3, false, true, true}}) {
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_CULL_FACE);
        glCullFace(GL_FRONT_AND_BACK);
        for (Mesh* mesh : {&front, &back}) {
            applyTo(*mesh, MeshTrack::RenderState, {0, 0, 0, 1, 0, 0, float(c.mode)});
            mesh->draw();
        }
        EXPECT_EQ(lit(-2, 0), c.frontShown) << "mode " << c.mode;
        EXPECT_EQ(lit(2, 0), c.backShown) << "mode " << c.mode;
        EXPECT_EQ(cullingOn(), c.cullingAfter) << "mode " << c.mode;
        if (c.cullingAfter) {
            EXPECT_EQ(cullFace(), GL_BACK) << "mode " << c.mode;
        }
    }
    // Culling stays off after mode 1 for whatever comes next.
    applyTo(front, MeshTrack::RenderState, {0, 0, 0, 1, 0, 0, 1});
    front.draw();
    EXPECT_FALSE(cullingOn());

    // Any other mode draws nothing and touches no state.
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT_AND_BACK);
    for (float mode : {4.0f, -1.0f, 7.0f}) {
        applyTo(front, MeshTrack::RenderState, {0, 0, 0, 1, 0, 0, mode});
        front.draw();
    }
    EXPECT_FALSE(lit(-2, 0));
    EXPECT_TRUE(cullingOn());
    EXPECT_EQ(cullFace(), GL_FRONT_AND_BACK);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DrawingTest, TangentAndBinormalGoToAttributesTenAndEleven)
{
    if (!shadersAvailable) GTEST_SKIP() << "no shading language on this context";
    const auto getAttribute =
        reinterpret_cast<PFNGLGETVERTEXATTRIBIVARBPROC>(GLimp_GetProcAddress("glGetVertexAttribivARB"));
    const auto getPointer = reinterpret_cast<PFNGLGETVERTEXATTRIBPOINTERVARBPROC>(
        GLimp_GetProcAddress("glGetVertexAttribPointervARB"));
    Mesh& mesh = addGrid(1);
    mesh.draw();
    const struct {
        GLuint index;
        size_t offset;
    } expected[] = {{10, 24}, {11, 36}};
    for (const auto& attribute : expected) {
        GLint stride = 0, size = 0, normalised = 0, enabled = 1, buffer = 0;
        getAttribute(attribute.index, GL_VERTEX_ATTRIB_ARRAY_STRIDE_ARB, &stride);
        getAttribute(attribute.index, GL_VERTEX_ATTRIB_ARRAY_SIZE_ARB, &size);
        getAttribute(attribute.index, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED_ARB, &normalised);
        getAttribute(attribute.index, GL_VERTEX_ATTRIB_ARRAY_ENABLED_ARB, &enabled);
        getAttribute(attribute.index, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING_ARB, &buffer);
        void* pointer = nullptr;
        getPointer(attribute.index, GL_VERTEX_ATTRIB_ARRAY_POINTER_ARB, &pointer);
        EXPECT_EQ(stride, 64) << attribute.index;
        EXPECT_EQ(size, 3) << attribute.index;
        EXPECT_EQ(normalised, GL_TRUE) << attribute.index;
        EXPECT_EQ(enabled, GL_FALSE) << "disabled again after the draw: " << attribute.index;
        EXPECT_EQ(GLuint(buffer), mesh.buffers.vertexBuffer) << attribute.index;
        EXPECT_EQ(reinterpret_cast<size_t>(pointer), attribute.offset) << attribute.index;
    }
}

TEST_F(DrawingTest, RepeatDrawsCopiesEachHalfTheOneBefore)
{
    Mesh& mesh = addGrid(1);
    applyTo(mesh, MeshTrack::Placement, {-96});
    applyTo(mesh, MeshTrack::Repeat, {3, 0, 0, 48, 0, 0, 0, 0, 0, -50});
    mesh.draw();
    EXPECT_EQ(litRuns(0.0f), (std::vector<int>{80, 40, 20, 10}));
    // The matrix is restored after the copies.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_EQ(m[0], 1.0f);
}

// The timedemo's fill alone: a mesh draw counted (copies included), then
// drawn as that many pixels over the viewport it is drawn in, whole
// viewports first (the count may exceed one), then whole rows.
TEST_F(DrawingTest, FillOnlyCountsAMeshsPixelsThenFillsAsMany)
{
    if (!fillOnlyAvailable()) GTEST_SKIP() << "no occlusion queries";
    Mesh& mesh = addGrid(2);
    applyTo(mesh, MeshTrack::Repeat, {3, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // four copies on one spot
    for (const int side : {WIDTH, 128}) {
        SCOPED_TRACE(side);
        const int height = side == WIDTH ? HEIGHT : side;
        glViewport(0, 0, side, height);
        glClear(GL_COLOR_BUFFER_BIT);
        setFillMode(FillMode::Count);
        mesh.draw();
        const long shown = litPixels();
        setFillMode(FillMode::Fill);
        int32_t n = 0;
        const uint32_t* counts = fillCounts(n);
        ASSERT_EQ(n, 1);
        EXPECT_EQ(long(counts[0]), 4 * shown);
        glClear(GL_COLOR_BUFFER_BIT);
        mesh.draw();
        const long area = long(side) * height, rows = (long(counts[0]) % area + side - 1) / side;
        EXPECT_EQ(litPixels(), counts[0] >= area ? area : rows * side);
        setFillMode(FillMode::Off);
        glClear(GL_COLOR_BUFFER_BIT);
        mesh.draw();
        EXPECT_EQ(litPixels(), shown);
    }
    glViewport(0, 0, WIDTH, HEIGHT);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DrawingTest, ParentPlacementIsAppliedFirst)
{
    Mesh& child = addGrid(1);
    Mesh& parent = addMesh();
    applyTo(parent, MeshTrack::Placement, {32});
    applyTo(child, MeshTrack::Placement, {0, 64});
    applyTo(child, MeshTrack::Parent, {1});
    GLfloat m[16];
    matrixOf(child, m);
    EXPECT_FLOAT_EQ(m[12], 1.0f);
    EXPECT_FLOAT_EQ(m[13], 2.0f);
    glLoadIdentity();
    child.draw();
    EXPECT_TRUE(lit(1, 2));
    EXPECT_FALSE(lit(0, 2));
    EXPECT_FALSE(lit(1, 0));

    // The parent's turn carries the child's translation: (1, 0, 0) becomes (0, 1, 0).
    applyTo(parent, MeshTrack::Placement, {0, 0, 0, 0, 0, 90});
    applyTo(child, MeshTrack::Placement, {32});
    matrixOf(child, m);
    EXPECT_NEAR(m[12], 0.0f, 1e-6f);
    EXPECT_NEAR(m[13], 1.0f, 1e-6f);

    // Within one placement a vertex is turned about Y before X: (1, 0, 0) -> (0, 0, -1) -> (0, 1, 0).
    applyTo(parent, MeshTrack::Placement, {});
    applyTo(child, MeshTrack::Placement, {0, 0, 0, 90, 90, 0});
    matrixOf(child, m);
    EXPECT_NEAR(m[0], 0.0f, 1e-6f);
    EXPECT_NEAR(m[1], 1.0f, 1e-6f);
    EXPECT_NEAR(m[2], 0.0f, 1e-6f);
}

TEST_F(DrawingTest, ALoopForcedIntoTheChainStillEnds)
{
    Mesh& a = addMesh();
    Mesh& b = addMesh();
    applyTo(a, MeshTrack::Placement, {1});
    a.parent = &b;  // set behind the Parent track's back
    b.parent = &a;
    GLfloat m[16];
    matrixOf(a, m);
    // 257 placements of 1/32 each at most, and no stack overflow.
    EXPECT_GT(m[12], 0.0f);
    EXPECT_LE(m[12], 257.0f / 32.0f);
    a.draw();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DrawingTest, SharedGeometryIsDrawnWithItsOwnersCullMode)
{
    Mesh& sharer = addMesh();
    Mesh& owner = addGrid(1, true);                       // facing away
    applyTo(owner, MeshTrack::RenderState, {0, 0, 0, 1, 0, 0, 1});  // both faces
    sharer.build();                                       // no geometry of its own
    applyTo(sharer, MeshTrack::ShareGeometry, {1});
    applyTo(sharer, MeshTrack::Placement, {64});
    glEnable(GL_CULL_FACE);
    sharer.draw();
    EXPECT_TRUE(lit(2, 0));
    EXPECT_FALSE(lit(0, 0));
    EXPECT_FALSE(cullingOn());
}

TEST_F(DrawingTest, BindTexturesSetsBothUnits)
{
    Texture& colour = addTexture(8, 0xFFFFFFFFu);
    Texture& shine = addTexture(8, 0xFF808080u);
    colour.upload();
    shine.upload();
    Mesh& mesh = addMesh();
    const auto expectUnit = [](GLenum unit, const Texture* texture, bool sphereMapped) {
        glExt.glActiveTextureARB(unit);
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D) == GL_TRUE, texture != nullptr) << unit - GL_TEXTURE0_ARB;
        if (!texture) return;
        GLint bound = 0, mode = 0, generation = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
        EXPECT_EQ(GLuint(bound), texture->glTexture);
        EXPECT_EQ(mode, GL_MODULATE);
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_GEN_S) == GL_TRUE, sphereMapped);
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_GEN_T) == GL_TRUE, sphereMapped);
        if (sphereMapped) {
            glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &generation);
            EXPECT_EQ(generation, GL_SPHERE_MAP);
            glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &generation);
            EXPECT_EQ(generation, GL_SPHERE_MAP);
        }
    };
    const auto activeUnit = [] {
        GLint unit = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
        return GLenum(unit);
    };

    applyTo(mesh, MeshTrack::Textures, {0, 0, 0, 1});
    bindMeshTextures(mesh);
    EXPECT_EQ(activeUnit(), GLenum(GL_TEXTURE1_ARB));
    expectUnit(GL_TEXTURE0_ARB, &colour, false);
    expectUnit(GL_TEXTURE1_ARB, &shine, true);

    // Texture generation left on unit 0 by someone else is switched off.
    glExt.glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_GEN_S);
    applyTo(mesh, MeshTrack::Textures, {-2, 0, 0, 99});
    bindMeshTextures(mesh);
    EXPECT_EQ(activeUnit(), GLenum(GL_TEXTURE1_ARB));
    ASSERT_NE(tr.glowTexture, nullptr);
    expectUnit(GL_TEXTURE0_ARB, tr.glowTexture, false);
    expectUnit(GL_TEXTURE1_ARB, nullptr, false);

    applyTo(mesh, MeshTrack::Textures, {-1, 0, 0, -1});
    bindMeshTextures(mesh);
    expectUnit(GL_TEXTURE0_ARB, nullptr, false);
    expectUnit(GL_TEXTURE1_ARB, nullptr, false);
    disableTextureUnits();
}

TEST_F(DrawingTest, Text3DMakesExtrudedGlyphsAndDrawsAllButTheLast)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Text3D, {16}, "AB");
    EXPECT_EQ(mesh.text.depth, 0.5f);
    ASSERT_NE(mesh.text.characters, nullptr);
    EXPECT_STREQ(mesh.text.characters, "AB");
    ASSERT_NE(mesh.text.listBase, 0u);
    EXPECT_EQ(mesh.positionCount + mesh.cornerCount, 0);  // the geometry is not touched

    // Em height 1 scaled to 2 units from x = -3: the A is drawn, the B after it is not.
    const float advanceA = mesh.text.glyphMetrics['A'].cellIncX;
    ASSERT_GT(advanceA, 0.3f);
    applyTo(mesh, MeshTrack::Placement, {-96, -32, 0, 0, 0, 0, 10, 10, 0});
    glListBase(7);
    mesh.draw();
    GLint listBase = 0;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(listBase, 7);  // restored after the text
    glListBase(0);
    const auto litInColumns = [](float from, float to) {
        int count = 0;
        for (float x = from; x < to; x += 0.05f)
            for (float y = -0.9f; y < 0.4f; y += 0.1f) count += lit(x, y);
        return count;
    };
    EXPECT_GT(litInColumns(-3.0f, -3.0f + 2 * advanceA), 20);
    EXPECT_EQ(litInColumns(-3.0f + 2 * advanceA + 0.1f, 0.0f), 0);

    // A later text step replaces the text; a track without a name changes nothing.
    applyTo(mesh, MeshTrack::Text3D, {32}, "XYZ");
    EXPECT_STREQ(mesh.text.characters, "XYZ");
    EXPECT_EQ(mesh.text.depth, 1.0f);
    applyTo(mesh, MeshTrack::Text3D, {64});
    EXPECT_STREQ(mesh.text.characters, "XYZ");
    EXPECT_EQ(mesh.text.depth, 1.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
