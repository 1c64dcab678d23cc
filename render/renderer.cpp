#include <cstring>

#include "core/memory.h"
#include "gl/gl_context.h"
#include "render/fonts.h"
#include "render/object_gl.h"
#include "render/render_state.h"
#include "render/screenshot.h"
#include "texture/texture.h"

RenderState tr;

bool initRenderer(int32_t width, int32_t height)
{
    tr.screenWidth = width;
    tr.screenHeight = height;
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
