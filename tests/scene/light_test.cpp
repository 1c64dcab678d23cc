#include <gtest/gtest.h>

#include "app/object_kinds.h"
#include "gl/gl.h"
#include "scene/light.h"
#include "tests/support/headless_gl.h"
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

TEST(Light, AppliesItselfToItsSlotUnderTheCurrentModelview)
{
    if (!useHeadlessGl()) GTEST_SKIP() << "no headless OpenGL";
    Light& light = *static_cast<Light*>(createLight());
    AnimTrack track;
    track.flags = TRACK_APPLY | static_cast<uint8_t>(LightTrack::Position);
    track.value[0] = 32;
    track.value[2] = -64;
    light.applyTrack(track);
    light.lightNumber = 3;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0, 0, -5);  // a camera five units back
    glDisable(GL_LIGHT3);
    light.applyLight();
    glPopMatrix();
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
    GLfloat value[4];
    glGetLightfv(GL_LIGHT3, GL_POSITION, value);  // kept in eye coordinates
    EXPECT_FLOAT_EQ(value[0], 1.0f);
    EXPECT_FLOAT_EQ(value[2], -7.0f);
    EXPECT_FLOAT_EQ(value[3], 1.0f);
    glGetLightfv(GL_LIGHT3, GL_DIFFUSE, value);
    EXPECT_FLOAT_EQ(value[0], 0.7f);
    glGetLightfv(GL_LIGHT3, GL_SPECULAR, value);
    EXPECT_FLOAT_EQ(value[0], 0.6f);
    glDisable(GL_LIGHT3);
    light.destroy(DESTROY_FREE);
}

TEST(LightKind, NamesItsTrackIds)
{
    const ObjectKind& kind = objectKind(SectionKind::Light);
    EXPECT_STREQ(kind.trackName(0), "Position");
    EXPECT_STREQ(kind.trackName(1), "Colours");
    EXPECT_EQ(kind.trackName(2), nullptr);
    EXPECT_EQ(kind.trackId("Colours"), 1);
}

}  // namespace
