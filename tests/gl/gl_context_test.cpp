#include <gtest/gtest.h>

#include "gl/gl_context.h"
#include "render/progress_bar.h"
#include "render/render_state.h"
#include "tests/support/headless_gl.h"

namespace {

TEST(HasExtension, MatchesWholeWordsOnly)
{
    const char* extensions = "GL_ARB_multitexture_plus GL_EXT_bgra GL_ARB_vertex_buffer_object";
    EXPECT_FALSE(hasExtensionIn(extensions, "GL_ARB_multitexture"));  // only a longer name
    EXPECT_TRUE(hasExtensionIn(extensions, "GL_ARB_multitexture_plus"));
    EXPECT_TRUE(hasExtensionIn(extensions, "GL_EXT_bgra"));
    EXPECT_TRUE(hasExtensionIn(extensions, "GL_ARB_vertex_buffer_object"));  // last, no blank after it
    EXPECT_FALSE(hasExtensionIn(extensions, "GL_ARB_vertex_buffer"));
    EXPECT_FALSE(hasExtensionIn(extensions, "EXT_bgra"));
    EXPECT_FALSE(hasExtensionIn(nullptr, "GL_EXT_bgra"));
    EXPECT_FALSE(hasExtensionIn("", "GL_EXT_bgra"));
}

TEST(InitGraphics, LeavesTheStartingState)
{
    ASSERT_TRUE(useHeadlessGl());
    EXPECT_TRUE(hasExtension("GL_ARB_multitexture"));
    EXPECT_EQ(shadersAvailable, 1);
    EXPECT_NE(glExt.glActiveTextureARB, nullptr);
    EXPECT_NE(glExt.glBindBufferARB, nullptr);
    EXPECT_NE(glExt.glBindAttribLocationARB, nullptr);

    // Fresh state as initGraphics leaves it (this test runs before any drawing).
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint value = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_BACK);
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CCW);
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_LIGHT_MODEL_COLOR_CONTROL, &value);
    EXPECT_EQ(value, GL_SEPARATE_SPECULAR_COLOR);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0.9f);
    EXPECT_FLOAT_EQ(clear[1], 0.87f);
    EXPECT_FLOAT_EQ(clear[2], 0.86f);
    EXPECT_FLOAT_EQ(clear[3], 1.0f);
}

TEST(ProgressBar, FillsFromTheLeftInsideItsOutline)
{
    ASSERT_TRUE(useHeadlessGl());
    ASSERT_EQ(tr.screenWidth, 640);
    // At 640 x 480 the bar's lower edge is at y = 82 * 1.6 = 131 and its
    // fill starts at x = 43 * 1.6 = 68; half the bar ends near 68 + 253.
    drawProgress(50);
    const Pixel background = readPixel(10, 10);
    EXPECT_EQ(background.r, 230);  // the clear colour 0.9, 0.87, 0.86
    EXPECT_EQ(background.g, 222);
    EXPECT_EQ(background.b, 219);
    const Pixel filled = readPixel(150, 136);
    const Pixel empty = readPixel(450, 136);
    EXPECT_NE(filled.r, background.r);
    EXPECT_GT(filled.r, filled.b);  // dark grey shading into orange
    EXPECT_EQ(empty.r, background.r);
    EXPECT_EQ(empty.g, background.g);

    drawProgress(100);
    const Pixel full = readPixel(450, 136);
    EXPECT_EQ(full.r, filled.r);
    EXPECT_EQ(full.g, filled.g);
    EXPECT_EQ(full.b, filled.b);
}

}  // namespace
