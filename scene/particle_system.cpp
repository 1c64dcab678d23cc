#include "scene/particle_system.h"

#include "core/memory.h"
#include "core/numeric.h"
#include "core/object_registry.h"
#include "texture/texture.h"

ParticleDevice particleDevice;

float particleRandom(int32_t& seed)
{
    return random15(seed);
}

ParticleSystem::ParticleSystem(ObjectRegistry& show)
{
    registry = &show;
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
    applyTrackRow(particleTracks, this, track);
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
    int32_t& seed = registry->particleSeed;
    const float z = (0.5f - particleRandom(seed)) * emitterDepth;
    const float x = (0.5f - particleRandom(seed)) * emitterWidth;
    p.position[0] = emitterOrigin[0] + x;
    p.position[1] = emitterOrigin[1] + 0.0f;
    p.position[2] = emitterOrigin[2] + z;
    p.velocity[0] = 0.0f;
    p.velocity[1] = emitSpeed + particleRandom(seed) * emitSpeed * 0.5f;
    p.velocity[2] = 0.0f;
    for (int i = 0; i < 3; ++i) p.acceleration[i] = gravityDirection[i] * gravityScale;
    p.fadeRate = fadeRate + particleRandom(seed) * fadeRate * 0.5f;
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

ProjectObject* createParticleSystem(ObjectRegistry& registry) { return new ParticleSystem(registry); }
