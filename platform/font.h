// Glyphs from TrueType fonts held in memory (FreeType).
#pragma once
#include <cstddef>
#include <cstdint>

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
