#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

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

namespace {

struct OutlineBuilder {
    GlyphOutline* outline;
    float scale;      // font units to em units
    float deviation;  // em units
    float lastX = 0, lastY = 0;

    std::vector<float>& contour() { return outline->contours.back(); }
    void add(float x, float y)
    {
        contour().push_back(x);
        contour().push_back(y);
        lastX = x;
        lastY = y;
    }
};

float toEm(const OutlineBuilder& b, FT_Pos value) { return static_cast<float>(value) * b.scale; }

// Uniform subdivision whose chord error is bounded by |B''| h^2 / 8 for a
// step h in the curve parameter.
int segmentsFor(float secondDerivativeBound, float deviation)
{
    const float n = std::sqrt(secondDerivativeBound / (8.0f * deviation));
    return n < 1.0f ? 1 : static_cast<int>(std::ceil(n));
}

int moveTo(const FT_Vector* to, void* user)
{
    OutlineBuilder& b = *static_cast<OutlineBuilder*>(user);
    b.outline->contours.emplace_back();
    b.add(toEm(b, to->x), toEm(b, to->y));
    return 0;
}

int lineTo(const FT_Vector* to, void* user)
{
    OutlineBuilder& b = *static_cast<OutlineBuilder*>(user);
    b.add(toEm(b, to->x), toEm(b, to->y));
    return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    OutlineBuilder& b = *static_cast<OutlineBuilder*>(user);
    const float x0 = b.lastX, y0 = b.lastY;
    const float x1 = toEm(b, control->x), y1 = toEm(b, control->y);
    const float x2 = toEm(b, to->x), y2 = toEm(b, to->y);
    const float ax = x0 - 2 * x1 + x2, ay = y0 - 2 * y1 + y2;
    const int n = segmentsFor(2.0f * std::sqrt(ax * ax + ay * ay), b.deviation);
    for (int i = 1; i <= n; ++i) {
        const float t = static_cast<float>(i) / n, s = 1.0f - t;
        b.add(s * s * x0 + 2 * s * t * x1 + t * t * x2, s * s * y0 + 2 * s * t * y1 + t * t * y2);
    }
    return 0;
}

int cubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
{
    OutlineBuilder& b = *static_cast<OutlineBuilder*>(user);
    const float x0 = b.lastX, y0 = b.lastY;
    const float x1 = toEm(b, control1->x), y1 = toEm(b, control1->y);
    const float x2 = toEm(b, control2->x), y2 = toEm(b, control2->y);
    const float x3 = toEm(b, to->x), y3 = toEm(b, to->y);
    const float ax = x0 - 2 * x1 + x2, ay = y0 - 2 * y1 + y2;
    const float bx = x1 - 2 * x2 + x3, by = y1 - 2 * y2 + y3;
    const float bound = 6.0f * std::max(std::sqrt(ax * ax + ay * ay), std::sqrt(bx * bx + by * by));
    const int n = segmentsFor(bound, b.deviation);
    for (int i = 1; i <= n; ++i) {
        const float t = static_cast<float>(i) / n, s = 1.0f - t;
        const float c0 = s * s * s, c1 = 3 * s * s * t, c2 = 3 * s * t * t, c3 = t * t * t;
        b.add(c0 * x0 + c1 * x1 + c2 * x2 + c3 * x3, c0 * y0 + c1 * y1 + c2 * y2 + c3 * y3);
    }
    return 0;
}

}  // namespace

bool Font_GlyphOutline(FontFace* font, uint32_t code, float deviation, GlyphOutline* outline)
{
    outline->contours.clear();
    outline->advance = 0;
    if (!font || !(deviation > 0.0f)) return false;
    const FT_UInt index = FT_Get_Char_Index(font->face, code);
    if (FT_Load_Glyph(font->face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
        return false;
    const FT_GlyphSlot slot = font->face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;

    OutlineBuilder builder{outline, 1.0f / static_cast<float>(font->face->units_per_EM), deviation};
    outline->advance = toEm(builder, slot->advance.x);
    const FT_Outline_Funcs funcs = {moveTo, lineTo, conicTo, cubicTo, 0, 0};
    if (FT_Outline_Decompose(&slot->outline, &funcs, &builder) != 0) return false;

    for (std::vector<float>& contour : outline->contours) {
        // The closing point repeats the first one; the contour closes by itself.
        const size_t n = contour.size();
        if (n >= 4 && contour[0] == contour[n - 2] && contour[1] == contour[n - 1]) contour.resize(n - 2);
    }
    // TrueType runs outer contours clockwise; turn them to the y-up convention.
    if (FT_Outline_Get_Orientation(&slot->outline) == FT_ORIENTATION_TRUETYPE)
        for (std::vector<float>& contour : outline->contours)
            for (size_t i = 0, j = contour.size() - 2; i < j; i += 2, j -= 2) {
                std::swap(contour[i], contour[j]);
                std::swap(contour[i + 1], contour[j + 1]);
            }
    return true;
}
