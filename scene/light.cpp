#include "scene/light.h"


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

ProjectObject* createLight() { return new Light(); }
