// The renderer's state in one struct (Quake III's `tr`): the drawable's
// size, the shared rendering objects, and what the frame being drawn reads
// besides the registry and Timeline renderFrame is given.
#pragma once
#include <cstdint>

#include "render/picture_frame.h"

// The passes of a frame in their order, as a timedemo counts them.
enum class FramePass : uint8_t {
    GlowSource,  // clear, fog, the lit meshes at 128 x 128 and their copy
    Background,  // the clear at full size and the background image
    Meshes,      // lights and sorted meshes
    Particles,
    Layers2D,    // zoom and ring glows, overlays, captions, fade
    Present,     // flush and swap (or, headless, the finish)
};
constexpr int FRAME_PASSES = 6;

struct BitmapFont;
struct ObjectRegistry;
class Scene;
class Texture;
class Timeline;

struct RenderState {
    // The picture the show draws: its size, and where it lies in the
    // drawable (all of it at 4:3, or stretched; else centred between bars).
    int32_t screenWidth = 640;  // pixels
    int32_t screenHeight = 480;
    int32_t pictureX = 0, pictureY = 0;  // from the drawable's bottom left
    int32_t outputWidth = 640;  // pixels of the window or headless drawable
    int32_t outputHeight = 480;
    // Drawn N times the size for a capture filtered down: what the show
    // measures in pixels (the ring glows' radius) is N times as many.
    float pixelScale = 1.0f;
    BitmapFont* captionFont = nullptr;  // made by initRenderer
    // 128 x 128, made by initRenderer: receives the glow source every frame,
    // and is what a mesh's texture index -2 binds.
    Texture* glowTexture = nullptr;
    // The frame being drawn, set by renderFrame. What frames carry from one
    // to the next (the camera's field of view) is the show's, in its registry.
    ObjectRegistry* registry = nullptr;
    Timeline* timeline = nullptr;
    Scene* currentScene = nullptr;  // or null
    // Drawn over the finished frame just before it is shown: the preview's
    // status and errors. Null in the show and in every capture.
    void (*afterFrame)() = nullptr;
    // Called as each pass of a frame ends, for a timedemo's shares; null
    // otherwise.
    void (*passEnded)(FramePass pass) = nullptr;
};

extern RenderState tr;

// With a context current (made by the platform layer) of width x height:
// where the picture lies in it, initGraphics, then the glow texture and the
// caption font, and the card's side of the objects (render/object_gl.h).
// False when initGraphics fails.
bool initRenderer(int32_t width, int32_t height, PictureFit fit = PictureFit::KeepShape);
// True when the picture leaves bars of the drawable uncovered.
bool pictureHasBars();
// The viewport (x, y, w, h) of the picture, moved to where the picture lies.
void setPictureViewport(int32_t x, int32_t y, int32_t width, int32_t height);
// The start of anything drawn to the drawable: the bars cleared to black
// and the picture's scissor on, when there are bars; nothing otherwise.
void beginPicture();
// Waits until the card has drawn everything asked of it so far.
void finishDrawing();
// Releases what initRenderer made, then the context.
void shutdownRenderer();
