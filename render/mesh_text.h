// A mesh's extruded 3D text: 256 display lists, one per character code,
// each drawing its glyph as polygons (front face, back face at the depth,
// side walls) and moving the pen on by the glyph's width.
#pragma once
#include <cstdint>
#include <vector>

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

    // 256 lists; glyphs 0..254 extruded from the outline font at `depth`.
    void createGlyphs();
    // Frees the characters and deletes the 256 lists from listBase (made or not).
    void releaseGlyphs();
};

// The Unicode character that Windows' Western code page gives a byte.
uint32_t codePageCharacter(uint8_t code);

// The filled area of closed contours (x, y pairs, non-zero winding) as
// triangles, three x, y pairs each, counter-clockwise as seen from the side
// of normalZ (+1 front, -1 back).
std::vector<float> tessellateContours(const std::vector<std::vector<float>>& contours, float normalZ);
