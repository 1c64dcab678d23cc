#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/memory.h"
#include "render/render_state.h"
#include "platform/font.h"
#include "render/fonts.h"
#include "gl/gl.h"
#include "gl/texture_units.h"
#include "mesh/mesh_text.h"
#include "render/mesh_text.h"
#include "tests/support/headless_gl.h"

namespace {

double signedArea(const std::vector<float>& contour)
{
    double area = 0;
    const size_t n = contour.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        area += double(contour[2 * i]) * contour[2 * j + 1] - double(contour[2 * j]) * contour[2 * i + 1];
    }
    return area / 2;
}

double trianglesArea(const std::vector<float>& t)
{
    double area = 0;
    for (size_t i = 0; i + 5 < t.size(); i += 6)
        area += ((double(t[i + 2]) - t[i]) * (double(t[i + 5]) - t[i + 1]) -
                 (double(t[i + 4]) - t[i]) * (double(t[i + 3]) - t[i + 1])) / 2;
    return area;
}

TEST(GlyphOutlines, AreInEmUnitsCounterClockwiseAndFlattenedFinely)
{
    GlyphOutline o;
    ASSERT_TRUE(Font_GlyphOutline(outlineFontFace(), 'O', MESH_TEXT_DEVIATION, &o));
    ASSERT_EQ(o.contours.size(), 2u);  // the ring and its hole
    EXPECT_GT(o.advance, 0.5f);
    EXPECT_LT(o.advance, 1.0f);
    double total = 0;
    for (const auto& c : o.contours) total += signedArea(c);
    EXPECT_GT(total, 0.1) << "filled area runs counter-clockwise";
    // The ring's outer contour is positive, the hole negative.
    EXPECT_GT(std::max(signedArea(o.contours[0]), signedArea(o.contours[1])), 0.0);
    EXPECT_LT(std::min(signedArea(o.contours[0]), signedArea(o.contours[1])), 0.0);
    // Flattening a round letter to a thousandth of an em takes many points,
    // while a coarse deviation takes few.
    GlyphOutline coarse;
    ASSERT_TRUE(Font_GlyphOutline(outlineFontFace(), 'O', 0.05f, &coarse));
    EXPECT_GT(o.contours[0].size(), 3 * coarse.contours[0].size());
    EXPECT_GT(o.contours[0].size() / 2, 40u);
}

TEST(GlyphOutlines, TessellationCoversTheOutlineOnBothFaces)
{
    for (char c : {'O', 'A', 'g', '8', '%'}) {
        SCOPED_TRACE(c);
        GlyphOutline o;
        ASSERT_TRUE(Font_GlyphOutline(outlineFontFace(), static_cast<uint8_t>(c), MESH_TEXT_DEVIATION, &o));
        double outline = 0;
        for (const auto& contour : o.contours) outline += signedArea(contour);
        const std::vector<float> front = tessellateContours(o.contours, 1.0f);
        const std::vector<float> back = tessellateContours(o.contours, -1.0f);
        ASSERT_FALSE(front.empty());
        EXPECT_NEAR(trianglesArea(front), outline, outline * 1e-3) << "front faces +z, counter-clockwise";
        EXPECT_NEAR(trianglesArea(back), -outline, outline * 1e-3) << "back faces -z";
    }
    EXPECT_TRUE(tessellateContours({}, 1.0f).empty());
    EXPECT_TRUE(tessellateContours({{0, 0, 1, 1}}, 1.0f).empty()) << "two points enclose nothing";
    // Bytes are read in the Western code page.
    EXPECT_EQ(codePageCharacter(0x80), 0x20ACu);  // euro sign
    EXPECT_EQ(codePageCharacter(0xE9), 0xE9u);    // e acute, as Latin-1
}

class MeshTextGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!useHeadlessGl()) GTEST_SKIP() << "no headless OpenGL";
    }
};

TEST_F(MeshTextGl, MakesTwoHundredFiftySixListsWithMetricsAndLeavesTheLastEmpty)
{
    MeshText text;
    text.createGlyphs();
    ASSERT_NE(text.listBase, 0u);
    EXPECT_EQ(text.font, outlineFontFace());
    for (uint32_t code : {0u, 32u, 65u, 200u, 254u}) EXPECT_TRUE(glIsList(text.listBase + code)) << code;
    // The last list is reserved but never made: calling it moves nothing.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glCallList(text.listBase + 255);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    EXPECT_EQ(m[12], 0.0f);
    const GlyphMetricsFloat& a = text.glyphMetrics['A'];
    EXPECT_GT(a.blackBoxX, 0.4f);
    EXPECT_GT(a.blackBoxY, 0.6f);
    EXPECT_LT(a.blackBoxY, 1.0f);
    EXPECT_GT(a.cellIncX, a.blackBoxX * 0.9f);
    EXPECT_NEAR(a.glyphOrigin.y, a.blackBoxY, 0.02f) << "A stands on the baseline";
    EXPECT_EQ(a.cellIncY, 0.0f);
    const GlyphMetricsFloat& space = text.glyphMetrics[' '];
    EXPECT_EQ(space.blackBoxX, 0.0f);
    EXPECT_GT(space.cellIncX, 0.1f);
    EXPECT_GT(text.glyphMetrics['W'].cellIncX, text.glyphMetrics['i'].cellIncX);

    text.characters = memDuplicateString("AB", 2);
    const uint32_t base = text.listBase;
    text.releaseGlyphs();
    EXPECT_EQ(text.characters, nullptr);
    EXPECT_FALSE(glIsList(base + 'A'));
}

TEST_F(MeshTextGl, EachGlyphListAdvancesThePenByItsWidth)
{
    MeshText text;
    text.createGlyphs();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const char word[] = "Wall";
    glListBase(text.listBase);
    glCallLists(4, GL_UNSIGNED_BYTE, word);
    glListBase(0);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    float expected = 0;
    for (char c : std::string(word)) expected += text.glyphMetrics[static_cast<uint8_t>(c)].cellIncX;
    EXPECT_NEAR(m[12], expected, 1e-5f);
    EXPECT_EQ(m[13], 0.0f);
    text.releaseGlyphs();
}

TEST_F(MeshTextGl, ExtrudedGlyphShowsItsFrontFaceAndItsDepth)
{
    // An orthographic look at an "I" from the front, then from the side.
    MeshText text;
    text.depth = 0.5f;
    text.createGlyphs();
    const GlyphMetricsFloat& i = text.glyphMetrics['I'];
    glViewport(0, 0, tr.screenWidth, tr.screenHeight);
    glDisable(GL_LIGHTING);
    // Plain white faces, whatever a test before this one left bound.
    setTextureUnit(1, false);
    setTextureUnit(0, false);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5, 1.5, -0.5, 1.0, -2, 2);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glCallList(text.listBase + 'I');
    // Pixel of the stem's middle, and a pixel right of the glyph.
    auto toPixelX = [](float x) { return static_cast<int>((x + 0.5f) / 2.0f * tr.screenWidth); };
    auto toPixelY = [](float y) { return static_cast<int>((y + 0.5f) / 1.5f * tr.screenHeight); };
    const float stemX = i.glyphOrigin.x + i.blackBoxX / 2;
    EXPECT_EQ(readPixel(toPixelX(stemX), toPixelY(0.35f)).r, 255);
    EXPECT_EQ(readPixel(toPixelX(i.glyphOrigin.x + i.blackBoxX + 0.1f), toPixelY(0.35f)).r, 0);

    // From the right side (looking along -x): the wall spans z 0 .. -depth.
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glRotatef(-90, 0, 1, 0);  // the glyph's right wall now faces the viewer
    glCallList(text.listBase + 'I');
    // After the turn, world x = -z of the glyph: the wall covers x in 0..0.5.
    EXPECT_EQ(readPixel(toPixelX(0.25f), toPixelY(0.35f)).r, 255);
    EXPECT_EQ(readPixel(toPixelX(0.75f), toPixelY(0.35f)).r, 0);
    EXPECT_EQ(readPixel(toPixelX(-0.25f), toPixelY(0.35f)).r, 0);
    text.releaseGlyphs();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(MeshTextGl, ReleasingATextThatNeverMadeListsLeavesOtherListsAlone)
{
    ASSERT_NE(tr.captionFont, nullptr);
    const uint32_t captionBase = tr.captionFont->listBase;
    ASSERT_NE(captionBase, 0u);
    MeshText text;
    text.characters = memDuplicateString("x", 1);
    text.releaseGlyphs();
    EXPECT_EQ(text.characters, nullptr);
    EXPECT_TRUE(glIsList(captionBase + ('A' - 32)));
}

TEST(CaptionFont, HeightFollowsTheScreenWidth)
{
    EXPECT_EQ(captionFontHeight(640), 64);
    EXPECT_EQ(captionFontHeight(800), 80);
    EXPECT_EQ(captionFontHeight(1024), 102);  // 102.4 truncated
}

class CaptionFontGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!useHeadlessGl()) GTEST_SKIP() << "no headless OpenGL";
        glViewport(0, 0, tr.screenWidth, tr.screenHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, tr.screenWidth, 0, tr.screenHeight, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_FOG);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }
    static int litPixels(int x0, int y0, int x1, int y1)
    {
        std::vector<uint8_t> pixels(size_t(x1 - x0) * (y1 - y0) * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x0, y0, x1 - x0, y1 - y0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        int n = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) n += pixels[i] > 128;
        return n;
    }
};

TEST_F(CaptionFontGl, CreationLeavesNoErrorBehind)
{
    while (glGetError() != GL_NO_ERROR) {
    }
    tr.captionFont->create();  // blank glyphs (the space) included
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_NE(tr.captionFont->listBase, 0u);
}

TEST_F(CaptionFontGl, DrawsGlyphsRightOfTheRasterPositionAndAboveTheBaseline)
{
    EXPECT_EQ(tr.captionFont->height, captionFontHeight(tr.screenWidth));
    glColor4f(1, 1, 1, 1);
    tr.captionFont->drawText(100, 100, "HH");
    EXPECT_GT(litPixels(100, 100, 200, 100 + 64), 500);
    EXPECT_EQ(litPixels(0, 0, 98, tr.screenHeight), 0) << "nothing left of the start";
    EXPECT_EQ(litPixels(0, 0, tr.screenWidth, 99), 0) << "H has no descender";
    EXPECT_EQ(litPixels(0, 100 + 64, tr.screenWidth, tr.screenHeight), 0) << "within the em height";
}

TEST_F(CaptionFontGl, LeavesBlendAlphaTestDepthTestOffAndTheListBaseAsItWas)
{
    glListBase(7);
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_DEPTH_TEST);
    tr.captionFont->drawText(10, 10, "A");
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLint base = -1;
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(base, 7);
    glListBase(0);
}

TEST_F(CaptionFontGl, EmptyTextSetsTheRasterPositionButDrawsNothing)
{
    glColor4f(1, 1, 1, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    tr.captionFont->drawText(33, 44, "");
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_FLOAT_EQ(raster[0], 33);
    EXPECT_FLOAT_EQ(raster[1], 44);
    GLint source = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(litPixels(0, 0, tr.screenWidth, tr.screenHeight), 0);

    glEnable(GL_DEPTH_TEST);
    tr.captionFont->drawText(50, 60, nullptr);  // no text: no state changes
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_FLOAT_EQ(raster[0], 33);
    glDisable(GL_DEPTH_TEST);
}

TEST_F(CaptionFontGl, CodesOutsideTheFontAreSkippedWithoutMovingThePen)
{
    glColor4f(1, 1, 1, 1);
    tr.captionFont->drawText(100, 100, "H\x01\xC8H");
    std::vector<uint8_t> with(size_t(tr.screenWidth) * 4 * 80);
    glReadPixels(0, 90, tr.screenWidth, 80, GL_RGBA, GL_UNSIGNED_BYTE, with.data());
    glClear(GL_COLOR_BUFFER_BIT);
    tr.captionFont->drawText(100, 100, "HH");
    std::vector<uint8_t> plain(with.size());
    glReadPixels(0, 90, tr.screenWidth, 80, GL_RGBA, GL_UNSIGNED_BYTE, plain.data());
    EXPECT_EQ(with, plain);
}

}  // namespace
