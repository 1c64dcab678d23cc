// A mesh's extruded 3D text: the characters and depth, and the card's 256
// display lists, one per character code, each drawing its glyph as polygons
// (front face, back face at the depth, side walls) and moving the pen on by
// the glyph's width. The lists are made by the renderer (meshDevice,
// render/mesh_text.cpp).
#pragma once
#include <cstdint>

struct PointFloat {
    float x, y;
};

// One glyph's extent and advance in em units, as the outline font gives it.
struct GlyphMetricsFloat {
    float blackBoxX;         // width of the smallest box around the outline
    float blackBoxY;         // height of that box
    PointFloat glyphOrigin;  // its upper-left corner relative to the pen
    float cellIncX;          // pen advance
    float cellIncY;
};
static_assert(sizeof(GlyphMetricsFloat) == 24, "the record of six floats");

constexpr uint32_t MESH_TEXT_LISTS = 256;
constexpr uint32_t MESH_TEXT_GLYPHS = 255;     // codes 0..254; the last list stays empty
constexpr float MESH_TEXT_DEVIATION = 0.001f;  // em units the flattened outline may stray

struct MeshText {
    char* characters = nullptr;  // engine heap string (memAlloc), owned
    uint32_t listBase = 0;       // first of 256 display lists; glyph of code c is listBase + c
    float depth = 0.2f;          // extrusion depth towards -z, em height 1
    void* font = nullptr;        // the outline font the glyphs came from (platform FontFace)
    GlyphMetricsFloat glyphMetrics[MESH_TEXT_LISTS] = {};

    // 256 lists; glyphs 0..254 extruded from the outline font at `depth`,
    // their metrics in glyphMetrics (meshDevice.createGlyphs).
    void createGlyphs();
    // Frees the characters and deletes the 256 lists from listBase, if made.
    void releaseGlyphs();
};
