// The fonts of the show: the caption font (bitmap glyphs drawn at the
// raster position over the finished frame) and the outline font of 3D text.
// Both come from font files built into the executable.
#pragma once
#include <cstdint>

struct FontFace;

// Opened on first use and kept for the life of the process.
FontFace* captionFontFace();  // heavy, condensed
FontFace* outlineFontFace();  // heavy

constexpr uint32_t BITMAP_FONT_FIRST = 32;  // character codes 32..127
constexpr uint32_t BITMAP_FONT_LISTS = 96;

// Pixel height of the caption font for a screen width: 64 at 640.
int32_t captionFontHeight(int32_t width);

struct BitmapFont {
    uint32_t listBase = 0;  // first of 96 lists; code c is listBase + c - 32; 0 until created
    int32_t height = 0;     // em height in pixels
    float advance[BITMAP_FONT_LISTS] = {};  // pixels each code moves the raster position on

    BitmapFont() = default;
    ~BitmapFont() { release(); }
    BitmapFont(const BitmapFont&) = delete;
    BitmapFont& operator=(const BitmapFont&) = delete;

    // 96 lists at the height for tr.screenWidth; each draws its
    // glyph at the raster position and moves the raster position on.
    void create();
    // The same at another em height (text that is not the show's own).
    void create(int32_t pixelHeight);
    void release();  // deletes the 96 lists (once)
    // Pixels `text` moves the raster position on; codes outside 32..127 count nothing.
    float textWidth(const char* text) const;
    // At (x, y) through the current projection, in the current colour,
    // blended over the frame. Null draws nothing and changes no state; codes
    // outside 32..127 are skipped.
    void drawText(float x, float y, const char* text) const;
};

