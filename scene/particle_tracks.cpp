#include "scene/particle_tracks.h"

#include "scene/particle_system.h"
#include "texture/texture.h"

namespace {

template <void (*Apply)(ParticleSystem&, const AnimTrack&)>
constexpr TrackHandler onParticles = handlerFor<ParticleSystem, Apply>;

void applyPlacement(ParticleSystem& system, const AnimTrack& track)
{
    using namespace ParticlePlacement;
    system.emitterOrigin[0] = readValue(track, x);
    system.emitterOrigin[1] = readValue(track, y);
    system.emitterOrigin[2] = readValue(track, z);
    system.emitterRotation[0] = readValue(track, rotateX);
    system.emitterRotation[1] = readValue(track, rotateY);
    system.emitterRotation[2] = readValue(track, rotateZ);
}

void applyEmission(ParticleSystem& system, const AnimTrack& track)
{
    using namespace ParticleEmission;
    // The count first: a respawn takes the emitter as it stood before.
    system.setParticleCount(readWhole(track, count));
    system.emitSpeed = readValue(track, speed);
    system.fadeRate = readValue(track, fade);
    system.particleSize = readValue(track, size);
    system.emitterWidth = readValue(track, width);
    system.emitterDepth = readValue(track, depth);
    system.particleColor[0] = readValue(track, red);
    system.particleColor[1] = readValue(track, green);
    system.particleColor[2] = readValue(track, blue);
    system.particleColor[3] = 1.0f;
}

void applyTexture(ParticleSystem& system, const AnimTrack& track)
{
    const int32_t index = readWhole(track, ParticleTexture::texture);
    system.particleTexture = index == -1 ? nullptr : textureAt(system.registry, index);
}

void applyGravity(ParticleSystem& system, const AnimTrack& track)
{
    using namespace ParticleGravity;
    system.gravityDirection[0] = readValue(track, x);
    system.gravityDirection[1] = readValue(track, y);
    system.gravityDirection[2] = readValue(track, z);
    system.gravityScale = readValue(track, scale);
}

constexpr TrackRow rows[] = {
    {0, "Placement", TrackRole::Param, onParticles<applyPlacement>,
     "Places the emitter: a particle starts where the emitter stands at its birth and does not follow it, while "
     "the rotation turns the whole system, living particles too, about the world origin, not the emitter.",
     ParticlePlacement::values},
    {1, "Emission", TrackRole::Param, onParticles<applyEmission>,
     "The number of particles (a change respawns them all) and what each takes at birth: a start in the `width` "
     "x `depth` rectangle, 1 to 1.5 times `speed` / 10 units (of 32 world units) a second straight up, 1 to 1.5 "
     "times `fade` / 10 of colour and alpha lost a second, the colour, and `size`, half its sprite's side.",
     ParticleEmission::values},
    {2, "Texture", TrackRole::Param, onParticles<applyTexture>,
     "The texture of every sprite, multiplied by the particle's colour and added to the picture; `none` draws "
     "plain squares.",
     ParticleTexture::values},
    {3, "Gravity", TrackRole::Param, onParticles<applyGravity>,
     "A constant acceleration, (`x`, `y`, `z`) / 10 times `scale` units a second squared, that a particle takes at "
     "its birth, so a change reaches only particles born after it.",
     ParticleGravity::values},
};

}  // namespace

const TrackTable particleTracks = {SectionKind::ParticleSystem, "particles", rows};
