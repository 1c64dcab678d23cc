#include "scene/light.h"

#include "gl/gl.h"

int Light::applyTrack(AnimTrack& track)
{
    applyTrackRow(lightTracks, this, track);
    return 0;
}

int Light::build()
{
    applyParamTracks();
    return 0;
}

void Light::applyLight() const
{
    const GLenum light = GL_LIGHT0 + static_cast<GLenum>(lightNumber);
    glEnable(light);
    glLightfv(light, GL_AMBIENT, ambient);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_SPECULAR, specular);
    glLightfv(light, GL_POSITION, position);
}

ProjectObject* createLight() { return new Light(); }
