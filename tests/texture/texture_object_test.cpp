#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "scene/object_kinds.h"
#include "core/project_reader.h"
#include "core/timeline.h"
#include "tests/texture/texture_steps.h"
#include "authoring/project_source.h"

namespace {

using TextureObject = GeneratorTest;

TEST_F(TextureObject, StartsAt256TransparentBlackWithNothingOnTheCard)
{
    OwnedTexture texture;
    EXPECT_EQ(texture->size, 256);
    EXPECT_EQ(texture->glTexture, 0u);
    ASSERT_NE(texture->pixels, nullptr);
    for (int i = 0; i < 256 * 256; ++i) ASSERT_EQ(texture->pixels[i], 0u) << i;
}

TEST_F(TextureObject, ResizingKeepsTheImageOnlyAtTheSameSize)
{
    OwnedTexture texture;
    texture->pixels[7] = 0x12345678;
    texture->setSize(256);
    EXPECT_EQ(texture->pixels[7], 0x12345678u);
    texture->setSize(64);
    EXPECT_EQ(texture->size, 64);
    for (int i = 0; i < 64 * 64; ++i) ASSERT_EQ(texture->pixels[i], 0u);
    texture->pixels[3] = 1;
    texture->setSize(512);  // larger: still a fresh, zero image
    for (int i = 0; i < 512 * 512; ++i) ASSERT_EQ(texture->pixels[i], 0u);
}

TEST_F(TextureObject, SizesOutsideThePowersOfTwoFrom2To512AreBroughtIntoRange)
{
    const struct {
        int32_t asked, given;
    } cases[] = {{300, 256}, {511, 256}, {1000, 512}, {513, 512}, {1, 2}, {0, 2}, {-64, 2}, {3, 2}, {INT32_MIN, 2}};
    for (const auto& c : cases) {
        OwnedTexture texture;
        texture->setSize(c.asked);
        EXPECT_EQ(texture->size, c.given) << c.asked;
        texture->pixels[c.given * c.given - 1] = 5;  // the whole block is there
    }
    // A SetSize step that is not a number resizes to 2 as well, and the
    // following steps stay inside the image.
    OwnedTexture texture;
    addStep(*texture, TextureOp::SetSize, {NAN});
    addStep(*texture, TextureOp::Fill, {255, 255, 255, 255});
    texture->applyBuildTracks();
    EXPECT_EQ(texture->size, 2);
    EXPECT_EQ(texture->pixels[3], 0xFFFFFFFFu);
}

TEST_F(TextureObject, ASizeStepDiscardsWhatWasDrawnUnlessTheSizeStays)
{
    OwnedTexture texture;
    addStep(*texture, TextureOp::Fill, {10, 20, 30, 40});
    addStep(*texture, TextureOp::SetSize, {256});  // same size: the image stays
    texture->applyBuildTracks();
    EXPECT_EQ(texture->pixels[100], argb(40, 10, 20, 30));

    OwnedTexture resized;
    addStep(*resized, TextureOp::Fill, {10, 20, 30, 40});
    addStep(*resized, TextureOp::SetSize, {32.9f});  // truncated to 32
    resized->applyBuildTracks();
    EXPECT_EQ(resized->size, 32);
    for (int i = 0; i < 32 * 32; ++i) ASSERT_EQ(resized->pixels[i], 0u);
}

TEST_F(TextureObject, StepsRunAtTheTexturesOwnSizeWithTheApplyBitOnly)
{
    OwnedTexture small;
    addStep(*small, TextureOp::SetSize, {64});
    addStep(*small, TextureOp::Rectangle, {0, 0, 0, 127, 127, 0, 255, 0, 0});  // the top-left quarter
    AnimTrack& skipped = addStep(*small, TextureOp::Invert, {});
    skipped.flags &= ~TRACK_APPLY;
    small->applyBuildTracks();
    EXPECT_EQ(generator.genSize, 64);
    EXPECT_EQ(small->pixels[31 * 64 + 31], argb(255, 255, 0, 0));
    EXPECT_EQ(small->pixels[32 * 64 + 31], 0u);
    EXPECT_EQ(small->pixels[31 * 64 + 32], 0u);
}

TEST_F(TextureObject, ClearContentAndTheWorkspaceCopies)
{
    OwnedTexture texture;
    texture->setSize(4);
    for (int i = 0; i < 16; ++i) texture->pixels[i] = 100 + i;
    texture->copyToWorkspace();
    texture->clearContent();
    for (int i = 0; i < 16; ++i) ASSERT_EQ(texture->pixels[i], 0u);
    EXPECT_EQ(textureWorkspace()[15], 115u);
    textureWorkspace()[0] = 7;
    texture->copyFromWorkspace();
    EXPECT_EQ(texture->pixels[0], 7u);
    EXPECT_EQ(texture->pixels[15], 115u);
}

TEST_F(TextureObject, PicturesAreRgbaBytesWithRowZeroFirst)
{
    OwnedTexture texture;
    texture->setSize(2);
    texture->pixels[0] = 0x80FF0102;  // alpha 128, red 255, green 1, blue 2
    texture->pixels[2] = 0x01020304;  // row 1
    std::vector<uint8_t> rgba(16, 0xEE);
    textureToRgba(*texture, rgba.data());
    EXPECT_EQ(rgba, (std::vector<uint8_t>{255, 1, 2, 128, 0, 0, 0, 0, 2, 3, 4, 1, 0, 0, 0, 0}));
}

TEST_F(TextureObject, TheLoaderCreatesTexturesAndTextureAtFindsThem)
{
    ProjectBuilder project;
    project.add(SectionKind::Texture).build(static_cast<uint8_t>(TextureOp::Fill), {1, 2, 3, 4});
    project.add(SectionKind::Texture).build(static_cast<uint8_t>(TextureOp::SetSize), {32});
    const std::vector<uint8_t> bytes = project.bytes();
    ObjectRegistry registry;
    Timeline timeline;
    ProjectStream stream(bytes.data(), bytes.size());
    ASSERT_EQ(loadProject(stream, registry, timeline, createObjectOfKind), 2) << stream.error();

    EXPECT_EQ(textureAt(nullptr, 0), nullptr);  // no show
    ASSERT_NE(textureAt(&registry, 1), nullptr);
    EXPECT_EQ(textureAt(&registry, 2), nullptr);
    EXPECT_EQ(textureAt(&registry, -1), nullptr);
    EXPECT_EQ(textureAt(&registry, 1)->registry, &registry);
    textureAt(&registry, 0)->applyBuildTracks();
    textureAt(&registry, 1)->applyBuildTracks();
    EXPECT_EQ(textureAt(&registry, 0)->pixels[0], argb(4, 1, 2, 3));
    EXPECT_EQ(textureAt(&registry, 1)->size, 32);
}

TEST(TextureKind, ProjectSourcesNameStepsAfterTheOperatorTable)
{
    ProjectBuilder project;
    std::string error;
    ASSERT_TRUE(parseProjectSource("texture\n  build Fill 255 0 0 255 mode=3 smooth\n  build Load 2 mode=7\n",
                                   "t.proj", project, error))
        << error;
    const auto& steps = project.objects()[0].buildTracks;
    EXPECT_EQ(steps[0].flags, TRACK_APPLY | STEP_SMOOTH.bits(1) | (3u << 8) | 0u);
    EXPECT_EQ(steps[0].value[0], 255.0f);
    EXPECT_EQ(steps[1].flags, TRACK_APPLY | (7u << 8) | 16u);

    ObjectRegistry registry;
    ProjectObject* object = createObjectOfKind(SectionKind::Texture, registry);
    EXPECT_NE(dynamic_cast<Texture*>(object), nullptr);
    object->destroy(DESTROY_FREE);
}

}  // namespace
