#include "render/fonts.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "core/numeric.h"
#include "render/render_state.h"
#include "platform/font.h"
#include "gl/gl.h"
#include "gl/texture_units.h"
#include "resources/font_resources.h"

namespace {

FontFace* openFace(ResourceBlock block) { return Font_Open(block.data, block.size); }

}  // namespace

FontFace* captionFontFace()
{
    static FontFace* face = openFace(captionFontResource());
    return face;
}

FontFace* outlineFontFace()
{
    static FontFace* face = openFace(outlineFontResource());
    return face;
}

int32_t captionFontHeight(int32_t width)
{
    return truncToInt32(static_cast<float>(width) / 640.0f * 64.0f);
}

void BitmapFont::create() { create(captionFontHeight(tr.screenWidth)); }

void BitmapFont::create(int32_t pixelHeight)
{
    release();
    listBase = glGenLists(BITMAP_FONT_LISTS);
    height = pixelHeight;
    std::fill(std::begin(advance), std::end(advance), 0.0f);
    FontFace* face = captionFontFace();

    // Bitmap rows are read when the list is compiled: one byte alignment.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<uint8_t> bits;
    for (uint32_t i = 0; i < BITMAP_FONT_LISTS; ++i) {
        GlyphBitmap glyph;
        const bool rendered = Font_RenderGlyph(face, height, BITMAP_FONT_FIRST + i, &glyph);
        glNewList(listBase + i, GL_COMPILE);
        if (rendered) advance[i] = glyph.advance;
        if (!rendered) {
            glEndList();
            continue;
        }
        // One bit a pixel, bottom row first; a pixel is set where the glyph
        // covers at least half of it.
        const int rowBytes = (glyph.width + 7) / 8;
        // At least one byte: some drivers take a null image (a blank glyph)
        // for a failed allocation.
        bits.assign(std::max<size_t>(1, static_cast<size_t>(rowBytes) * glyph.rows), 0);
        for (int row = 0; row < glyph.rows; ++row) {
            const uint8_t* source = glyph.buffer + static_cast<ptrdiff_t>(row) * glyph.pitch;
            uint8_t* target = bits.data() + static_cast<size_t>(glyph.rows - 1 - row) * rowBytes;
            for (int x = 0; x < glyph.width; ++x)
                if (source[x] >= 128) target[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
        glBitmap(glyph.width, glyph.rows, static_cast<float>(-glyph.left),
                 static_cast<float>(glyph.rows - glyph.top), glyph.advance, 0.0f,
                 bits.data());
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

void BitmapFont::release()
{
    if (listBase != 0) glDeleteLists(listBase, BITMAP_FONT_LISTS);
    listBase = 0;
}

float BitmapFont::textWidth(const char* text) const
{
    float width = 0.0f;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); c && *c; ++c)
        if (*c >= BITMAP_FONT_FIRST && *c < BITMAP_FONT_FIRST + BITMAP_FONT_LISTS) width += advance[*c - BITMAP_FONT_FIRST];
    return width;
}

void BitmapFont::drawText(float x, float y, const char* text) const
{
    if (!text) return;
    disableTextureUnits();
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -1.0f);
    glRasterPos2f(x, y);
    glPushAttrib(GL_LIST_BIT);
    glListBase(listBase - BITMAP_FONT_FIRST);
    // Runs of codes inside the font's block; any other code would call some
    // other owner's list.
    const unsigned char* run = reinterpret_cast<const unsigned char*>(text);
    for (const unsigned char* c = run;; ++c) {
        const bool inside = *c >= BITMAP_FONT_FIRST && *c < BITMAP_FONT_FIRST + BITMAP_FONT_LISTS;
        if (inside) continue;
        if (c > run) glCallLists(static_cast<GLsizei>(c - run), GL_UNSIGNED_BYTE, run);
        if (*c == '\0') break;
        run = c + 1;
    }
    glPopMatrix();
    glPopAttrib();
    glDisable(GL_BLEND);
}
