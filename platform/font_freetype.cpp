#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/font.h"

struct FontFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

FontFace* Font_Open(const uint8_t* data, size_t size)
{
    FontFace* font = new FontFace();
    if (FT_Init_FreeType(&font->library) != 0 ||
        FT_New_Memory_Face(font->library, data, static_cast<FT_Long>(size), 0, &font->face) != 0) {
        Font_Close(font);
        return nullptr;
    }
    return font;
}

void Font_Close(FontFace* font)
{
    if (!font) return;
    if (font->face) FT_Done_Face(font->face);
    if (font->library) FT_Done_FreeType(font->library);
    delete font;
}

bool Font_RenderGlyph(FontFace* font, int pixelHeight, uint32_t code, GlyphBitmap* glyph)
{
    if (!font || FT_Set_Pixel_Sizes(font->face, 0, static_cast<FT_UInt>(pixelHeight)) != 0) return false;
    if (FT_Load_Char(font->face, code, FT_LOAD_RENDER) != 0) return false;
    const FT_GlyphSlot slot = font->face->glyph;
    glyph->width = static_cast<int>(slot->bitmap.width);
    glyph->rows = static_cast<int>(slot->bitmap.rows);
    glyph->pitch = slot->bitmap.pitch;
    glyph->left = slot->bitmap_left;
    glyph->top = slot->bitmap_top;
    glyph->advance = static_cast<float>(slot->advance.x) / 64.0f;
    glyph->buffer = slot->bitmap.buffer;
    return true;
}

void Font_LineMetrics(FontFace* font, int pixelHeight, float* ascender, float* descender)
{
    *ascender = *descender = 0;
    if (!font || FT_Set_Pixel_Sizes(font->face, 0, static_cast<FT_UInt>(pixelHeight)) != 0) return;
    *ascender = static_cast<float>(font->face->size->metrics.ascender) / 64.0f;
    *descender = static_cast<float>(font->face->size->metrics.descender) / 64.0f;
}
