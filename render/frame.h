// One frame of the show: the current Scene through its camera, cleared and
// fogged as it says, the lit meshes twice (a 128 x 128 glow source, then at
// full size), the particles, then the 2D layers (zoom and ring glows, image
// overlays, captions, fade), then the buffer swap.
#pragma once
#include <cstdint>

class Mesh;
class Scene;
class Timeline;
struct ImageQuad;
struct MeshMaterial;
struct ObjectRegistry;

constexpr int32_t GLOW_SOURCE_SIZE = 128;  // pixels square, the glow texture's size
constexpr int32_t LIGHT_SLOTS = 7;          // OpenGL's eighth light is never used

// The frame of the registry's objects at the Timeline's time; its state
// (the current Scene, the camera's field of view...) is in tr
// (render/render_state.h).
void renderFrame(ObjectRegistry& registry, Timeline& timeline);
// The Scene at the Timeline's index, or null for -1 and any index at or past
// the number of Scenes.
Scene* sceneForFrame(ObjectRegistry& registry, const Timeline& timeline);

void applySceneCamera(const Scene& scene);
void renderScene(const Scene& scene);

// The 3D passes, each also used by the small glow pass.
void applyLights();
void drawMeshes();
void drawParticles();

void applyMaterial(const MeshMaterial& material);
void endMaterial();

struct MeshSortEntry {
    Mesh* mesh;
    float distance;  // from the Scene's eye to the mesh's position
};
// Bubble sort that swaps only on strict inequality, so that equal distances
// keep their section order: near to far, or far to near.
void sortMeshEntries(MeshSortEntry* entries, int32_t count, bool nearFirst);

// The one 2D set-up: the pixel projection over the screen (origin bottom
// left), identity modelview, modelview selected.
void loadPixelProjection();
// loadPixelProjection with the 2D layers' state, and the fixed 4/3
// perspective restore after it.
void begin2D();
void end2D();
void drawImageQuad(const ImageQuad& quad);
void drawFullScreenQuad();

// The 2D layers of renderScene, in their order.
void drawZoomGlow(const Scene& scene);
void drawRingGlows(const Scene& scene);
void drawImageOverlays(const Scene& scene);
void drawCaptions(const Scene& scene);
void drawFade(const Scene& scene);
