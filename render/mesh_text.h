// The card's side of a mesh's 3D text (mesh/mesh_text.h): the glyph lists
// from the outline font, and the tessellation of glyph outlines.
#pragma once
#include <cstdint>
#include <vector>

struct MeshText;

// 256 lists (replacing earlier ones); glyphs 0..254 extruded from the
// outline font at the text's depth, their metrics in glyphMetrics.
void createGlyphLists(MeshText& text);
// Deletes the 256 lists from listBase (which must be non-zero).
void deleteGlyphLists(MeshText& text);

// The Unicode character that Windows' Western code page gives a byte.
uint32_t codePageCharacter(uint8_t code);

// The filled area of closed contours (x, y pairs, non-zero winding) as
// triangles, three x, y pairs each, counter-clockwise as seen from the side
// of normalZ (+1 front, -1 back).
std::vector<float> tessellateContours(const std::vector<std::vector<float>>& contours, float normalZ);
