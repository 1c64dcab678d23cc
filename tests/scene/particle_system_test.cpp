#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "scene/object_kinds.h"
#include "scene/particle_system.h"
#include "tests/support/loaded_show.h"
#include "texture/texture.h"

namespace {

constexpr uint8_t EMISSION = static_cast<uint8_t>(ParticleTrack::Emission);

class ParticleSystemTest : public ::testing::Test {
protected:
    ObjectRegistry registry;  // a fresh show's: its seed at the start

    ParticleSystem& make() { return *static_cast<ParticleSystem*>(createParticleSystem(registry)); }

    static std::vector<Particle> snapshot(const ParticleSystem& system)
    {
        return std::vector<Particle>(system.particles, system.particles + system.particleCount);
    }
    static bool same(const std::vector<Particle>& a, const std::vector<Particle>& b)
    {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Particle)) == 0;
    }
    static int32_t seedAfter(int32_t seed, int draws)
    {
        for (int i = 0; i < draws; ++i) particleRandom(seed);
        return seed;
    }
};

TEST_F(ParticleSystemTest, RandomNumbersKeepFifteenBitsAndDivideBy32678)
{
    int32_t seed = PARTICLE_SEED_START;
    EXPECT_FLOAT_EQ(particleRandom(seed), 16656.0f / 32678.0f);
    EXPECT_EQ(seed, 16656);
    EXPECT_NEAR(16656.0f / 32678.0f, 0.5097f, 1e-4f);
    // The largest seed gives a number a little above one.
    seed = 0;
    float largest = 0;
    for (int i = 0; i < 40000; ++i) {
        const float r = particleRandom(seed);
        ASSERT_GE(r, 0.0f);
        largest = std::max(largest, r);
    }
    EXPECT_FLOAT_EQ(largest, 32767.0f / 32678.0f);
}

TEST_F(ParticleSystemTest, ConstructionSpawnsTwentyParticlesTwice)
{
    const int32_t expected = seedAfter(PARTICLE_SEED_START, 2 * 20 * 4);
    ParticleSystem& system = make();
    EXPECT_EQ(registry.particleSeed, expected);
    EXPECT_EQ(system.particleCount, 20);
    ASSERT_NE(system.particles, nullptr);
    system.destroy(DESTROY_FREE);
}

TEST_F(ParticleSystemTest, DefaultParticlesStartAtTheOriginRiseAndDieWithinASecond)
{
    ParticleSystem& system = make();
    for (int32_t i = 0; i < system.particleCount; ++i) {
        const Particle& p = system.particles[i];
        for (float c : p.position) EXPECT_EQ(c, 0.0f);
        EXPECT_EQ(p.velocity[0], 0.0f);
        EXPECT_EQ(p.velocity[2], 0.0f);
        EXPECT_GE(p.velocity[1], 10.0f);
        EXPECT_LE(p.velocity[1], 15.1f);
        EXPECT_GE(p.fadeRate, 1.0f);
        EXPECT_LE(p.fadeRate, 1.51f);
        for (float a : p.acceleration) EXPECT_EQ(a, 0.0f);
        for (float c : p.color) EXPECT_EQ(c, 1.0f);
    }
    // Alpha 1 fading at 1 to 1.5 per second: dead after 2/3 to 1 second.
    Particle p = system.particles[0];
    const float lifetime = 1.0f / p.fadeRate;
    EXPECT_FALSE(updateParticle(p, lifetime * 0.99f));
    EXPECT_TRUE(updateParticle(p, lifetime * 0.02f));
    system.destroy(DESTROY_FREE);
}

TEST_F(ParticleSystemTest, UpdateAcceleratesThenMovesWithTheNewVelocityAndFadesEveryChannel)
{
    Particle p{};
    for (float& c : p.color) c = 1.0f;
    p.velocity[1] = 2.0f;
    p.acceleration[1] = -4.0f;
    p.fadeRate = 0.5f;
    EXPECT_FALSE(updateParticle(p, 0.5f));
    EXPECT_EQ(p.velocity[1], 0.0f);
    EXPECT_EQ(p.position[1], 0.0f) << "the new velocity moves it";
    EXPECT_EQ(p.color[0], 0.75f);
    EXPECT_EQ(p.color[3], 0.75f);
    EXPECT_FALSE(updateParticle(p, 1.0f));
    EXPECT_EQ(p.position[1], -4.0f);
    EXPECT_TRUE(updateParticle(p, 0.5f)) << "alpha exactly 0 is dead";
    EXPECT_TRUE(updateParticle(p, 0.5f));
    EXPECT_EQ(p.color[0], -0.25f) << "no clamping";
}

TEST_F(ParticleSystemTest, TracksScaleTheirValues)
{
    ProjectBuilder project;
    project.add(SectionKind::Texture);
    project.add(SectionKind::Texture);
    ProjectBuilder::Object& object = project.add(SectionKind::ParticleSystem);
    object.param(static_cast<uint8_t>(ParticleTrack::Placement), {32, 64, -96, 90, 45, 10});
    object.param(EMISSION, {5, 0, 0, 150, 20, 0, 8, 64, 32, 256, 128, 64});
    object.param(static_cast<uint8_t>(ParticleTrack::Texture), {1.7f});
    object.param(static_cast<uint8_t>(ParticleTrack::Gravity), {0, -10, 5, 9.81f});
    LoadedShow show(project);
    const ParticleSystem& s = show.object<ParticleSystem>(SectionKind::ParticleSystem, 0);
    EXPECT_EQ(s.emitterOrigin[0], 1.0f);
    EXPECT_EQ(s.emitterOrigin[1], 2.0f);
    EXPECT_EQ(s.emitterOrigin[2], -3.0f);
    EXPECT_EQ(s.emitterRotation[0], 90.0f);
    EXPECT_EQ(s.emitterRotation[2], 10.0f);
    EXPECT_EQ(s.particleCount, 5);
    EXPECT_EQ(s.emitSpeed, 15.0f);
    EXPECT_EQ(s.fadeRate, 2.0f);
    EXPECT_EQ(s.particleSize, 0.25f);
    EXPECT_EQ(s.emitterWidth, 2.0f);
    EXPECT_EQ(s.emitterDepth, 1.0f);
    EXPECT_EQ(s.particleColor[0], 1.0f);
    EXPECT_EQ(s.particleColor[1], 0.5f);
    EXPECT_EQ(s.particleColor[2], 0.25f);
    EXPECT_EQ(s.particleColor[3], 1.0f);
    EXPECT_EQ(s.particleTexture, show.registry.at(SectionKind::Texture, 1));
    EXPECT_EQ(s.gravityDirection[1], -1.0f);
    EXPECT_EQ(s.gravityDirection[2], 0.5f);
    EXPECT_EQ(s.gravityScale, 9.81f);
    // The respawn at the new count came before the emitter's new settings.
    EXPECT_EQ(s.particles[0].color[1], 1.0f);
    EXPECT_GE(s.particles[0].velocity[1], 10.0f);
    EXPECT_LE(s.particles[0].velocity[1], 15.1f);
}

TEST_F(ParticleSystemTest, TextureIndexMinusOneOrPastTheSectionGivesNoTexture)
{
    ProjectBuilder project;
    project.add(SectionKind::Texture);
    project.add(SectionKind::ParticleSystem).param(static_cast<uint8_t>(ParticleTrack::Texture), {0});
    project.add(SectionKind::ParticleSystem).param(static_cast<uint8_t>(ParticleTrack::Texture), {-1});
    project.add(SectionKind::ParticleSystem).param(static_cast<uint8_t>(ParticleTrack::Texture), {5});
    LoadedShow show(project);
    EXPECT_EQ(show.object<ParticleSystem>(SectionKind::ParticleSystem, 0).particleTexture, textureAt(&show.registry, 0));
    EXPECT_NE(textureAt(&show.registry, 0), nullptr);
    EXPECT_EQ(show.object<ParticleSystem>(SectionKind::ParticleSystem, 1).particleTexture, nullptr);
    EXPECT_EQ(show.object<ParticleSystem>(SectionKind::ParticleSystem, 2).particleTexture, nullptr);
}

TEST_F(ParticleSystemTest, AKeptCountDoesNotRespawnAndAChangedOneRespawnsAll)
{
    ProjectBuilder project;
    project.add(SectionKind::ParticleSystem)
        .during(0, 100)
        .param(EMISSION, {8, 0, 0, 100, 10})
        .key(0, KeyMode::Step, {8, 0, 0, 100, 10})
        .key(1, KeyMode::Step, {8, 0, 0, 100, 10})
        .key(2, KeyMode::Step, {12, 0, 0, 100, 10})
        .key(3, KeyMode::Step, {12, 0, 0, 100, 10});
    LoadedShow show(project);
    ParticleSystem& s = show.object<ParticleSystem>(SectionKind::ParticleSystem, 0);
    ASSERT_EQ(s.particleCount, 8);
    const Particle* array = s.particles;

    // Elapsed 0: the count is re-applied unchanged and nothing moves.
    const std::vector<Particle> before = snapshot(s);
    const int32_t seed = show.registry.particleSeed;
    show.advance(0.0f);
    EXPECT_TRUE(same(before, snapshot(s)));
    EXPECT_EQ(show.registry.particleSeed, seed);
    EXPECT_EQ(s.particles, array);

    show.advance(0.5f);  // time 0.5: still 8 (a step key holds)
    EXPECT_EQ(s.particleCount, 8);
    EXPECT_EQ(show.registry.particleSeed, seed) << "no particle died within half a second";

    show.advance(1.6f);  // time 2.1: 12
    EXPECT_EQ(s.particleCount, 12);
    // Twelve spawned, then moved by 1.6 s: those with a fade rate above
    // 1 / 1.6 died and were reborn at once.
    for (int32_t i = 0; i < s.particleCount; ++i) EXPECT_GT(s.particles[i].color[3], 0.0f);
}

TEST_F(ParticleSystemTest, DeadParticlesAreRebornAtTheEmitterInTheSamePass)
{
    ProjectBuilder project;
    project.add(SectionKind::ParticleSystem)
        .during(0, 100)
        .param(EMISSION, {1, 0, 0, 100, 100, 0, 0, 0, 0, 256, 256, 256});
    LoadedShow show(project);
    ParticleSystem& s = show.object<ParticleSystem>(SectionKind::ParticleSystem, 0);
    // Spawned at the count change, before the track's speed and fade took
    // effect: the defaults (fade 1 to 1.5 per second) still hold for it.
    show.advance(0.5f);
    EXPECT_GT(s.particles[0].position[1], 4.9f);
    EXPECT_LT(s.particles[0].color[3], 0.51f);
    const int32_t reborn = seedAfter(show.registry.particleSeed, 4);
    show.advance(0.55f);  // 1.05 s old: dead, reborn with the track's settings
    EXPECT_EQ(show.registry.particleSeed, reborn);
    EXPECT_EQ(s.particles[0].position[1], 0.0f);
    EXPECT_EQ(s.particles[0].color[3], 1.0f);
    EXPECT_GE(s.particles[0].fadeRate, 10.0f);
}

TEST_F(ParticleSystemTest, NegativeCountsHoldNoParticles)
{
    ParticleSystem& system = make();
    system.setParticleCount(-5);
    EXPECT_EQ(system.particleCount, 0);
    EXPECT_EQ(system.particles, nullptr);
    system.animate(0.0f, 1.0f);
    system.setParticleCount(3);
    EXPECT_EQ(system.particleCount, 3);
    system.destroy(DESTROY_FREE);
}

}  // namespace
