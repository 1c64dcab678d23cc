#include "scene/light.h"

#include "scene/track_table.h"

namespace {

void setColour(float* colour, const float* values)
{
    colour[0] = values[0] / 255.0f;
    colour[1] = values[1] / 255.0f;
    colour[2] = values[2] / 255.0f;
    colour[3] = 1.0f;
}

const TrackHandler<Light> lightTracks[] = {
    {static_cast<uint8_t>(LightTrack::Position), "Position",
     [](Light& light, const AnimTrack& track) {
         light.position[0] = track.value[0] / 32.0f;
         light.position[1] = track.value[1] / 32.0f;
         light.position[2] = track.value[2] / 32.0f;
         light.position[3] = 1.0f;  // always a point light
     }},
    {static_cast<uint8_t>(LightTrack::Colours), "Colours",
     [](Light& light, const AnimTrack& track) {
         setColour(light.ambient, &track.value[0]);
         setColour(light.diffuse, &track.value[3]);
         setColour(light.specular, &track.value[6]);
     }},
};

}  // namespace

int Light::applyTrack(AnimTrack& track)
{
    dispatchTrack(lightTracks, *this, track);
    return 0;
}

int Light::build()
{
    applyParamTracks();
    return 0;
}

ProjectObject* createLight() { return new Light(); }
const char* lightTrackName(uint8_t id) { return trackHandlerName(lightTracks, id); }
int lightTrackId(std::string_view name) { return trackHandlerId(lightTracks, name); }
