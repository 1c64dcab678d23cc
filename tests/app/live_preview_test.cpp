#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/live_preview.h"
#include "tests/support/headless_gl.h"
#include "tests/support/loaded_show.h"
#include "texture/texture.h"
#include "tools/project_source.h"

namespace {

// The second texture's clouds draw on the random numbers the first left.
std::vector<uint32_t> secondTextureOfABuild()
{
    ProjectBuilder project;
    std::string error;
    EXPECT_TRUE(parseProjectSource("texture a\n  build SetSize 32\n  build Clouds 4\n"
                                   "texture b\n  build SetSize 32\n  build Clouds 4\n",
                                   "clouds.proj", project, error))
        << error;
    LoadedShow show(project);
    const Texture& texture = show.object<Texture>(SectionKind::Texture, 1);
    return std::vector<uint32_t>(texture.pixels, texture.pixels + texture.size * texture.size);
}

TEST(LivePreview, AProjectBuiltAgainLooksAsAfterAFreshStart)
{
    if (!useHeadlessGl()) GTEST_SKIP() << "no headless OpenGL context";
    resetBuildState();
    const std::vector<uint32_t> fresh = secondTextureOfABuild();
    EXPECT_NE(secondTextureOfABuild(), fresh);  // the generator carries its state on
    resetBuildState();
    EXPECT_EQ(secondTextureOfABuild(), fresh);
}

}  // namespace
