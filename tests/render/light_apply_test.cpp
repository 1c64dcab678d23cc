#include <gtest/gtest.h>

#include "gl/gl.h"
#include "render/object_gl.h"
#include "scene/light.h"
#include "tests/support/headless_gl.h"

namespace {

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
    applyLight(light);
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

}  // namespace
