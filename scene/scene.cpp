#include "scene/scene.h"

#include "core/numeric.h"
#include "scene/track_table.h"

namespace {

void setColour256(float* colour, const float* values, float alpha)
{
    colour[0] = values[0] / 256.0f;
    colour[1] = values[1] / 256.0f;
    colour[2] = values[2] / 256.0f;
    colour[3] = alpha;
}

int32_t fogModeOf(float value)
{
    switch (truncToInt32(value)) {
    case 0: return FOG_LINEAR;
    case 1: return FOG_EXP;
    case 2: return FOG_EXP2;
    default: return -1;
    }
}

const TrackHandler<Scene> sceneTracks[] = {
    {static_cast<uint8_t>(SceneTrack::Camera), "Camera",
     [](Scene& scene, const AnimTrack& track) {
         for (int i = 0; i < 3; ++i) {
             scene.eye[i] = track.value[i] / 32.0f;
             scene.target[i] = track.value[3 + i] / 32.0f;
         }
         scene.roll = track.value[6];
     }},
    {static_cast<uint8_t>(SceneTrack::Fog), "Fog",
     [](Scene& scene, const AnimTrack& track) {
         scene.fogMode = fogModeOf(track.value[0]);
         setColour256(scene.fogColor, &track.value[3], 1.0f);
         scene.fogStart = track.value[6] / 32.0f;
         scene.fogEnd = track.value[7] / 32.0f;
         scene.fogDensity = track.value[9] / 100.0f;
     }},
    {static_cast<uint8_t>(SceneTrack::Clear), "Clear",
     [](Scene& scene, const AnimTrack& track) {
         scene.clearBuffers = track.value[0] > 0.0f ? 1 : 0;
         scene.clearWithFogColor = track.value[6] > 0.0f ? 1 : 0;
         setColour256(scene.clearColor, &track.value[3], 1.0f);
     }},
    {static_cast<uint8_t>(SceneTrack::Fade), "Fade",
     [](Scene& scene, const AnimTrack& track) {
         setColour256(scene.fadeColor, &track.value[3], track.value[0] / 100.0f);
     }},
    {static_cast<uint8_t>(SceneTrack::ZoomGlow), "ZoomGlow",
     [](Scene& scene, const AnimTrack& track) {
         // Switching off keeps size, count and colour for when it comes back.
         if (track.value[0] > 0.0f) {
             scene.flags |= SCENE_ZOOM_GLOW;
             scene.glowSize = track.value[0];
             scene.glowCount = truncToInt32(track.value[1]);
             setColour256(scene.glowColor, &track.value[3], track.value[0] / 100.0f);
         } else {
             scene.flags &= ~SCENE_ZOOM_GLOW;
         }
     }},
    {static_cast<uint8_t>(SceneTrack::Overlay), "Overlay",
     [](Scene& scene, const AnimTrack& track) { scene.overlayImage = imageQuadOf(track); }},
    {static_cast<uint8_t>(SceneTrack::Background), "Background",
     [](Scene& scene, const AnimTrack& track) { scene.backgroundImage = imageQuadOf(track); }},
    {static_cast<uint8_t>(SceneTrack::Viewport), "Viewport",
     [](Scene& scene, const AnimTrack& track) {
         scene.viewportEnabled = track.value[0] > 0.0f ? 1 : 0;
         scene.viewportX = track.value[3];
         scene.viewportY = track.value[4];
         scene.viewportWidth = track.value[6];
         scene.viewportHeight = track.value[7];
         scene.fieldOfView = track.value[9];
         scene.aspect = track.value[10];
     }},
    // Drawn by the renderer from the track itself.
    {static_cast<uint8_t>(SceneTrack::Caption), "Caption", nullptr},
    {static_cast<uint8_t>(SceneTrack::RingGlow), "RingGlow", nullptr},
};

}  // namespace

ImageQuad imageQuadOf(const AnimTrack& track)
{
    ImageQuad quad;
    quad.textureIndex = truncToInt32(track.value[0]);
    quad.x = track.value[3] / 100.0f;
    quad.y = track.value[4] / 100.0f;
    quad.width = track.value[6] / 100.0f;
    quad.height = track.value[7] / 100.0f;
    quad.color[0] = track.value[9] / 255.0f;
    quad.color[1] = track.value[10] / 255.0f;
    quad.color[2] = track.value[11] / 255.0f;
    quad.color[3] = track.value[1] / 255.0f;
    return quad;
}

int Scene::applyTrack(AnimTrack& track)
{
    dispatchTrack(sceneTracks, *this, track);
    return 0;
}

int Scene::build()
{
    applyParamTracks();
    return 0;
}

ProjectObject* createScene() { return new Scene(); }
const char* sceneTrackName(uint8_t id) { return trackHandlerName(sceneTracks, id); }
int sceneTrackId(std::string_view name) { return trackHandlerId(sceneTracks, name); }
