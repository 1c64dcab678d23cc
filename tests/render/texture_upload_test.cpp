// A Texture on the card: what textureDevice (render/object_gl.cpp) makes of
// its pixels.
#include <gtest/gtest.h>

#include <vector>

#include "gl/gl.h"
#include "render/object_gl.h"
#include "render/render_state.h"
#include "tests/support/headless_gl.h"
#include "tests/texture/texture_steps.h"

namespace {

using TextureObject = GeneratorTest;

std::vector<uint8_t> downloadRgba(const Texture& texture)
{
    std::vector<uint8_t> rgba(static_cast<size_t>(texture.size) * texture.size * 4);
    bindTexture(texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

GLint boundLevelWidth()
{
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    return width;
}


TEST_F(TextureObject, AnEmptyProgramUploadsA256TransparentBlackTexture)
{
    ASSERT_TRUE(useHeadlessGl());
    OwnedTexture texture;
    texture->build();
    ASSERT_NE(texture->glTexture, 0u);
    EXPECT_TRUE(glIsTexture(texture->glTexture));
    bindTexture(*texture);
    EXPECT_EQ(boundLevelWidth(), 256);
    for (uint8_t byte : downloadRgba(*texture)) ASSERT_EQ(byte, 0);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &filter);
    EXPECT_EQ(filter, GL_REPEAT);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, &filter);
    EXPECT_EQ(filter, GL_TRUE);
}

TEST_F(TextureObject, UploadsThePixelWordAsRgbaWithRowZeroFirst)
{
    ASSERT_TRUE(useHeadlessGl());
    OwnedTexture texture;
    texture->setSize(2);
    texture->pixels[0] = 0x80FF0000;  // alpha 128, red 255
    texture->pixels[3] = 0x01020304;
    texture->upload();
    const std::vector<uint8_t> rgba = downloadRgba(*texture);
    EXPECT_EQ(rgba, (std::vector<uint8_t>{255, 0, 0, 128, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 4, 1}));
}

TEST_F(TextureObject, UploadingAgainReplacesTheFirstTexture)
{
    ASSERT_TRUE(useHeadlessGl());
    OwnedTexture texture;
    texture->upload();
    const uint32_t first = texture->glTexture;
    texture->upload();
    ASSERT_NE(first, texture->glTexture);  // names are not reused at once
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_TRUE(glIsTexture(texture->glTexture));
    const uint32_t second = texture->glTexture;
    texture->unload();
    EXPECT_EQ(texture->glTexture, 0u);
    EXPECT_FALSE(glIsTexture(second));
    texture->unload();  // nothing left to delete
    EXPECT_EQ(texture->glTexture, 0u);
}

TEST(GlowTexture, Is128TransparentBlackOnTheCard)
{
    ASSERT_TRUE(useHeadlessGl());
    ASSERT_NE(tr.glowTexture, nullptr);
    EXPECT_EQ(tr.glowTexture->size, 128);
    ASSERT_NE(tr.glowTexture->glTexture, 0u);
    bindTexture(*tr.glowTexture);
    EXPECT_EQ(boundLevelWidth(), 128);
}

}  // namespace
