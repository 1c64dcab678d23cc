// The 2D layers laid over the 3D pass: zoom glow, ring glows, image
// overlays, captions and fade, all at pixel coordinates.
#include <cmath>

#include "core/numeric.h"
#include "core/object_registry.h"
#include "render/render_state.h"
#include "render/fonts.h"
#include "render/frame.h"
#include "render/object_gl.h"
#include "gl/gl.h"
#include "gl/texture_units.h"
#include "scene/scene.h"
#include "texture/texture.h"

namespace {

void quadAt(float x0, float y0, float x1, float y1)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(x0, y0);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(x1, y0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(x1, y1);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(x0, y1);
    glEnd();
}

// Scene tracks of one id that are to be applied, in list order.
template <class Draw>
void forEachLayerTrack(const Scene& scene, SceneTrack id, Draw draw)
{
    for (const AnimTrack* track : scene.paramTracks)
        if (track->id() == static_cast<uint8_t>(id) && track->applies()) draw(*track);
}

void bindGlowTexture()
{
    if (tr.glowTexture) bindTexture(*tr.glowTexture);
}

}  // namespace

void loadPixelProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, tr.screenWidth, 0, tr.screenHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void begin2D()
{
    loadPixelProjection();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
}

void end2D()
{
    float restore = 70.0f;  // without a show, as its first frame has it
    if (ObjectRegistry* show = tr.registry) restore = show->restoreFieldOfView = show->cachedFieldOfView;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(restore * 4.0f / 3.0f, 4.0 / 3.0, 0.01, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void drawFullScreenQuad()
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2i(0, 0);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2i(tr.screenWidth, 0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2i(tr.screenWidth, tr.screenHeight);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2i(0, tr.screenHeight);
    glEnd();
}

void drawImageQuad(const ImageQuad& quad)
{
    Texture* texture = textureAt(tr.registry, quad.textureIndex);
    if (!texture) return;
    setTextureUnit(1, false);
    setTextureUnit(0, true, texture->glTexture);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glColor4fv(quad.color);
    const float w = static_cast<float>(tr.screenWidth), h = static_cast<float>(tr.screenHeight);
    const float x0 = w * quad.x, y0 = h * quad.y;
    quadAt(x0, y0, x0 + w * quad.width, y0 + h * quad.height);
}

void drawZoomGlow(const Scene& scene)
{
    if (!scene.zoomGlowOn() || !(scene.glowSize > 0.0f)) return;
    disableTextureUnits();
    begin2D();
    glBlendFunc(GL_ONE_MINUS_SRC_COLOR, GL_ONE);
    glEnable(GL_BLEND);
    bindGlowTexture();
    const float w = static_cast<float>(tr.screenWidth), h = static_cast<float>(tr.screenHeight);
    for (int32_t i = 0; i < scene.glowCount; ++i) {
        // Each copy larger and fainter than the one before.
        const float f = static_cast<float>(i) / static_cast<float>(scene.glowCount);
        const float d = f * scene.glowSize * w * 0.02f;
        const float fade = 1.0f - f;
        glColor4f(scene.glowColor[0] * fade, scene.glowColor[1] * fade, scene.glowColor[2] * fade,
                  scene.glowColor[3] * fade);
        quadAt(-d, -d, w + d, h + d);
    }
    end2D();
}

void drawRingGlows(const Scene& scene)
{
    forEachLayerTrack(scene, SceneTrack::RingGlow, [](const AnimTrack& track) {
        using namespace SceneRingGlow;
        const int32_t n = readWhole(track, count);
        if (n <= 0) return;
        const float r = readValue(track, radius) * tr.pixelScale;
        disableTextureUnits();
        begin2D();
        glBlendFunc(GL_SRC_COLOR, GL_ONE);
        glEnable(GL_BLEND);
        bindGlowTexture();
        glColor3f(readValue(track, red), readValue(track, green), readValue(track, blue));
        const float w = static_cast<float>(tr.screenWidth), h = static_cast<float>(tr.screenHeight);
        quadAt(0.0f, 0.0f, w, h);
        for (int32_t j = 0; j < n; ++j) {
            const float a = radians(static_cast<float>(j) / static_cast<float>(n) * 360.0f);
            const float x = r * std::cos(a), y = r * std::sin(a);
            quadAt(x, y, w + x, h + y);
        }
        end2D();
    });
}

void drawImageOverlays(const Scene& scene)
{
    forEachLayerTrack(scene, SceneTrack::Overlay, [](const AnimTrack& track) {
        ImageQuad quad = imageQuadOf(track);
        // Unlike the Scene's own image fields, an overlay rounds its index
        // to the nearest integer (ties to even).
        quad.textureIndex = truncToInt32(std::nearbyint(readRaw(track, SceneImage::texture)));
        drawImageQuad(quad);
    });
}

void drawCaptions(const Scene& scene)
{
    if (!tr.captionFont) return;
    forEachLayerTrack(scene, SceneTrack::Caption, [](const AnimTrack& track) {
        using namespace SceneCaption;
        // 256 is a power of two: the colour's division is the 1/256 product the
        // captions were drawn with.
        glColor4f(readValue(track, red), readValue(track, green), readValue(track, blue), readValue(track, alpha));
        // A percent of the screen, scaled in this order (not readValue's v / 100).
        const float px = static_cast<float>(tr.screenWidth) / 100.0f * readRaw(track, x);
        const float py = static_cast<float>(tr.screenHeight) / 100.0f * readRaw(track, y);
        tr.captionFont->drawText(px, py, track.name);
    });
}

void drawFade(const Scene& scene)
{
    if (!(scene.fadeColor[3] > 0.0f)) return;
    disableTextureUnits();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glColor4fv(scene.fadeColor);
    drawFullScreenQuad();
}
