// One shot of the show: a camera, how the frame is cleared and fogged, an
// optional sub-viewport, the zoom glow, a background image and a fade. Its
// tracks also carry 2D layers (image overlays, captions, ring glows) that
// the renderer draws straight from the tracks.
#pragma once
#include <cstdint>

#include "core/project_object.h"
#include "scene/scene_tracks.h"

constexpr uint32_t SCENE_ZOOM_GLOW = 4;  // flags bit: zoom glow on

// The fog modes, by the values OpenGL gives them (the renderer hands fogMode
// to glFogi as it is; render/object_gl.cpp checks the values).
constexpr int32_t FOG_LINEAR = 0x2601;  // GL_LINEAR
constexpr int32_t FOG_EXP = 0x0800;     // GL_EXP
constexpr int32_t FOG_EXP2 = 0x0801;    // GL_EXP2

// An image laid over the screen; position and size are fractions of the
// screen from the bottom left.
struct ImageQuad {
    int32_t textureIndex = -1;  // into the Texture section; -1 none
    float x = 0.0f, y = 0.0f;
    float width = 1.0f, height = 1.0f;
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};

class Scene : public ProjectObject {
public:
    float eye[3] = {0.0f, 0.0f, 0.0f};
    float target[3] = {0.0f, 0.0f, -10.0f};
    float roll = 0.0f;  // degrees
    float fadeColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    uint32_t flags = 0;
    int32_t fogMode = -1;  // FOG_LINEAR, FOG_EXP, FOG_EXP2, or -1 for no fog
    float fogStart = 0.1f;
    float fogEnd = 6.0f;
    float fogDensity = 0.5f;
    float fogColor[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    uint8_t clearBuffers = 1;
    uint8_t clearWithFogColor = 0;
    float clearColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float glowSize = 6.0f;
    int32_t glowCount = 4;
    float glowColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    ImageQuad overlayImage;
    ImageQuad backgroundImage;
    uint8_t viewportEnabled = 0;
    float viewportX = 0.0f, viewportY = 0.0f;  // percent of the screen
    float viewportWidth = 100.0f, viewportHeight = 100.0f;
    float fieldOfView = 70.0f;
    float aspect = 1.33f;

    int applyTrack(AnimTrack& track) override;
    int build() override;  // the parameter tracks

    bool zoomGlowOn() const { return (flags & SCENE_ZOOM_GLOW) != 0; }
};

// The image-quad fields of an overlay or background track; the texture
// index as given (truncated).
ImageQuad imageQuadOf(const AnimTrack& track);

// The GL fog mode of a FogMode value; -1 (no fog) for any other value.
int32_t fogModeOf(int32_t mode);

ProjectObject* createScene();
