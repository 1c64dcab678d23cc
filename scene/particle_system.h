// Glowing sprites that rise from a rectangular emitter, are pulled by a
// constant acceleration, fade out and are reborn at the emitter. Drawn as
// camera-facing textured squares, added onto the frame without depth writes.
#pragma once
#include <cstdint>

#include "core/project_object.h"
#include "scene/particle_tracks.h"

class Texture;

struct Particle {
    float color[4];
    float position[3];
    float velocity[3];
    float acceleration[3];
    float fadeRate;  // colour units per second
};
static_assert(sizeof(Particle) == 56, "fourteen floats");

// The random numbers of every particle system (and of nothing else): one
// seed a show, its registry's particleSeed (from PARTICLE_SEED_START), 15 bits
// of state. The result spans 0 to 32767 / 32678, a little above 1.
float particleRandom(int32_t& seed);

class ParticleSystem : public ProjectObject {
public:
    float emitterOrigin[3] = {0.0f, 0.0f, 0.0f};
    float emitterRotation[3] = {0.0f, 0.0f, 0.0f};  // degrees about x, y, z
    float particleColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float gravityDirection[3] = {0.0f, 0.0f, 0.0f};
    float gravityScale = 0.0f;
    int32_t particleCount = 0;
    float emitSpeed = 10.0f;
    float fadeRate = 1.0f;
    float particleSize = 0.1f;  // half the side of a sprite
    float emitterWidth = 0.0f;
    float emitterDepth = 0.0f;
    Texture* particleTexture = nullptr;
    Particle* particles = nullptr;  // particleCount of them, engine heap

    // 20 particles, spawned twice over (four random numbers each time) from
    // the seed of `show`, the registry the system is made for.
    explicit ParticleSystem(ObjectRegistry& show);

    int applyTrack(AnimTrack& track) override;
    int build() override;  // the parameter tracks
    void draw() override;  // particleDevice.draw
    // The tracks, then every particle moved on by `elapsed` seconds; a dead
    // one is reborn at once.
    void animate(float time, float elapsed) override;

    // A different count replaces the array and spawns every particle; the
    // same count changes nothing. Below zero counts as zero.
    void setParticleCount(int32_t n);
    void spawnParticle(int32_t index);

protected:
    ~ParticleSystem() override;  // frees the particles
};

// The card's side of a ParticleSystem, installed by the render layer while a
// GL context exists (render/object_gl.cpp); without it nothing is drawn.
struct ParticleDevice {
    void (*draw)(ParticleSystem& system) = nullptr;
};
extern ParticleDevice particleDevice;

// Advances one particle; true when it has faded out (alpha at or below 0).
bool updateParticle(Particle& particle, float dt);

ProjectObject* createParticleSystem(ObjectRegistry& registry);
