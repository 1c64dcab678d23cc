// The renderer's state in one struct (Quake III's `tr`): the drawable's
// size, the shared rendering objects, and what the frame being drawn reads
// besides the registry and Timeline renderFrame is given.
#pragma once
#include <cstdint>

struct BitmapFont;
struct ObjectRegistry;
class Scene;
class Timeline;

struct RenderState {
    int32_t screenWidth = 640;  // pixels of the window or headless drawable
    int32_t screenHeight = 480;
    BitmapFont* captionFont = nullptr;  // made by initRenderer
    // The frame being drawn (set by renderFrame).
    ObjectRegistry* registry = nullptr;
    Timeline* timeline = nullptr;
    Scene* currentScene = nullptr;     // or null
    float cachedFieldOfView = 0.0f;    // of the last projection a Scene camera built
    float restoreFieldOfView = 70.0f;  // of the 3D restore
};

extern RenderState tr;

// With a context current (made by the platform layer) of width x height:
// initGraphics, then the glow texture and the caption font, and the card's
// side of the objects (render/object_gl.h). False when initGraphics fails.
bool initRenderer(int32_t width, int32_t height);
// Releases what initRenderer made, then the context.
void shutdownRenderer();
// Starts the frame state over as a show's first frame finds it (the camera
// projection is rebuilt at the next Scene).
void resetFrameState();
