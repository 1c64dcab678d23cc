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
    {0, "Camera", PARAM, onScene<applyCamera>,
     "Where the camera stands, the point it looks at, and how far it rolls about the line between them.",
     SceneCamera::values},
    {1, "Fog", PARAM, onScene<applyFog>,
     "Fogs the meshes and particles by their distance: `linear` from `start` to `end`, `exp` and `exp2` by "
     "`density`; its colour is out of 256, the images' out of 255.",
     SceneFog::values},
    {2, "Clear", PARAM, onScene<applyClear>,
     "Sets the colour the frame is cleared to (`fogColour` takes the fog's); the picture is cleared after the "
     "glow source whatever `clear` says, so `clear=0` keeps no old picture: it only leaves the colour as the last "
     "scene that cleared set it (light grey before any).",
     SceneClear::values},
    {3, "Fade", PARAM, onScene<applyFade>,
     "Lays the colour over the whole frame at `alpha` percent, last of all, captions included.",
     SceneFade::values},
    {4, "ZoomGlow", PARAM, onScene<applyZoomGlow>,
     "Lays `count` copies of the glow source over the picture, each larger (the last by about `size` x 2 % of "
     "the screen width on every side) and fainter; where a copy's colour (source times `colour`) is c it adds "
     "c x (1 - c), so half-bright copies glow most and white adds nothing, and `size=0` switches it off.",
     SceneZoomGlow::values},
    {5, "Overlay", LAYER, onScene<applyOverlay>,
     "Lays a texture over the frame after the glows, blended by its alpha times `alpha`, its bottom-left corner "
     "at `x`, `y` percent of the screen from the bottom left; the texture's first row (the top of its dumped "
     "picture) is at the bottom, and every Overlay track draws, in order.",
     SceneImage::values},
    {6, "Background", PARAM, onScene<applyBackground>,
     "An image like `Overlay`'s, drawn behind the meshes (and not into the glow source), placed on the whole "
     "screen even with a sub-viewport; a scene has one, the last Background track's.",
     SceneImage::values},
    {7, "Viewport", PARAM, onScene<applyViewport>,
     "When `on`, draws the meshes, particles and glows into this part of the screen (percent from the bottom "
     "left), squeezed into it; the picture's vertical angle is `fieldOfView` x 4/3 degrees at 4:3 whatever the "
     "output, and `aspect` shapes only the frame on which `fieldOfView` changes.",
     SceneViewport::values},
    {8, "Caption", LAYER, nullptr,
     "Writes the track's name (one line, characters 32 to 127) in the caption font, whose size is fixed at a "
     "tenth of the screen width; `x` and `y` are the start of its baseline in percent of the screen, `y` from "
     "the bottom, and a caption starting off the screen is not drawn at all.",
     SceneCaption::values, {}, true},
    {9, "RingGlow", LAYER, nullptr,
     "Lays the glow source over the picture once in place and `count` more times shifted `radius` pixels of the "
     "output (whatever its size) around a circle; a copy adds its colour (source times `colour`) squared, so dim "
     "parts fall away fast.",
     SceneRingGlow::values},
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
