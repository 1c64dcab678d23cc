// The tracks of a Light: its position and its three colours.
#pragma once
#include <cstdint>

#include "core/track_schema.h"

enum class LightTrack : uint8_t {
    Position = 0,
    Colours = 1,
};

extern const TrackTable lightTracks;

namespace LightPosition {  // always a point light
inline constexpr TrackValue x{0, "x", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue y{1, "y", ValueUnit::WorldUnits, -32768, 32768, 32};
inline constexpr TrackValue z{2, "z", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue values[] = {x, y, z};
}  // namespace LightPosition

namespace LightColours {
inline constexpr TrackValue ambientRed{0, "ambientRed", ValueUnit::Colour255, 0, 255, 76.5f};
inline constexpr TrackValue ambientGreen{1, "ambientGreen", ValueUnit::Colour255, 0, 255, 76.5f};
inline constexpr TrackValue ambientBlue{2, "ambientBlue", ValueUnit::Colour255, 0, 255, 76.5f};
inline constexpr TrackValue diffuseRed{3, "diffuseRed", ValueUnit::Colour255, 0, 255, 178.5f};
inline constexpr TrackValue diffuseGreen{4, "diffuseGreen", ValueUnit::Colour255, 0, 255, 178.5f};
inline constexpr TrackValue diffuseBlue{5, "diffuseBlue", ValueUnit::Colour255, 0, 255, 178.5f};
inline constexpr TrackValue specularRed{6, "specularRed", ValueUnit::Colour255, 0, 255, 153};
inline constexpr TrackValue specularGreen{7, "specularGreen", ValueUnit::Colour255, 0, 255, 153};
inline constexpr TrackValue specularBlue{8, "specularBlue", ValueUnit::Colour255, 0, 255, 153};
inline constexpr TrackValue values[] = {ambientRed, ambientGreen, ambientBlue, diffuseRed,   diffuseGreen,
                                        diffuseBlue, specularRed, specularGreen, specularBlue};
}  // namespace LightColours
