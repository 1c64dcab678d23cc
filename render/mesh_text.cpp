#include "render/mesh_text.h"

#include <cmath>
#include <deque>

#include "mesh/mesh_text.h"
#include "platform/font.h"
#include "render/fonts.h"
#include "gl/gl.h"

namespace {

// Codes 0x80..0x9F of the Western code page; the holes (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) keep their own code and so find no glyph.
const uint16_t westernHighCodes[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct Tessellation {
    std::vector<float> triangles;
    std::deque<GLdouble> combined;  // vertices made where edges cross; stable addresses
};

void GLAPIENTRY tessBegin(GLenum, void*) {}
void GLAPIENTRY tessEdgeFlag(GLboolean, void*) {}  // asking for edge flags yields plain triangles
void GLAPIENTRY tessEnd(void*) {}
void GLAPIENTRY tessError(GLenum, void*) {}

void GLAPIENTRY tessVertex(void* vertex, void* data)
{
    const GLdouble* v = static_cast<const GLdouble*>(vertex);
    Tessellation& t = *static_cast<Tessellation*>(data);
    t.triangles.push_back(static_cast<float>(v[0]));
    t.triangles.push_back(static_cast<float>(v[1]));
}

void GLAPIENTRY tessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data)
{
    Tessellation& t = *static_cast<Tessellation*>(data);
    for (int i = 0; i < 3; ++i) t.combined.push_back(coords[i]);
    *out = &t.combined[t.combined.size() - 3];
}

template <class Callback>
_GLUfuncptr callback(Callback function)
{
    return reinterpret_cast<_GLUfuncptr>(function);
}

void emitFace(const std::vector<float>& triangles, float z, float normalZ)
{
    glNormal3f(0.0f, 0.0f, normalZ);
    glBegin(GL_TRIANGLES);
    for (size_t i = 0; i + 1 < triangles.size(); i += 2) glVertex3f(triangles[i], triangles[i + 1], z);
    glEnd();
}

// Side walls: one quad per outline edge, facing outwards (the contours run
// counter-clockwise around filled area, so outside is on the right).
void emitSides(const std::vector<std::vector<float>>& contours, float depth)
{
    glBegin(GL_QUADS);
    for (const std::vector<float>& contour : contours) {
        const size_t n = contour.size() / 2;
        for (size_t i = 0; i < n; ++i) {
            const size_t j = (i + 1) % n;
            const float x0 = contour[2 * i], y0 = contour[2 * i + 1];
            const float x1 = contour[2 * j], y1 = contour[2 * j + 1];
            const float dx = x1 - x0, dy = y1 - y0;
            const float length = std::sqrt(dx * dx + dy * dy);
            if (length == 0.0f) continue;
            glNormal3f(dy / length, -dx / length, 0.0f);
            glVertex3f(x0, y0, 0.0f);
            glVertex3f(x0, y0, -depth);
            glVertex3f(x1, y1, -depth);
            glVertex3f(x1, y1, 0.0f);
        }
    }
    glEnd();
}

GlyphMetricsFloat metricsOf(const GlyphOutline& outline)
{
    GlyphMetricsFloat metrics{};
    metrics.cellIncX = outline.advance;
    bool any = false;
    float minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const std::vector<float>& contour : outline.contours)
        for (size_t i = 0; i + 1 < contour.size(); i += 2) {
            const float x = contour[i], y = contour[i + 1];
            if (!any) {
                minX = maxX = x;
                minY = maxY = y;
                any = true;
            }
            minX = std::fmin(minX, x);
            maxX = std::fmax(maxX, x);
            minY = std::fmin(minY, y);
            maxY = std::fmax(maxY, y);
        }
    if (any) {
        metrics.blackBoxX = maxX - minX;
        metrics.blackBoxY = maxY - minY;
        metrics.glyphOrigin = {minX, maxY};
    }
    return metrics;
}

}  // namespace

uint32_t codePageCharacter(uint8_t code)
{
    if (code >= 0x80 && code < 0xA0) return westernHighCodes[code - 0x80];
    return code;
}

std::vector<float> tessellateContours(const std::vector<std::vector<float>>& contours, float normalZ)
{
    Tessellation result;
    size_t points = 0;
    for (const std::vector<float>& contour : contours) points += contour.size() / 2;
    if (points == 0) return {};
    std::vector<GLdouble> coordinates;
    coordinates.reserve(points * 3);  // the tessellator keeps pointers into it

    GLUtesselator* tess = gluNewTess();
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0.0, 0.0, normalZ);
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, callback(tessBegin));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, callback(tessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, callback(tessVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, callback(tessEnd));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, callback(tessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, callback(tessError));
    gluTessBeginPolygon(tess, &result);
    for (const std::vector<float>& contour : contours) {
        if (contour.size() < 6) continue;  // fewer than three points encloses nothing
        gluTessBeginContour(tess);
        for (size_t i = 0; i + 1 < contour.size(); i += 2) {
            GLdouble* v = coordinates.data() + coordinates.size();
            coordinates.push_back(contour[i]);
            coordinates.push_back(contour[i + 1]);
            coordinates.push_back(0.0);
            gluTessVertex(tess, v, v);
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    return std::move(result.triangles);
}

void createGlyphLists(MeshText& text)
{
    // A second text step on the same mesh replaces the earlier lists.
    if (text.listBase != 0) glDeleteLists(text.listBase, MESH_TEXT_LISTS);
    text.listBase = glGenLists(MESH_TEXT_LISTS);
    FontFace* face = outlineFontFace();
    text.font = face;
    GlyphOutline outline;
    for (uint32_t code = 0; code < MESH_TEXT_GLYPHS; ++code) {
        if (!Font_GlyphOutline(face, codePageCharacter(static_cast<uint8_t>(code)), MESH_TEXT_DEVIATION,
                               &outline))
            outline = GlyphOutline();
        text.glyphMetrics[code] = metricsOf(outline);
        glNewList(text.listBase + code, GL_COMPILE);
        if (!outline.contours.empty()) {
            emitFace(tessellateContours(outline.contours, 1.0f), 0.0f, 1.0f);
            emitFace(tessellateContours(outline.contours, -1.0f), -text.depth, -1.0f);
            emitSides(outline.contours, text.depth);
        }
        glTranslatef(text.glyphMetrics[code].cellIncX, text.glyphMetrics[code].cellIncY, 0.0f);
        glEndList();
    }
}

void deleteGlyphLists(MeshText& text) { glDeleteLists(text.listBase, MESH_TEXT_LISTS); }
