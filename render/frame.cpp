#include "render/frame.h"

#include <cmath>

#include "core/numeric.h"
#include "render/render_state.h"
#include "core/timeline.h"
#include "platform/glimp.h"
#include "gl/gl.h"
#include "render/object_gl.h"
#include "scene/scene.h"
#include "texture/texture.h"

Scene* sceneForFrame(ObjectRegistry& registry, const Timeline& timeline)
{
    return static_cast<Scene*>(registry.at(SectionKind::Scene, timeline.sceneIndex));
}

void renderFrame(ObjectRegistry& registry, Timeline& timeline)
{
    tr.registry = &registry;
    tr.timeline = &timeline;
    beginPicture();
    setPictureViewport(0, 0, tr.screenWidth, tr.screenHeight);
    glColor3f(1.0f, 1.0f, 1.0f);
    tr.currentScene = sceneForFrame(registry, timeline);
    // Without a Scene the back buffer is presented as it is.
    if (tr.currentScene) {
        applySceneCamera(*tr.currentScene);
        renderScene(*tr.currentScene);
        glColor3f(1.0f, 1.0f, 1.0f);
    }
    if (tr.afterFrame) tr.afterFrame();
    glFlush();
    GLimp_SwapBuffers();
    if (tr.passEnded) tr.passEnded(FramePass::Present);
}

void applySceneCamera(const Scene& scene)
{
    // The projection is rebuilt only when the field of view changes; after
    // any frame it is otherwise the 3D restore's (aspect 4/3).
    float unshared = 0.0f;  // a Scene outside any show always builds its own
    float& cachedFieldOfView = scene.registry ? scene.registry->cachedFieldOfView : unshared;
    if (scene.fieldOfView != cachedFieldOfView) {
        cachedFieldOfView = scene.fieldOfView;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        // The product of the two fields, as the show has it.
        gluPerspective(scene.fieldOfView * scene.aspect, scene.aspect, 0.01, 100.0);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float r = radians(scene.roll);
    gluLookAt(scene.eye[0], scene.eye[1], scene.eye[2], scene.target[0], scene.target[1], scene.target[2],
              std::sin(r), std::cos(r), 0.0);
}

namespace {

// Drawn at pixel coordinates under a 2D projection of its own and without
// depth, so that it stays behind the 3D pass; the camera is restored after.
void drawBackground(const Scene& scene)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    loadPixelProjection();
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    drawImageQuad(scene.backgroundImage);
    glPopAttrib();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

}  // namespace

void renderScene(const Scene& scene)
{
    if (scene.clearBuffers) {
        const float* colour = scene.clearWithFogColor ? scene.fogColor : scene.clearColor;
        glClearColor(colour[0], colour[1], colour[2], 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else {
        glClear(GL_DEPTH_BUFFER_BIT);
    }

    // Fog stays as set for the rest of the frame, 2D layers included.
    if (scene.fogMode != -1) {
        glFogfv(GL_FOG_COLOR, scene.fogColor);
        glFogi(GL_FOG_MODE, scene.fogMode);
        glFogf(GL_FOG_DENSITY, scene.fogDensity);
        glFogf(GL_FOG_START, scene.fogStart);
        glFogf(GL_FOG_END, scene.fogEnd);
        glEnable(GL_FOG);
    } else {
        glDisable(GL_FOG);
    }

    // The glow source: the lit meshes at 128 x 128, every frame.
    glPushMatrix();
    // At the picture's own lower left, inside its bars' scissor.
    setPictureViewport(0, 0, GLOW_SOURCE_SIZE, GLOW_SOURCE_SIZE);
    applyLights();
    drawMeshes();
    if (tr.glowTexture) {
        bindTexture(*tr.glowTexture);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, tr.pictureX, tr.pictureY, GLOW_SOURCE_SIZE, GLOW_SOURCE_SIZE, 0);
    }
    glPopMatrix();
    if (tr.passEnded) tr.passEnded(FramePass::GlowSource);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setPictureViewport(0, 0, tr.screenWidth, tr.screenHeight);

    if (scene.backgroundImage.textureIndex != -1) drawBackground(scene);
    if (tr.passEnded) tr.passEnded(FramePass::Background);

    if (scene.viewportEnabled) {
        const float w = static_cast<float>(tr.screenWidth), h = static_cast<float>(tr.screenHeight);
        setPictureViewport(truncToInt32(w / 100.0f * scene.viewportX), truncToInt32(h / 100.0f * scene.viewportY),
                           truncToInt32(w / 100.0f * scene.viewportWidth),
                           truncToInt32(h / 100.0f * scene.viewportHeight));
    }

    applyLights();
    drawMeshes();
    if (tr.passEnded) tr.passEnded(FramePass::Meshes);
    drawParticles();
    if (tr.passEnded) tr.passEnded(FramePass::Particles);

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);

    drawZoomGlow(scene);
    drawRingGlows(scene);

    setPictureViewport(0, 0, tr.screenWidth, tr.screenHeight);
    begin2D();
    drawImageOverlays(scene);
    drawCaptions(scene);
    drawFade(scene);
    end2D();
    if (tr.passEnded) tr.passEnded(FramePass::Layers2D);
}
