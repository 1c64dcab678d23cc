#include <gtest/gtest.h>

#include <cstring>

#include "scene/object_kinds.h"
#include "gl/gl.h"
#include "scene/scene.h"
#include "tests/support/loaded_show.h"
#include "authoring/project_source.h"

namespace {

void apply(Scene& scene, SceneTrack id, std::initializer_list<float> values)
{
    AnimTrack track;
    track.flags = TRACK_APPLY | static_cast<uint8_t>(id);
    size_t i = 0;
    for (float v : values) track.value[i++] = v;
    scene.applyTrack(track);
}

void expectColour(const float* colour, float r, float g, float b, float a)
{
    EXPECT_FLOAT_EQ(colour[0], r);
    EXPECT_FLOAT_EQ(colour[1], g);
    EXPECT_FLOAT_EQ(colour[2], b);
    EXPECT_FLOAT_EQ(colour[3], a);
}

TEST(Scene, WithoutTracksLooksDownMinusZClearsToBlackWithoutFog)
{
    ProjectBuilder project;
    project.add(SectionKind::Scene);
    LoadedShow show(project);
    ASSERT_EQ(show.error, "");
    const Scene& scene = show.object<Scene>(SectionKind::Scene, 0);
    const Scene& expected = *static_cast<Scene*>(createScene());
    const float eye[3] = {0, 0, 0}, target[3] = {0, 0, -10};
    EXPECT_EQ(std::memcmp(scene.eye, eye, sizeof eye), 0);
    EXPECT_EQ(std::memcmp(scene.target, target, sizeof target), 0);
    EXPECT_EQ(scene.fieldOfView, 70.0f);
    EXPECT_EQ(scene.aspect, 1.33f);
    EXPECT_EQ(scene.clearBuffers, 1);
    EXPECT_EQ(scene.clearWithFogColor, 0);
    expectColour(scene.clearColor, 0, 0, 0, 1);
    EXPECT_EQ(scene.fogMode, -1);
    expectColour(scene.fogColor, 0.5f, 0.5f, 0.5f, 1);
    EXPECT_FALSE(scene.zoomGlowOn());
    EXPECT_EQ(scene.glowCount, 4);
    expectColour(scene.fadeColor, 0, 0, 0, 0);
    EXPECT_EQ(scene.viewportEnabled, 0);
    for (const ImageQuad* quad : {&scene.overlayImage, &scene.backgroundImage}) {
        EXPECT_EQ(quad->textureIndex, -1);
        EXPECT_EQ(quad->width, 1.0f);
        expectColour(quad->color, 1, 1, 1, 1);
    }
    // Building from no tracks leaves every field as constructed.
    const size_t base = sizeof(ProjectObject);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&scene) + base,
                          reinterpret_cast<const char*>(&expected) + base, sizeof(Scene) - base),
              0);
    const_cast<Scene&>(expected).destroy(DESTROY_FREE);
}

TEST(Scene, CameraTrackScalesPositionsByAThirtySecondAndKeepsRollInDegrees)
{
    Scene& scene = *static_cast<Scene*>(createScene());
    apply(scene, SceneTrack::Camera, {64, 0, 32, 0, 0, 0, 15});
    EXPECT_EQ(scene.eye[0], 2.0f);
    EXPECT_EQ(scene.eye[1], 0.0f);
    EXPECT_EQ(scene.eye[2], 1.0f);
    for (float t : scene.target) EXPECT_EQ(t, 0.0f);
    EXPECT_EQ(scene.roll, 15.0f);
    scene.destroy(DESTROY_FREE);
}

TEST(Scene, FogModeTruncatesAndAnythingElseSwitchesFogOff)
{
    Scene& scene = *static_cast<Scene*>(createScene());
    const struct {
        float value;
        int32_t mode;
    } cases[] = {{0.0f, GL_LINEAR}, {0.99f, GL_LINEAR}, {1.9f, GL_EXP}, {2.0f, GL_EXP2},
                 {-0.5f, GL_LINEAR}, {-1.0f, -1}, {3.0f, -1}, {1e20f, -1}};
    for (const auto& c : cases) {
        apply(scene, SceneTrack::Fog, {c.value, 0, 0, 64, 128, 192, 16, 320, 0, 25});
        EXPECT_EQ(scene.fogMode, c.mode) << c.value;
    }
    expectColour(scene.fogColor, 0.25f, 0.5f, 0.75f, 1.0f);
    EXPECT_EQ(scene.fogStart, 0.5f);
    EXPECT_EQ(scene.fogEnd, 10.0f);
    EXPECT_EQ(scene.fogDensity, 0.25f);
    scene.destroy(DESTROY_FREE);
}

TEST(Scene, ZoomGlowOffKeepsCountAndColourForItsReturn)
{
    Scene& scene = *static_cast<Scene*>(createScene());
    apply(scene, SceneTrack::ZoomGlow, {50, 3.7f, 0, 128, 64, 32});
    EXPECT_TRUE(scene.zoomGlowOn());
    EXPECT_EQ(scene.flags, SCENE_ZOOM_GLOW);
    EXPECT_EQ(scene.glowSize, 50.0f);
    EXPECT_EQ(scene.glowCount, 3);
    expectColour(scene.glowColor, 0.5f, 0.25f, 0.125f, 0.5f);

    apply(scene, SceneTrack::ZoomGlow, {0, 9, 0, 255, 255, 255});
    EXPECT_FALSE(scene.zoomGlowOn());
    EXPECT_EQ(scene.glowSize, 50.0f);
    EXPECT_EQ(scene.glowCount, 3);
    expectColour(scene.glowColor, 0.5f, 0.25f, 0.125f, 0.5f);

    apply(scene, SceneTrack::ZoomGlow, {-4, 9});
    EXPECT_FALSE(scene.zoomGlowOn()) << "below zero is off too";

    apply(scene, SceneTrack::ZoomGlow, {25, 2, 0, 0, 0, 256});
    EXPECT_TRUE(scene.zoomGlowOn());
    EXPECT_EQ(scene.glowCount, 2);
    expectColour(scene.glowColor, 0, 0, 1, 0.25f);
    scene.destroy(DESTROY_FREE);
}

TEST(Scene, ClearFadeAndViewportTracks)
{
    Scene& scene = *static_cast<Scene*>(createScene());
    apply(scene, SceneTrack::Clear, {0, 0, 0, 32, 64, 128, 0.5f});
    EXPECT_EQ(scene.clearBuffers, 0);
    EXPECT_EQ(scene.clearWithFogColor, 1);
    expectColour(scene.clearColor, 0.125f, 0.25f, 0.5f, 1);
    apply(scene, SceneTrack::Clear, {0.1f, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(scene.clearBuffers, 1);
    EXPECT_EQ(scene.clearWithFogColor, 0);

    apply(scene, SceneTrack::Fade, {75, 0, 0, 256, 128, 0});
    expectColour(scene.fadeColor, 1, 0.5f, 0, 0.75f);

    apply(scene, SceneTrack::Viewport, {1, 0, 0, 10, 20, 0, 50, 60, 0, 45, 2});
    EXPECT_EQ(scene.viewportEnabled, 1);
    EXPECT_EQ(scene.viewportX, 10.0f);
    EXPECT_EQ(scene.viewportY, 20.0f);
    EXPECT_EQ(scene.viewportWidth, 50.0f);
    EXPECT_EQ(scene.viewportHeight, 60.0f);
    EXPECT_EQ(scene.fieldOfView, 45.0f);
    EXPECT_EQ(scene.aspect, 2.0f);
    apply(scene, SceneTrack::Viewport, {0});
    EXPECT_EQ(scene.viewportEnabled, 0);
    scene.destroy(DESTROY_FREE);
}

TEST(Scene, ImageTracksFillTheirQuadsInFractionsAndTwoHundredFiftyFifths)
{
    Scene& scene = *static_cast<Scene*>(createScene());
    apply(scene, SceneTrack::Background, {2.9f, 51, 0, 25, 50, 0, 20, 10, 0, 255, 0, 102});
    const ImageQuad& b = scene.backgroundImage;
    EXPECT_EQ(b.textureIndex, 2);
    EXPECT_FLOAT_EQ(b.x, 0.25f);
    EXPECT_FLOAT_EQ(b.y, 0.5f);
    EXPECT_FLOAT_EQ(b.width, 0.2f);
    EXPECT_FLOAT_EQ(b.height, 0.1f);
    expectColour(b.color, 1, 0, 0.4f, 0.2f);
    EXPECT_EQ(scene.overlayImage.textureIndex, -1) << "the overlay is its own quad";

    apply(scene, SceneTrack::Overlay, {-1.5f, 255, 0, 0, 0, 0, 100, 100});
    EXPECT_EQ(scene.overlayImage.textureIndex, -1);
    EXPECT_EQ(scene.backgroundImage.textureIndex, 2);
    scene.destroy(DESTROY_FREE);
}

TEST(Scene, CaptionRingGlowAndUnknownTracksChangeNoField)
{
    Scene& scene = *static_cast<Scene*>(createScene());
    Scene& fresh = *static_cast<Scene*>(createScene());
    apply(scene, SceneTrack::Caption, {50, 50, 0, 255, 255, 255, 255});
    apply(scene, SceneTrack::RingGlow, {4, 8, 0, 255, 255, 255});
    AnimTrack other;
    other.flags = TRACK_APPLY | 200;
    other.value[0] = 99;
    scene.applyTrack(other);
    // Every field after the base part is as constructed.
    const size_t base = sizeof(ProjectObject);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&scene) + base,
                          reinterpret_cast<const char*>(&fresh) + base, sizeof(Scene) - base),
              0);
    scene.destroy(DESTROY_FREE);
    fresh.destroy(DESTROY_FREE);
}

TEST(SceneKind, NamesTheTrackIdsForProjectSources)
{
    ProjectBuilder project;
    std::string error;
    ASSERT_TRUE(parseProjectSource("scene s\n  param Camera 64 0 32 0 0 0 15\n  param Caption \"Hi\" 10 20\n",
                                   "test.proj", project, error))
        << error;
    LoadedShow show(project);
    const Scene& scene = show.object<Scene>(SectionKind::Scene, 0);
    EXPECT_EQ(scene.eye[0], 2.0f);
    EXPECT_EQ(scene.roll, 15.0f);
}

}  // namespace
