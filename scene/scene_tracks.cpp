#include "scene/scene_tracks.h"

#include "scene/scene.h"

namespace {

template <void (*Apply)(Scene&, const AnimTrack&)>
constexpr TrackHandler onScene = handlerFor<Scene, Apply>;

void setColour(float* colour, const AnimTrack& track, const TrackValue& red, const TrackValue& green,
               const TrackValue& blue, float alpha)
{
    colour[0] = readValue(track, red);
    colour[1] = readValue(track, green);
    colour[2] = readValue(track, blue);
    colour[3] = alpha;
}

void applyCamera(Scene& scene, const AnimTrack& track)
{
    using namespace SceneCamera;
    scene.eye[0] = readValue(track, eyeX);
    scene.eye[1] = readValue(track, eyeY);
    scene.eye[2] = readValue(track, eyeZ);
    scene.target[0] = readValue(track, targetX);
    scene.target[1] = readValue(track, targetY);
    scene.target[2] = readValue(track, targetZ);
    scene.roll = readValue(track, roll);
}

void applyFog(Scene& scene, const AnimTrack& track)
{
    using namespace SceneFog;
    scene.fogMode = fogModeOf(readWhole(track, mode));
    setColour(scene.fogColor, track, red, green, blue, 1.0f);
    scene.fogStart = readValue(track, start);
    scene.fogEnd = readValue(track, end);
    scene.fogDensity = readValue(track, density);
}

void applyClear(Scene& scene, const AnimTrack& track)
{
    using namespace SceneClear;
    scene.clearBuffers = readFlag(track, clear) ? 1 : 0;
    scene.clearWithFogColor = readFlag(track, fogColour) ? 1 : 0;
    setColour(scene.clearColor, track, red, green, blue, 1.0f);
}

void applyFade(Scene& scene, const AnimTrack& track)
{
    using namespace SceneFade;
    setColour(scene.fadeColor, track, red, green, blue, readValue(track, alpha));
}

void applyZoomGlow(Scene& scene, const AnimTrack& track)
{
    using namespace SceneZoomGlow;
    // Switching off keeps size, count and colour for when it comes back.
    const float glowSize = readValue(track, size);
    if (glowSize > 0.0f) {
        scene.flags |= SCENE_ZOOM_GLOW;
        scene.glowSize = glowSize;
        scene.glowCount = readWhole(track, count);
        setColour(scene.glowColor, track, red, green, blue, glowSize / 100.0f);
    } else {
        scene.flags &= ~SCENE_ZOOM_GLOW;
    }
}

void applyOverlay(Scene& scene, const AnimTrack& track) { scene.overlayImage = imageQuadOf(track); }

void applyBackground(Scene& scene, const AnimTrack& track) { scene.backgroundImage = imageQuadOf(track); }

void applyViewport(Scene& scene, const AnimTrack& track)
{
    using namespace SceneViewport;
    // The viewport stays in percent of the screen; the renderer scales it.
    scene.viewportEnabled = readFlag(track, on) ? 1 : 0;
    scene.viewportX = readRaw(track, x);
    scene.viewportY = readRaw(track, y);
    scene.viewportWidth = readRaw(track, width);
    scene.viewportHeight = readRaw(track, height);
    scene.fieldOfView = readValue(track, fieldOfView);
    scene.aspect = readValue(track, aspect);
}

constexpr ModeName fogModes[] = {
    {-1, "none", "no fog (any value but the three below)"},
    {static_cast<int32_t>(FogMode::Linear), "linear", "from start to end"},
    {static_cast<int32_t>(FogMode::Exp), "exp", "exponential in the density"},
    {static_cast<int32_t>(FogMode::Exp2), "exp2", "exponential in the density squared"},
};

constexpr TrackRole PARAM = TrackRole::Param;
constexpr TrackRole LAYER = TrackRole::Layer;

constexpr TrackRow rows[] = {
    {0, "Camera", PARAM, onScene<applyCamera>, SceneCamera::values},
    {1, "Fog", PARAM, onScene<applyFog>, SceneFog::values},
    {2, "Clear", PARAM, onScene<applyClear>, SceneClear::values},
    {3, "Fade", PARAM, onScene<applyFade>, SceneFade::values},
    {4, "ZoomGlow", PARAM, onScene<applyZoomGlow>, SceneZoomGlow::values},
    {5, "Overlay", LAYER, onScene<applyOverlay>, SceneImage::values},
    {6, "Background", PARAM, onScene<applyBackground>, SceneImage::values},
    {7, "Viewport", PARAM, onScene<applyViewport>, SceneViewport::values},
    {8, "Caption", LAYER, nullptr, SceneCaption::values, {}, true},
    {9, "RingGlow", LAYER, nullptr, SceneRingGlow::values},
};

}  // namespace

ImageQuad imageQuadOf(const AnimTrack& track)
{
    using namespace SceneImage;
    ImageQuad quad;
    quad.textureIndex = readWhole(track, texture);
    quad.x = readValue(track, x);
    quad.y = readValue(track, y);
    quad.width = readValue(track, width);
    quad.height = readValue(track, height);
    quad.color[0] = readValue(track, red);
    quad.color[1] = readValue(track, green);
    quad.color[2] = readValue(track, blue);
    quad.color[3] = readValue(track, alpha);
    return quad;
}

const ModeList fogModeNames = {"fog mode", fogModes};
const TrackTable sceneTracks = {SectionKind::Scene, "scene", rows};
