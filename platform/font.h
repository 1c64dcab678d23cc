// Glyphs from TrueType fonts held in memory (FreeType).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct FontFace;

FontFace* Font_Open(const uint8_t* data, size_t size);
void Font_Close(FontFace* face);

// An 8-bit coverage image of one glyph, rows top first.
struct GlyphBitmap {
    int width = 0, rows = 0, pitch = 0;
    int left = 0;        // pixels from the pen position to the image's left edge
    int top = 0;         // pixels from the baseline up to the image's top row
    float advance = 0;   // pixels the pen moves on
    const uint8_t* buffer = nullptr;  // valid until the next call on the face
};

// Renders character `code` with an em height of `pixelHeight` pixels.
bool Font_RenderGlyph(FontFace* face, int pixelHeight, uint32_t code, GlyphBitmap* glyph);
// Ascender and descender (negative) in pixels at `pixelHeight`.
void Font_LineMetrics(FontFace* face, int pixelHeight, float* ascender, float* descender);

// One glyph's outline in em units (the em height is 1, y up), its curves
// flattened to line segments that stray at most `deviation` from them. Each
// contour closes on its own (its last point joins its first) and runs
// counter-clockwise around filled area, whatever the font's own convention.
struct GlyphOutline {
    std::vector<std::vector<float>> contours;  // x, y pairs
    float advance = 0;  // em units the pen moves on
};

// False when the face cannot load the glyph. A code that the font does not
// map yields the font's missing-glyph outline.
bool Font_GlyphOutline(FontFace* face, uint32_t code, float deviation, GlyphOutline* outline);
