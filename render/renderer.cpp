#include <cstring>

#include "core/memory.h"
#include "gl/gl_context.h"
#include "render/fonts.h"
#include "render/object_gl.h"
#include "render/render_state.h"
#include "render/screenshot.h"
#include "texture/texture.h"

RenderState tr;

bool initRenderer(int32_t width, int32_t height, PictureFit fit)
{
    const PictureRect picture = fitPicture(width, height, fit);
    tr.outputWidth = width;
    tr.outputHeight = height;
    tr.pictureX = picture.x;
    tr.pictureY = picture.y;
    tr.screenWidth = picture.width;
    tr.screenHeight = picture.height;
    if (!initGraphics()) return false;
    installObjectDevices();

    // The glow texture: transparent black on the card until the first frame copies into it.
    tr.glowTexture = new Texture();
    tr.glowTexture->setSize(128);
    tr.glowTexture->upload();

    tr.captionFont = memNew<BitmapFont>();
    tr.captionFont->create();
    return true;
}

bool pictureHasBars() { return tr.screenWidth != tr.outputWidth || tr.screenHeight != tr.outputHeight; }

void setPictureViewport(int32_t x, int32_t y, int32_t width, int32_t height)
{
    glViewport(tr.pictureX + x, tr.pictureY + y, width, height);
}

void beginPicture()
{
    if (!pictureHasBars()) return;
    // Every frame: a swapped back buffer keeps nothing. The scissor keeps
    // everything else (clears, glyph bitmaps, wide points) off the bars.
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
    glScissor(tr.pictureX, tr.pictureY, tr.screenWidth, tr.screenHeight);
    glEnable(GL_SCISSOR_TEST);
}

void finishDrawing() { glFinish(); }

void shutdownRenderer()
{
    memDelete(tr.captionFont);  // its 96 lists go with it
    tr.captionFont = nullptr;
    if (tr.glowTexture) tr.glowTexture->destroy(DESTROY_FREE);
    tr.glowTexture = nullptr;
    removeObjectDevices();
    shutdownGraphics();
}

void readFramePixels(int32_t width, int32_t height, uint8_t* rgba)
{
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
