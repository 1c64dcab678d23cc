#include "scene/scene.h"


int32_t fogModeOf(int32_t mode)
{
    switch (static_cast<FogMode>(mode)) {
    case FogMode::Linear: return FOG_LINEAR;
    case FogMode::Exp: return FOG_EXP;
    case FogMode::Exp2: return FOG_EXP2;
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
