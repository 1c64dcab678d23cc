#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/headless_gl.h"
#include "tests/support/loaded_show.h"
#include "texture/texture.h"
#include "authoring/project_source.h"

namespace {

// Two textures with the same clouds: the second draws on the random numbers
// the first left.
std::vector<std::vector<uint32_t>> cloudsOfABuild()
{
    ProjectBuilder project;
    std::string error;
    EXPECT_TRUE(parseProjectSource("texture a\n  build SetSize 32\n  build Clouds 4\n"
                                   "texture b\n  build SetSize 32\n  build Clouds 4\n",
                                   "clouds.proj", project, error))
        << error;
    LoadedShow show(project);
    std::vector<std::vector<uint32_t>> pictures;
    for (int32_t i = 0; i < 2; ++i) {
        const Texture& texture = show.object<Texture>(SectionKind::Texture, i);
        pictures.emplace_back(texture.pixels, texture.pixels + texture.size * texture.size);
    }
    return pictures;
}

TEST(LivePreview, AProjectBuiltAgainLooksAsAfterAFreshStart)
{
    if (!useHeadlessGl()) GTEST_SKIP() << "no headless OpenGL context";
    const auto first = cloudsOfABuild();
    EXPECT_NE(first[0], first[1]);  // within a show the generator carries its state on
    EXPECT_EQ(cloudsOfABuild(), first);
}

}  // namespace
