#include <gtest/gtest.h>

#include <initializer_list>

#include "core/track.h"

namespace {

// A track whose keys carry the same value in all twelve components.
struct TrackOf {
    AnimTrack track;
    TrackOf(std::initializer_list<std::pair<float, float>> timesAndValues, KeyMode mode = KeyMode::Smooth)
    {
        for (auto [time, value] : timesAndValues) add(time, value, mode);
    }
    void add(float time, float value, KeyMode mode)
    {
        AnimKey* key = track.keys.append(memNew<AnimKey>());
        key->time = time;
        key->mode = static_cast<uint8_t>(mode);
        for (float& v : key->value) v = value;
    }
    float at(float time)
    {
        evaluateTrack(track, time);
        for (int i = 1; i < TRACK_VALUES; ++i) EXPECT_EQ(track.value[i], track.value[0]);
        return track.value[0];
    }
};

TEST(EvaluateTrack, WithoutKeysTheValueStays)
{
    AnimTrack track;
    track.value[3] = 7.0f;
    evaluateTrack(track, 1.0f);
    EXPECT_EQ(track.value[3], 7.0f);
}

TEST(EvaluateTrack, OneKeyHoldsUpToItsTimeAndLeavesTheValueAfterIt)
{
    TrackOf t({{2.0f, 5.0f}});
    t.track.value[0] = -1.0f;
    evaluateTrack(t.track, 3.0f);  // after the last key: unchanged
    EXPECT_EQ(t.track.value[0], -1.0f);
    EXPECT_EQ(t.at(0.0f), 5.0f);
    EXPECT_EQ(t.at(2.0f), 5.0f);
    EXPECT_EQ(t.at(9.0f), 5.0f);  // kept from the evaluation before
}

TEST(EvaluateTrack, TwoKeysBlendLinearlyWhateverTheirModes)
{
    TrackOf t({{0.0f, 0.0f}, {2.0f, 10.0f}}, KeyMode::Step);
    EXPECT_FLOAT_EQ(t.at(0.5f), 2.5f);
    EXPECT_FLOAT_EQ(t.at(1.0f), 5.0f);
    EXPECT_EQ(t.at(2.0f), 10.0f);
    EXPECT_EQ(t.at(-1.0f), 0.0f);  // before the first key: the first key's value
}

TEST(EvaluateTrack, SmoothKeysFollowCatmullRom)
{
    TrackOf t({{0.0f, 0.0f}, {1.0f, 10.0f}, {2.0f, 20.0f}});
    EXPECT_EQ(t.at(0.5f), 4.375f);  // P0 = P1 = 0, P2 = 10, P3 = 20
    EXPECT_EQ(t.at(1.0f), 10.0f);   // exactly at a key that is not the first
    EXPECT_EQ(t.at(1.5f), 15.625f);
}

TEST(EvaluateTrack, StepKeysHoldUntilTheNextKeysTimeInclusive)
{
    TrackOf t({{0.0f, 0.0f}, {1.0f, 10.0f}, {2.0f, 20.0f}}, KeyMode::Step);
    EXPECT_EQ(t.at(0.5f), 0.0f);
    EXPECT_EQ(t.at(1.0f), 0.0f);  // still the step key's value at the next key's time
    EXPECT_EQ(t.at(1.5f), 10.0f);
}

TEST(EvaluateTrack, LocalKeysGiveASymmetricSegment)
{
    TrackOf t({{0.0f, -100.0f}});
    t.add(1.0f, 0.0f, KeyMode::Local);
    t.add(2.0f, 10.0f, KeyMode::Local);
    t.add(3.0f, 500.0f, KeyMode::Smooth);
    EXPECT_EQ(t.at(1.5f), 5.0f);
    // 0.5u + 1.5u^2 - u^3 of the chord at u = 0.25
    EXPECT_FLOAT_EQ(t.at(1.25f), 10.0f * (0.125f + 0.09375f - 0.015625f));
}

TEST(EvaluateTrack, UnknownModesBehaveAsLocal)
{
    TrackOf local({{0.0f, -100.0f}});
    local.add(1.0f, 0.0f, KeyMode::Local);
    local.add(2.0f, 10.0f, KeyMode::Local);
    local.add(3.0f, 500.0f, KeyMode::Smooth);
    TrackOf seven({{0.0f, -100.0f}});
    seven.add(1.0f, 0.0f, static_cast<KeyMode>(7));
    seven.add(2.0f, 10.0f, static_cast<KeyMode>(7));
    seven.add(3.0f, 500.0f, KeyMode::Smooth);
    for (float time : {1.1f, 1.3f, 1.7f, 1.9f}) EXPECT_EQ(seven.at(time), local.at(time)) << time;
}

TEST(EvaluateTrack, ComponentsAreIndependent)
{
    AnimTrack track;
    for (int k = 0; k < 3; ++k) {
        AnimKey* key = track.keys.append(memNew<AnimKey>());
        key->time = static_cast<float>(k);
        for (int i = 0; i < TRACK_VALUES; ++i) key->value[i] = static_cast<float>(k * 10 * (i + 1));
    }
    evaluateTrack(track, 0.5f);
    for (int i = 0; i < TRACK_VALUES; ++i) EXPECT_FLOAT_EQ(track.value[i], 4.375f * (i + 1)) << i;
}

}  // namespace
