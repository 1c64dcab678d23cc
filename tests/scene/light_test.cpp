#include <gtest/gtest.h>

#include "scene/object_kinds.h"
#include "scene/light.h"
#include "tests/support/loaded_show.h"

namespace {

TEST(Light, WithoutTracksLightsFromAboveWithTheDefaultColours)
{
    ProjectBuilder project;
    project.add(SectionKind::Light);
    LoadedShow show(project);
    const Light& light = show.object<Light>(SectionKind::Light, 0);
    EXPECT_EQ(light.lightNumber, 0);
    const float position[4] = {0, 1, 0, 1};
    const float ambient[4] = {0.3f, 0.3f, 0.3f, 1};
    const float diffuse[4] = {0.7f, 0.7f, 0.7f, 1};
    const float specular[4] = {0.6f, 0.6f, 0.6f, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(light.position[i], position[i]);
        EXPECT_EQ(light.ambient[i], ambient[i]);
        EXPECT_EQ(light.diffuse[i], diffuse[i]);
        EXPECT_EQ(light.specular[i], specular[i]);
    }
}

TEST(Light, TracksSetAPointLightAndColoursInTwoHundredFiftyFifths)
{
    ProjectBuilder project;
    ProjectBuilder::Object& object = project.add(SectionKind::Light);
    object.param(static_cast<uint8_t>(LightTrack::Position), {32, 0, -64});
    object.param(static_cast<uint8_t>(LightTrack::Colours), {51, 51, 51, 255, 0, 0, 0, 510, 25.5f});
    object.param(7, {1, 2, 3});  // an id without meaning
    LoadedShow show(project);
    const Light& light = show.object<Light>(SectionKind::Light, 0);
    EXPECT_EQ(light.position[0], 1.0f);
    EXPECT_EQ(light.position[1], 0.0f);
    EXPECT_EQ(light.position[2], -2.0f);
    EXPECT_EQ(light.position[3], 1.0f);
    EXPECT_FLOAT_EQ(light.ambient[0], 0.2f);
    EXPECT_FLOAT_EQ(light.diffuse[0], 1.0f);
    EXPECT_FLOAT_EQ(light.diffuse[1], 0.0f);
    EXPECT_FLOAT_EQ(light.specular[1], 2.0f) << "not clamped";
    EXPECT_FLOAT_EQ(light.specular[2], 0.1f);
    EXPECT_EQ(light.ambient[3], 1.0f);
    EXPECT_EQ(light.specular[3], 1.0f);
}

}  // namespace
