#include <gtest/gtest.h>

#include "core/timeline.h"

namespace {

// Records the times at which it was animated.
class Probe : public ProjectObject {
public:
    Probe(float start, float end)
    {
        startTime = start;
        endTime = end;
    }
    void animate(float time, float elapsed) override
    {
        ++animations;
        lastTime = time;
    }
    int animations = 0;
    float lastTime = -1.0f;
};

AnimTrack* addSceneTrack(Timeline& timeline, float value)
{
    AnimTrack* track = timeline.paramTracks.append(memNew<AnimTrack>());
    track->value[0] = value;
    return track;
}

TEST(Timeline, StartsStoppedWithNoScene)
{
    Timeline timeline;
    EXPECT_EQ(timeline.running, 0);
    EXPECT_EQ(timeline.sceneIndex, -1);
    EXPECT_EQ(timeline.time, 0.0f);
    EXPECT_GT(timeline.clock.tickRateDiv256, 0.0f);
}

TEST(Timeline, StopsThePassThatCrossesTheEndOfTheShow)
{
    ObjectRegistry registry;
    Probe* probe = static_cast<Probe*>(registry[SectionKind::Mesh].append(new Probe(0.0f, 200.0f)));
    Timeline timeline;
    timeline.start();
    timeline.time = 121.99f;
    timeline.advance(registry, 0.02f);
    EXPECT_EQ(timeline.running, 0);
    EXPECT_EQ(timeline.time, 0.0f);
    EXPECT_EQ(probe->animations, 0);  // nothing is animated in that pass

    // Stopped, a pass adds nothing but still animates what is active at 0.
    timeline.advance(registry, 5.0f);
    EXPECT_EQ(timeline.time, 0.0f);
    EXPECT_EQ(probe->animations, 1);
}

TEST(Timeline, AnimatesObjectsWithinTheirIntervalBothEndsIncluded)
{
    ObjectRegistry registry;
    Probe* probe = static_cast<Probe*>(registry[SectionKind::Light].append(new Probe(10.0f, 20.0f)));
    Probe* never = static_cast<Probe*>(registry[SectionKind::Scene].append(new Probe(20.0f, 10.0f)));
    Timeline timeline;
    timeline.start();
    const float times[] = {9.999f, 10.0f, 15.0f, 20.0f, 20.001f};
    const int expected[] = {0, 1, 2, 3, 3};
    for (int i = 0; i < 5; ++i) {
        timeline.time = times[i];
        timeline.advance(registry, 0.0f);
        EXPECT_EQ(probe->animations, expected[i]) << times[i];
    }
    EXPECT_EQ(probe->lastTime, 20.0f);
    EXPECT_EQ(never->animations, 0);
}

TEST(Timeline, ItsTrackSetsTheSceneIndexByTruncation)
{
    ObjectRegistry registry;
    Timeline timeline;
    AnimTrack* track = addSceneTrack(timeline, 2.9f);
    timeline.advance(registry, 0.0f);
    EXPECT_EQ(timeline.sceneIndex, 2);
    track->value[0] = -0.5f;
    timeline.advance(registry, 0.0f);
    EXPECT_EQ(timeline.sceneIndex, 0);
    track->value[0] = 1e30f;  // out of range: the integer indefinite, which names no Scene
    timeline.advance(registry, 0.0f);
    EXPECT_EQ(timeline.sceneIndex, INT32_MIN);
}

TEST(Timeline, KeyedSceneChangesAtStepKeys)
{
    ObjectRegistry registry;
    Timeline timeline;
    AnimTrack* track = addSceneTrack(timeline, 0.0f);
    track->flags |= TRACK_ANIMATED;
    const float keyTimes[] = {0.0f, 30.0f, 60.0f};
    for (int k = 0; k < 3; ++k) {
        AnimKey* key = track->keys.append(memNew<AnimKey>());
        key->time = keyTimes[k];
        key->mode = static_cast<uint8_t>(KeyMode::Step);
        key->value[0] = static_cast<float>(k);
    }
    timeline.start();
    timeline.advance(registry, 29.0f);
    EXPECT_EQ(timeline.sceneIndex, 0);
    timeline.advance(registry, 1.0f);  // exactly at the key: still the step key's value
    EXPECT_EQ(timeline.sceneIndex, 0);
    timeline.advance(registry, 0.5f);
    EXPECT_EQ(timeline.sceneIndex, 1);
}

TEST(Timeline, WithoutACounterTimeStandsStill)
{
    ObjectRegistry registry;
    Timeline timeline;
    timeline.clock.tickRateDiv256 = 0.0f;
    timeline.start();
    EXPECT_EQ(timeline.elapsed(), 0.0f);
    timeline.update(registry);
    EXPECT_EQ(timeline.time, 0.0f);
    EXPECT_EQ(timeline.running, 1);
}

TEST(Timeline, ElapsedCountsOnlyTheLowThirtyTwoBitsOfTicks)
{
    Timeline timeline;
    timeline.resetClock();
    // 2^32 ticks and one second ago reads as one second.
    const int64_t frequency = static_cast<int64_t>(timeline.clock.tickRateDiv256) * 256;
    timeline.clock.lastReading -= (int64_t(1) << 32) + frequency;
    EXPECT_NEAR(timeline.elapsed(), 1.0f, 0.05f);
}

}  // namespace
