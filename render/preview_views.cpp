#include "render/preview_views.h"

#include <algorithm>
#include <cmath>

#include "gl/gl_context.h"
#include "gl/texture_units.h"
#include "mesh/mesh.h"
#include "platform/glimp.h"
#include "render/frame.h"
#include "render/object_gl.h"
#include "render/render_state.h"
#include "texture/texture.h"

namespace {

constexpr float GROUND[3] = {0.11f, 0.11f, 0.13f};

void clearTo(const float* rgb)
{
    beginPicture();
    setPictureViewport(0, 0, tr.screenWidth, tr.screenHeight);
    glClearColor(rgb[0], rgb[1], rgb[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// What the views change, kept for the show's next frame.
void saveState()
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
}

void restoreState()
{
    if (shadersAvailable) glExt.glUseProgramObjectARB(0);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

// Texture coordinates (u0, v0) to (u1, v1) over the pixels (x0, y0) to (x1, y1).
void texturedQuad(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1)
{
    glBegin(GL_QUADS);
    glTexCoord2f(u0, v1);
    glVertex2f(x0, y0);
    glTexCoord2f(u1, v1);
    glVertex2f(x1, y0);
    glTexCoord2f(u1, v0);
    glVertex2f(x1, y1);
    glTexCoord2f(u0, v0);
    glVertex2f(x0, y1);
    glEnd();
}

}  // namespace

void drawTextureView(const Texture& texture)
{
    clearTo(GROUND);
    if (texture.size <= 0 || texture.glTexture == 0) return;
    saveState();
    loadPixelProjection();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    setTextureUnit(1, false);
    setTextureUnit(0, true, texture.glTexture);  // textures repeat, as OpenGL's default has them
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    // Two panels above the status bar's height, a margin around each.
    const float w = static_cast<float>(tr.screenWidth), h = static_cast<float>(tr.screenHeight);
    const float margin = std::round(std::max(8.0f, h / 40.0f));
    const float bottom = std::round(h / 16.0f) + margin;
    const float panel = std::max(1.0f, std::min((w - 3.0f * margin) / 2.0f, h - bottom - margin));
    const float size = static_cast<float>(texture.size);
    const float top = h - margin;

    // 1:1, cut to the panel from its top left corner.
    const float shown = std::min(size, panel);
    texturedQuad(margin, top - shown, margin + shown, top, 0.0f, 0.0f, shown / size, shown / size);
    // Two by two copies, shrunk to the panel where they are larger.
    const float tiled = std::min(panel, 2.0f * size);
    const float x = w - margin - tiled;
    texturedQuad(x, top - tiled, x + tiled, top, 0.0f, 0.0f, 2.0f, 2.0f);
    restoreState();
}

void drawMeshView(Mesh& mesh, float degrees)
{
    clearTo(GROUND);
    const MeshBuffers& geometry = mesh.sharedGeometry ? *mesh.sharedGeometry : mesh.buffers;
    if (geometry.vertexCount <= 0 || !geometry.vertices) return;
    Vec3 low = geometry.vertices[0].position, high = low;
    for (int32_t i = 1; i < geometry.vertexCount; ++i) {
        const Vec3& p = geometry.vertices[i].position;
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    const Vec3 centre = {(low.x + high.x) / 2.0f, (low.y + high.y) / 2.0f, (low.z + high.z) / 2.0f};
    float radius = 0.0f;
    for (int32_t i = 0; i < geometry.vertexCount; ++i) {
        const Vec3& p = geometry.vertices[i].position;
        const float dx = p.x - centre.x, dy = p.y - centre.y, dz = p.z - centre.z;
        radius = std::max(radius, std::sqrt(dx * dx + dy * dy + dz * dz));
    }
    if (!(radius > 0.0f) || !std::isfinite(radius)) radius = 1.0f;

    saveState();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = static_cast<double>(tr.screenWidth) / std::max(1, tr.screenHeight);
    // The whole mesh inside a 40 degree view, whichever way it turns.
    const double distance = radius / std::sin(20.0 * M_PI / 180.0) * 1.1;
    gluPerspective(40.0, aspect, distance * 0.05, distance * 4.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, distance * 0.35, distance, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);

    glDisable(GL_FOG);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    for (int slot = 1; slot < 8; ++slot) glDisable(GL_LIGHT0 + static_cast<GLenum>(slot));
    const float position[4] = {-0.5f, 0.8f, 1.0f, 0.0f};  // far away, upper left front
    const float ambient[4] = {0.25f, 0.25f, 0.25f, 1.0f}, white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glEnable(GL_LIGHT0);

    glRotatef(degrees, 0.0f, 1.0f, 0.0f);
    glTranslatef(-centre.x, -centre.y, -centre.z);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    bindMeshTextures(mesh);
    applyMaterial(mesh.material);
    drawGeometry(geometry);
    endMaterial();
    disableTextureUnits();
    restoreState();
}

void drawEmptyView()
{
    const float black[3] = {0.0f, 0.0f, 0.0f};
    clearTo(black);
}

void presentPreviewView()
{
    if (tr.afterFrame) tr.afterFrame();
    glFlush();
    GLimp_SwapBuffers();
}
