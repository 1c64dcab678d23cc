#include "scene/scene.h"

#include "gl/gl.h"

int32_t fogModeOf(int32_t mode)
{
    switch (static_cast<FogMode>(mode)) {
    case FogMode::Linear: return GL_LINEAR;
    case FogMode::Exp: return GL_EXP;
    case FogMode::Exp2: return GL_EXP2;
    }
    return -1;
}

int Scene::applyTrack(AnimTrack& track)
{
    applyTrackRow(sceneTracks, this, track);
    return 0;
}

int Scene::build()
{
    applyParamTracks();
    return 0;
}

ProjectObject* createScene() { return new Scene(); }
