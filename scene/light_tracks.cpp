#include "scene/light_tracks.h"

#include "scene/light.h"

namespace {

template <void (*Apply)(Light&, const AnimTrack&)>
constexpr TrackHandler onLight = handlerFor<Light, Apply>;

void setColour(float* colour, const AnimTrack& track, const TrackValue& red, const TrackValue& green,
               const TrackValue& blue)
{
    colour[0] = readValue(track, red);
    colour[1] = readValue(track, green);
    colour[2] = readValue(track, blue);
    colour[3] = 1.0f;
}

void applyPosition(Light& light, const AnimTrack& track)
{
    light.position[0] = readValue(track, LightPosition::x);
    light.position[1] = readValue(track, LightPosition::y);
    light.position[2] = readValue(track, LightPosition::z);
    light.position[3] = 1.0f;  // always a point light
}

void applyColours(Light& light, const AnimTrack& track)
{
    using namespace LightColours;
    setColour(light.ambient, track, ambientRed, ambientGreen, ambientBlue);
    setColour(light.diffuse, track, diffuseRed, diffuseGreen, diffuseBlue);
    setColour(light.specular, track, specularRed, specularGreen, specularBlue);
}

constexpr TrackRow rows[] = {
    {0, "Position", TrackRole::Param, onLight<applyPosition>,
     "Places the point light in world space; only the first seven lights of the show ever shine, each while it "
     "is active, and the mesh shaders see the first alone.",
     LightPosition::values},
    {1, "Colours", TrackRole::Param, onLight<applyColours>,
     "The light's ambient, diffuse and specular colours, multiplied by each mesh's material colours; a fixed "
     "ambient of 0.2 adds to the lights' own.",
     LightColours::values},
};

}  // namespace

const TrackTable lightTracks = {SectionKind::Light, "light", rows};
