// Whole frames of small projects drawn headless. What is checked is what
// holds on any driver: colours of flat areas (within a step or two), where
// things appear, and which layers change which pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "render/render_state.h"
#include "mesh/mesh.h"
#include "render/fonts.h"
#include "render/frame.h"
#include "gl/gl.h"
#include "scene/light.h"
#include "scene/particle_system.h"
#include "scene/scene.h"
#include "tests/support/headless_gl.h"
#include "tests/support/loaded_show.h"

namespace {

uint8_t id(SceneTrack track) { return static_cast<uint8_t>(track); }

int channelSum(Pixel p) { return p.r + p.g + p.b; }

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!useHeadlessGl()) GTEST_SKIP() << "no headless OpenGL";
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    ProjectBuilder::Object& addScene()
    {
        ProjectBuilder::Object& scene = project.add(SectionKind::Scene).during(0, 100);
        scene.param(id(SceneTrack::Clear), {1, 0, 0, 0, 0, 0});  // black
        return scene;
    }
    // A texture of one colour (red, green, blue, alpha as bytes).
    void addTexture(float r, float g, float b, float a = 255)
    {
        project.add(SectionKind::Texture).build(0, {r, g, b, a});
    }
    void load(int sceneIndex = 0)
    {
        project.add(SectionKind::Timeline).during(0, 124).param(0, {static_cast<float>(sceneIndex)});
        show = std::make_unique<LoadedShow>(project);
        ASSERT_EQ(show->error, "");
    }
    void frame(float seconds = 0.0f)
    {
        show->advance(seconds);
        renderFrame(show->registry, show->timeline);
    }
    // Lit pixels (any channel above `level`) in [x0, x1) x [y0, y1).
    static int litPixels(int x0, int y0, int x1, int y1, int level = 40)
    {
        std::vector<uint8_t> pixels(size_t(x1 - x0) * (y1 - y0) * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x0, y0, x1 - x0, y1 - y0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        int n = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            n += pixels[i] > level || pixels[i + 1] > level || pixels[i + 2] > level;
        return n;
    }
    // Where a world point lands on the screen with the Scene's own camera.
    static void screenOf(const Scene& scene, float x, float y, float z, int* px, int* py)
    {
        float& cached = scene.registry->cachedFieldOfView;
        const float saved = cached;
        cached = 0.0f;
        applySceneCamera(scene);
        cached = saved;
        GLdouble model[16], projection[16], wx, wy, wz;
        GLint viewport[4] = {0, 0, tr.screenWidth, tr.screenHeight};
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
        *px = static_cast<int>(wx);
        *py = static_cast<int>(wy);
    }
    Scene& scene(int index = 0) { return show->object<Scene>(SectionKind::Scene, index); }

    ProjectBuilder project;
    std::unique_ptr<LoadedShow> show;
};

TEST_F(FrameTest, ClearsToTheSceneColourOrToItsFogColour)
{
    addScene().param(id(SceneTrack::Clear), {1, 0, 0, 64, 128, 192, 0});
    ProjectBuilder::Object& second = addScene();
    second.param(id(SceneTrack::Clear), {1, 0, 0, 64, 128, 192, 1});
    second.param(id(SceneTrack::Fog), {-1, 0, 0, 0, 256, 0});
    load();
    frame();
    Pixel p = readPixel(320, 240);
    EXPECT_NEAR(p.r, 64, 1);
    EXPECT_NEAR(p.g, 128, 1);
    EXPECT_NEAR(p.b, 191, 1);
    EXPECT_EQ(readPixel(0, 0).b, p.b) << "the whole screen";

    show->timeline.sceneIndex = 1;
    renderFrame(show->registry, show->timeline);
    p = readPixel(320, 240);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.g, 255);
    EXPECT_FALSE(glIsEnabled(GL_FOG)) << "fog mode -1 is no fog, whatever its colour";
}

TEST_F(FrameTest, WithoutASceneTheBufferIsPresentedAsItWas)
{
    addScene();
    load(1);  // past the one Scene
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    frame();
    EXPECT_EQ(sceneForFrame(show->registry, show->timeline), nullptr);
    EXPECT_EQ(readPixel(320, 240).g, 255);
    show->timeline.sceneIndex = -1;
    renderFrame(show->registry, show->timeline);
    EXPECT_EQ(readPixel(10, 10).g, 255);
    show->timeline.sceneIndex = 0;
    renderFrame(show->registry, show->timeline);
    EXPECT_EQ(readPixel(10, 10).g, 0);
}

TEST_F(FrameTest, FadeIsLaidOverTheWholeFrame)
{
    addScene().param(id(SceneTrack::Fade), {50, 0, 0, 256, 256, 256});
    addScene().param(id(SceneTrack::Fade), {0, 0, 0, 256, 256, 256});
    load();
    frame();
    EXPECT_NEAR(readPixel(320, 240).r, 128, 1);
    EXPECT_NEAR(readPixel(639, 479).g, 128, 1);
    show->timeline.sceneIndex = 1;
    renderFrame(show->registry, show->timeline);
    EXPECT_EQ(readPixel(320, 240).r, 0) << "alpha 0 lays nothing";
}

TEST_F(FrameTest, ImageOverlaysCoverTheirRectanglesInOrder)
{
    addTexture(255, 0, 0);
    addTexture(0, 255, 0);
    addTexture(0, 0, 255);
    ProjectBuilder::Object& s = addScene();
    // Red over the middle, then a half-transparent green over its right half.
    s.param(id(SceneTrack::Overlay), {0, 255, 0, 25, 25, 0, 50, 50, 0, 255, 255, 255});
    s.param(id(SceneTrack::Overlay), {1, 128, 0, 50, 25, 0, 25, 50, 0, 255, 255, 255});
    // No such texture, and a track that is not applied: both skipped.
    s.param(id(SceneTrack::Overlay), {7, 255, 0, 0, 0, 0, 100, 100, 0, 255, 255, 255});
    s.param(id(SceneTrack::Overlay), {2, 255, 0, 0, 0, 0, 100, 100, 0, 255, 255, 255}).withoutFlags(TRACK_APPLY);
    load();
    frame();
    const Pixel red = readPixel(200, 240);
    EXPECT_EQ(red.r, 255);
    EXPECT_EQ(red.g, 0);
    const Pixel mixed = readPixel(400, 240);
    EXPECT_NEAR(mixed.r, 127, 2);
    EXPECT_NEAR(mixed.g, 128, 2);
    EXPECT_EQ(channelSum(readPixel(100, 100)), 0) << "outside every rectangle";
    EXPECT_EQ(channelSum(readPixel(200, 370)), 0);
    EXPECT_EQ(litPixels(0, 0, 158, 480) + litPixels(482, 0, 640, 480), 0);
    EXPECT_EQ(litPixels(0, 0, 640, 118) + litPixels(0, 362, 640, 480), 0);
}

TEST_F(FrameTest, OverlayIndexRoundsToTheNearestEvenWhileTheSceneFieldTruncates)
{
    addTexture(255, 0, 0);
    addTexture(0, 255, 0);
    addTexture(0, 0, 255);
    ProjectBuilder::Object& s = addScene();
    s.param(id(SceneTrack::Overlay), {0.5f, 255, 0, 0, 0, 0, 25, 100, 0, 255, 255, 255});   // 0
    s.param(id(SceneTrack::Overlay), {1.5f, 255, 0, 25, 0, 0, 25, 100, 0, 255, 255, 255});  // 2
    s.param(id(SceneTrack::Overlay), {2.5f, 255, 0, 50, 0, 0, 25, 100, 0, 255, 255, 255});  // 2
    s.param(id(SceneTrack::Overlay), {0.6f, 255, 0, 75, 0, 0, 25, 100, 0, 255, 255, 255});  // 1
    load();
    frame();
    EXPECT_EQ(readPixel(80, 240).r, 255);
    EXPECT_EQ(readPixel(240, 240).b, 255);
    EXPECT_EQ(readPixel(400, 240).b, 255);
    EXPECT_EQ(readPixel(560, 240).g, 255);
    EXPECT_EQ(scene().overlayImage.textureIndex, 0) << "the field keeps the last track, truncated";
}

TEST_F(FrameTest, CaptionsAppearAtTheirPositionInTheirColour)
{
    ProjectBuilder::Object& s = addScene();
    s.param(id(SceneTrack::Caption), {10, 10, 0, 256, 0, 0, 256}).named("HH");
    s.param(id(SceneTrack::Caption), {60, 60, 0, 256, 256, 256, 256}).named("HH").withoutFlags(TRACK_APPLY);
    s.param(id(SceneTrack::Caption), {60, 60, 0, 256, 256, 256, 256});  // no text
    load();
    frame();
    const int x = 64, y = 48, h = tr.captionFont->height;
    EXPECT_GT(litPixels(x, y, x + 2 * h, y + h), 400);
    EXPECT_EQ(litPixels(0, 0, 640, y - 1), 0) << "nothing below the baseline";
    EXPECT_EQ(litPixels(0, 0, x - 2, 480), 0) << "nothing left of the start";
    EXPECT_EQ(litPixels(0, y + h + 1, 640, 480), 0) << "the other captions draw nothing";
    // The glyph pixels are red.
    std::vector<uint8_t> pixels(size_t(2 * h) * h * 4);
    glReadPixels(x, y, 2 * h, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    for (size_t i = 0; i < pixels.size(); i += 4) {
        ASSERT_EQ(pixels[i + 1], 0);
        ASSERT_TRUE(pixels[i] == 0 || pixels[i] == 255);
    }
}

TEST_F(FrameTest, LinearFogDarkensTheFarMeshMoreThanTheNearOne)
{
    ProjectBuilder::Object& s = addScene();
    s.param(id(SceneTrack::Fog), {0, 0, 0, 0, 0, 0, 32, 160});  // black, from 1 to 5 units
    project.add(SectionKind::Light).during(0, 100).param(1, {255, 255, 255, 0, 0, 0, 0, 0, 0});
    for (float z : {-48.0f, -128.0f}) {  // 1.5 and 4 units ahead
        ProjectBuilder::Object& mesh = project.add(SectionKind::Mesh).during(0, 100);
        mesh.build(MeshTrack::Sphere, {12, 12, 0, 8});
        mesh.param(MeshTrack::Placement, {z == -48.0f ? -16.0f : 32.0f, 0, z});
        mesh.param(MeshTrack::Colours, {255, 255, 255, 0, 0, 0, 0, 0, 0, 1});
    }
    load();
    frame();
    int nx, ny, fx, fy;
    screenOf(scene(), -0.5f, 0, -1.5f, &nx, &ny);
    screenOf(scene(), 1.0f, 0, -4.0f, &fx, &fy);
    const Pixel nearPixel = readPixel(nx, ny), farPixel = readPixel(fx, fy);
    EXPECT_GT(nearPixel.r, 180);
    EXPECT_LT(farPixel.r, 110);
    EXPECT_GT(farPixel.r, 20) << "not hidden";

    scene().fogMode = -1;
    renderFrame(show->registry, show->timeline);
    EXPECT_GT(readPixel(fx, fy).r, 240) << "unfogged, the far mesh is as bright";
}

TEST_F(FrameTest, RingGlowDrawsACentreCopyAndOneCopyPerStep)
{
    // A grey frame makes a grey glow source; each copy adds colour x source x source.
    ProjectBuilder::Object& s = addScene();
    s.param(id(SceneTrack::Clear), {1, 0, 0, 64, 64, 64});
    s.param(id(SceneTrack::RingGlow), {3, 4, 0, 255, 255, 255});
    load();
    frame();
    EXPECT_NEAR(readPixel(320, 240).r, 64 + 5 * 16, 3) << "five quads";
    AnimTrack* ring = nullptr;
    for (AnimTrack* t : scene().paramTracks)
        if (t->id() == id(SceneTrack::RingGlow)) ring = t;
    ASSERT_NE(ring, nullptr);
    AnimTrack& track = *ring;
    track.value[1] = 1.0f;
    renderFrame(show->registry, show->timeline);
    EXPECT_NEAR(readPixel(320, 240).r, 64 + 2 * 16, 3) << "two quads";
    track.value[1] = 0.9f;
    renderFrame(show->registry, show->timeline);
    EXPECT_NEAR(readPixel(320, 240).r, 64, 1) << "below one copy: nothing";
    track.value[1] = 4.0f;
    track.flags &= ~TRACK_APPLY;
    renderFrame(show->registry, show->timeline);
    EXPECT_NEAR(readPixel(320, 240).r, 64, 1) << "not applied: skipped";
}

TEST_F(FrameTest, ZoomGlowAddsFadingCopiesAndCountZeroAddsNothing)
{
    ProjectBuilder::Object& s = addScene();
    s.param(id(SceneTrack::Clear), {1, 0, 0, 64, 64, 64});
    s.param(id(SceneTrack::ZoomGlow), {6, 2, 0, 256, 256, 256});
    load();
    frame();
    // Copy i adds g (1 - g) with g = 0.25 (1 - i / 2): 0.1875 + 0.109375.
    EXPECT_NEAR(readPixel(320, 240).r, 64 + 76, 3);
    scene().glowCount = 0;
    renderFrame(show->registry, show->timeline);
    EXPECT_NEAR(readPixel(320, 240).r, 64, 1);
    scene().glowCount = 2;
    scene().glowSize = 0.0f;
    renderFrame(show->registry, show->timeline);
    EXPECT_NEAR(readPixel(320, 240).r, 64, 1) << "size 0 is off";
}

TEST_F(FrameTest, SubViewportHoldsTheThreeDPassAndTheGlows)
{
    ProjectBuilder::Object& s = addScene();
    s.param(id(SceneTrack::Clear), {1, 0, 0, 64, 64, 64});
    s.param(id(SceneTrack::ZoomGlow), {6, 1, 0, 256, 256, 256});
    s.param(id(SceneTrack::Viewport), {1, 0, 0, 50, 50, 0, 50, 50, 0, 70, 1.33f});
    s.param(id(SceneTrack::Fade), {10, 0, 0, 0, 0, 0});  // over the whole screen again
    load();
    frame();
    const int inside = readPixel(480, 360).r, outside = readPixel(160, 120).r;
    EXPECT_NEAR(outside, 58, 2);  // 64 faded by a tenth
    EXPECT_GT(inside, outside + 30);
    EXPECT_NEAR(readPixel(330, 250).r, inside, 1);
    EXPECT_NEAR(readPixel(310, 230).r, outside, 1);
}

TEST_F(FrameTest, BackgroundImageLiesBehindTheMeshes)
{
    addTexture(0, 255, 0);
    ProjectBuilder::Object& s = addScene();
    s.param(id(SceneTrack::Background), {0, 255, 0, 0, 0, 0, 100, 100, 0, 255, 255, 255});
    project.add(SectionKind::Light).during(0, 100).param(1, {255, 255, 255});
    ProjectBuilder::Object& mesh = project.add(SectionKind::Mesh).during(0, 100);
    mesh.build(MeshTrack::Sphere, {12, 12, 0, 16});
    mesh.param(MeshTrack::Placement, {0, 0, -96});
    mesh.param(MeshTrack::Colours, {255, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    load();
    frame();
    const Pixel corner = readPixel(20, 20), middle = readPixel(320, 240);
    EXPECT_EQ(corner.g, 255);
    EXPECT_EQ(corner.r, 0);
    EXPECT_GT(middle.r, 200) << "the mesh in front of it";
    EXPECT_EQ(middle.g, 0);
}

TEST_F(FrameTest, ParticleSpritesRiseAboveTheEmitter)
{
    addScene().param(id(SceneTrack::Camera), {0, 0, 160, 0, 0, 0, 0});
    ProjectBuilder::Object& p = project.add(SectionKind::ParticleSystem).during(0, 100);
    p.param(static_cast<uint8_t>(ParticleTrack::Emission), {60, 0, 0, 10, 5, 0, 3.2f, 0, 0, 256, 256, 256});
    load();
    // The count change spawned them with the default emitter (10 units per
    // second); after a second all of them have been reborn with the track's.
    frame(1.05f);
    frame(0.5f);
    int ex, ey;
    screenOf(scene(), 0, 0, 0, &ex, &ey);
    EXPECT_GT(litPixels(ex - 30, ey + 5, ex + 30, ey + 200), 50);
    EXPECT_EQ(litPixels(0, 0, 640, ey - 5), 0) << "nothing below the emitter";
    EXPECT_EQ(litPixels(0, 0, ex - 30, 480) + litPixels(ex + 30, 0, 640, 480), 0) << "width 0: one column";

    scene().startTime = 50;  // the Scene is still drawn, but the system stops
    show->object<ParticleSystem>(SectionKind::ParticleSystem, 0).startTime = 50;
    renderFrame(show->registry, show->timeline);
    EXPECT_EQ(litPixels(0, 0, 640, 480), 0) << "an inactive system is not drawn";
}

TEST_F(FrameTest, SevenLightSlotsAndTheEighthLightIsNeverSwitchedOn)
{
    addScene();
    for (int i = 0; i < 8; ++i) project.add(SectionKind::Light).during(i == 2 ? 50.0f : 0.0f, 100);
    load();
    glDisable(GL_LIGHT7);
    frame();
    for (int i = 0; i < 7; ++i) EXPECT_EQ(glIsEnabled(GL_LIGHT0 + i), i != 2) << i;
    EXPECT_FALSE(glIsEnabled(GL_LIGHT7));
    EXPECT_EQ(show->object<Light>(SectionKind::Light, 6).lightNumber, 6);
    EXPECT_EQ(show->object<Light>(SectionKind::Light, 7).lightNumber, 0) << "never given a slot";
}

TEST_F(FrameTest, CameraLooksFromTheEyeToTheTargetWithItsRoll)
{
    addScene().param(id(SceneTrack::Camera), {64, 0, 32, 0, 0, 0, 15});
    load();
    show->advance(0.0f);
    applySceneCamera(scene());
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // The target lies straight ahead, sqrt(5) away; the eye is the origin.
    EXPECT_NEAR(m[12], 0.0f, 1e-5f);
    EXPECT_NEAR(m[13], 0.0f, 1e-5f);
    EXPECT_NEAR(m[14], -std::sqrt(5.0f), 1e-5f);
    // The up vector is (sin r, cos r, 0) for the roll in radians: the
    // camera's side axis is forward x up, its up axis side x forward.
    const double r = 15.0f * 3.14159f * 2.0f / 360.0f;
    const double f[3] = {-2 / std::sqrt(5.0), 0, -1 / std::sqrt(5.0)};
    const double up[3] = {std::sin(r), std::cos(r), 0};
    double side[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    const double length = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
    for (double& c : side) c /= length;
    const double camUp[3] = {side[1] * f[2] - side[2] * f[1], side[2] * f[0] - side[0] * f[2],
                             side[0] * f[1] - side[1] * f[0]};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(m[4 * i], side[i], 1e-5) << i;
        EXPECT_NEAR(m[4 * i + 1], camUp[i], 1e-5) << i;
    }
}

TEST_F(FrameTest, ProjectionIsBuiltOnlyWhenTheFieldOfViewChanges)
{
    addScene().param(id(SceneTrack::Viewport), {0, 0, 0, 0, 0, 0, 100, 100, 0, 40, 4});
    load();
    show->advance(0.0f);
    GLfloat p[16];
    auto focal = [](float fovy) { return 1.0f / std::tan(fovy * 3.14159265f / 360.0f); };

    applySceneCamera(scene());  // first: its own projection, field of view x aspect
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    EXPECT_NEAR(p[5], focal(160.0f), 1e-4f);
    EXPECT_NEAR(p[0], focal(160.0f) / 4.0f, 1e-4f);

    renderFrame(show->registry, show->timeline);  // ends with the 4/3 restore, lit, depth-tested, unblended
    EXPECT_EQ(show->registry.restoreFieldOfView, 40.0f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    EXPECT_NEAR(p[5], focal(40.0f * 4.0f / 3.0f), 1e-4f);
    EXPECT_NEAR(p[0], focal(40.0f * 4.0f / 3.0f) * 0.75f, 1e-4f);

    applySceneCamera(scene());  // unchanged field of view: the restore stays
    GLfloat q[16];
    glGetFloatv(GL_PROJECTION_MATRIX, q);
    EXPECT_EQ(std::memcmp(p, q, sizeof p), 0);

    scene().fieldOfView = 50.0f;
    applySceneCamera(scene());
    glGetFloatv(GL_PROJECTION_MATRIX, q);
    EXPECT_NEAR(q[5], focal(200.0f), 1e-3f) << "50 x 4, as given";
}

TEST(MeshSort, EqualDistancesKeepTheirSectionOrderBothWays)
{
    Mesh* m[5];
    for (int i = 0; i < 5; ++i) m[i] = reinterpret_cast<Mesh*>(uintptr_t(0x100 * (i + 1)));
    MeshSortEntry entries[5] = {{m[0], 2}, {m[1], 1}, {m[2], 2}, {m[3], 3}, {m[4], 1}};
    sortMeshEntries(entries, 5, true);
    const Mesh* nearFirst[5] = {m[1], m[4], m[0], m[2], m[3]};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(entries[i].mesh, nearFirst[i]) << i;

    MeshSortEntry again[5] = {{m[0], 2}, {m[1], 1}, {m[2], 2}, {m[3], 3}, {m[4], 1}};
    sortMeshEntries(again, 5, false);
    const Mesh* farFirst[5] = {m[3], m[0], m[2], m[1], m[4]};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(again[i].mesh, farFirst[i]) << i;

    sortMeshEntries(again, 0, true);  // empty and single lists are left alone
    sortMeshEntries(again, 1, true);
    EXPECT_EQ(again[0].mesh, m[3]);
}

TEST_F(FrameTest, MaterialSetsBlendAlphaTestAndDepthWritesByItsMode)
{
    MeshMaterial material;
    material.shininess = 33.0f;
    auto on = [](GLenum cap) { return glIsEnabled(cap) == GL_TRUE; };
    auto depthWrites = [] {
        GLboolean mask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
        return mask == GL_TRUE;
    };
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    applyMaterial(material);  // opaque
    EXPECT_FALSE(on(GL_BLEND) || on(GL_ALPHA_TEST));
    EXPECT_TRUE(depthWrites());
    GLfloat shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 33.0f);

    material.blendMode = 1;  // alpha-tested, without depth writes
    material.depthWrite = 0;
    applyMaterial(material);
    EXPECT_TRUE(!on(GL_BLEND) && on(GL_ALPHA_TEST));
    GLint function = 0;
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &function);
    EXPECT_EQ(function, GL_GREATER);
    EXPECT_FALSE(depthWrites());
    endMaterial();
    EXPECT_TRUE(depthWrites()) << "the end turns depth writes back on";

    material.blendMode = 2;  // blended
    applyMaterial(material);
    EXPECT_TRUE(on(GL_BLEND) && on(GL_ALPHA_TEST));
    glDisable(GL_ALPHA_TEST);
    material.blendMode = 7;  // leaves both as they are
    applyMaterial(material);
    EXPECT_TRUE(on(GL_BLEND) && !on(GL_ALPHA_TEST));
    endMaterial();
    glDisable(GL_BLEND);
}

}  // namespace
