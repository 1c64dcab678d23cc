// The tracks of a ParticleSystem: emitter placement, emission, texture and
// gravity.
#pragma once
#include <cstdint>

#include "core/track_schema.h"

enum class ParticleTrack : uint8_t {
    Placement = 0,
    Emission = 1,
    Texture = 2,
    Gravity = 3,
};

extern const TrackTable particleTracks;

namespace ParticlePlacement {  // the whole system turns about the world origin
inline constexpr TrackValue x{0, "x", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue y{1, "y", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue z{2, "z", ValueUnit::WorldUnits, -32768, 32768, 0};
inline constexpr TrackValue rotateX{3, "rotateX", ValueUnit::Degrees, -36000, 36000, 0};
inline constexpr TrackValue rotateY{4, "rotateY", ValueUnit::Degrees, -36000, 36000, 0};
inline constexpr TrackValue rotateZ{5, "rotateZ", ValueUnit::Degrees, -36000, 36000, 0};
inline constexpr TrackValue values[] = {x, y, z, rotateX, rotateY, rotateZ};
}  // namespace ParticlePlacement

namespace ParticleEmission {
inline constexpr TrackValue count{0, "count", ValueUnit::Integer, 0, 100000, 20};
inline constexpr TrackValue speed{3, "speed", ValueUnit::Tenths, -100000, 100000, 100};  // upward
inline constexpr TrackValue fade{4, "fade", ValueUnit::Tenths, -100000, 100000, 10};    // alpha per second
inline constexpr TrackValue size{6, "size", ValueUnit::WorldUnits, 0, 32768, 3.2f};      // half a sprite's side
inline constexpr TrackValue width{7, "width", ValueUnit::WorldUnits, 0, 32768, 0};       // of the emitter
inline constexpr TrackValue depth{8, "depth", ValueUnit::WorldUnits, 0, 32768, 0};
inline constexpr TrackValue red{9, "red", ValueUnit::Colour256, 0, 256, 256};
inline constexpr TrackValue green{10, "green", ValueUnit::Colour256, 0, 256, 256};
inline constexpr TrackValue blue{11, "blue", ValueUnit::Colour256, 0, 256, 256};
inline constexpr TrackValue values[] = {count, speed, fade, size, width, depth, red, green, blue};
}  // namespace ParticleEmission

namespace ParticleTexture {
inline constexpr TrackValue texture{0, "texture", ValueUnit::TextureIndex, -1, 255, -1, &noObjectNames};
inline constexpr TrackValue values[] = {texture};
}  // namespace ParticleTexture

namespace ParticleGravity {
inline constexpr TrackValue x{0, "x", ValueUnit::Tenths, -100000, 100000, 0};  // direction
inline constexpr TrackValue y{1, "y", ValueUnit::Tenths, -100000, 100000, 0};
inline constexpr TrackValue z{2, "z", ValueUnit::Tenths, -100000, 100000, 0};
inline constexpr TrackValue scale{3, "scale", ValueUnit::Number, -100000, 100000, 0};
inline constexpr TrackValue values[] = {x, y, z, scale};
}  // namespace ParticleGravity
