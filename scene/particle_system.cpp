#include "scene/particle_system.h"

#include "core/memory.h"
#include "core/numeric.h"
#include "scene/track_table.h"
#include "texture/texture.h"

int32_t particleSeed = PARTICLE_SEED_START;
ParticleDevice particleDevice;

float particleRandom()
{
    return random15(particleSeed);
}

namespace {

const TrackHandler<ParticleSystem> particleTracks[] = {
    {static_cast<uint8_t>(ParticleTrack::Placement), "Placement",
     [](ParticleSystem& system, const AnimTrack& track) {
         for (int i = 0; i < 3; ++i) {
             system.emitterOrigin[i] = track.value[i] / 32.0f;
             system.emitterRotation[i] = track.value[3 + i];
         }
     }},
    {static_cast<uint8_t>(ParticleTrack::Emission), "Emission",
     [](ParticleSystem& system, const AnimTrack& track) {
         // The count first: a respawn takes the emitter as it stood before.
         system.setParticleCount(truncToInt32(track.value[0]));
         system.emitSpeed = track.value[3] / 10.0f;
         system.fadeRate = track.value[4] / 10.0f;
         system.particleSize = track.value[6] / 32.0f;
         system.emitterWidth = track.value[7] / 32.0f;
         system.emitterDepth = track.value[8] / 32.0f;
         system.particleColor[0] = track.value[9] / 256.0f;
         system.particleColor[1] = track.value[10] / 256.0f;
         system.particleColor[2] = track.value[11] / 256.0f;
         system.particleColor[3] = 1.0f;
     }},
    {static_cast<uint8_t>(ParticleTrack::Texture), "Texture",
     [](ParticleSystem& system, const AnimTrack& track) {
         const int32_t index = truncToInt32(track.value[0]);
         system.particleTexture = index == -1 ? nullptr : textureAt(index);
     }},
    {static_cast<uint8_t>(ParticleTrack::Gravity), "Gravity",
     [](ParticleSystem& system, const AnimTrack& track) {
         for (int i = 0; i < 3; ++i) system.gravityDirection[i] = track.value[i] / 10.0f;
         system.gravityScale = track.value[3];
     }},
};

}  // namespace

ParticleSystem::ParticleSystem()
{
    setParticleCount(20);
    for (int32_t i = 0; i < particleCount; ++i) spawnParticle(i);
}

ParticleSystem::~ParticleSystem()
{
    memFree(particles);
    particles = nullptr;
}

int ParticleSystem::applyTrack(AnimTrack& track)
{
    dispatchTrack(particleTracks, *this, track);
    return 0;
}

int ParticleSystem::build()
{
    applyParamTracks();
    return 0;
}

void ParticleSystem::setParticleCount(int32_t n)
{
    if (n < 0) n = 0;
    if (n == particleCount && (particles || n == 0)) return;
    memFree(particles);
    particles = n > 0 ? static_cast<Particle*>(memAlloc(sizeof(Particle) * static_cast<size_t>(n))) : nullptr;
    particleCount = particles ? n : 0;
    for (int32_t i = 0; i < particleCount; ++i) spawnParticle(i);
}

void ParticleSystem::spawnParticle(int32_t index)
{
    Particle& p = particles[index];
    const float z = (0.5f - particleRandom()) * emitterDepth;
    const float x = (0.5f - particleRandom()) * emitterWidth;
    p.position[0] = emitterOrigin[0] + x;
    p.position[1] = emitterOrigin[1] + 0.0f;
    p.position[2] = emitterOrigin[2] + z;
    p.velocity[0] = 0.0f;
    p.velocity[1] = emitSpeed + particleRandom() * emitSpeed * 0.5f;
    p.velocity[2] = 0.0f;
    for (int i = 0; i < 3; ++i) p.acceleration[i] = gravityDirection[i] * gravityScale;
    p.fadeRate = fadeRate + particleRandom() * fadeRate * 0.5f;
    for (int i = 0; i < 4; ++i) p.color[i] = particleColor[i];
}

bool updateParticle(Particle& particle, float dt)
{
    for (int i = 0; i < 3; ++i) particle.velocity[i] += particle.acceleration[i] * dt;
    for (int i = 0; i < 3; ++i) particle.position[i] += particle.velocity[i] * dt;
    for (int i = 0; i < 4; ++i) particle.color[i] -= dt * particle.fadeRate;
    return particle.color[3] <= 0.0f;
}

void ParticleSystem::animate(float time, float elapsed)
{
    ProjectObject::animate(time, elapsed);
    for (int32_t i = 0; i < particleCount; ++i)
        if (updateParticle(particles[i], elapsed)) spawnParticle(i);
}

void ParticleSystem::draw()
{
    if (particleDevice.draw) particleDevice.draw(*this);
}

ProjectObject* createParticleSystem() { return new ParticleSystem(); }
const char* particleTrackName(uint8_t id) { return trackHandlerName(particleTracks, id); }
int particleTrackId(std::string_view name) { return trackHandlerId(particleTracks, name); }
