#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "music/mixer.h"
#include "music/xm_module.h"

namespace {

// A sample over caller-owned values, padded as the loader pads them.
struct TestSample {
    std::vector<int16_t> values;
    XmSample sample{};

    TestSample(std::vector<int16_t> data, LoopMode loopMode, uint32_t loopStart, uint32_t loopLength)
        : values(std::move(data))
    {
        const size_t length = values.size();
        values.resize(length + 8, 0);
        sample.data = values.data();
        sample.length = static_cast<uint32_t>(length);
        sample.loopMode = loopMode;
        sample.loopStart = loopStart;
        sample.loopLength = loopLength;
        sample.bits = 16;
        const uint32_t end = loopStart + loopLength;
        if (loopMode == LoopMode::PingPong) values[end] = values[end - 1];
        if (loopMode == LoopMode::Forward) values[end] = values[loopStart];
    }
};

MixVoice voiceOn(XmSample& sample, double step, int32_t first, int32_t second)
{
    MixVoice voice{};
    voice.sample = &sample;
    voice.step = static_cast<uint64_t>(step * 4294967296.0);
    voice.direction = Direction::Forward;
    voice.targetFirst = first;
    voice.targetSecond = second;
    voice.currentFirst = first * 256;  // already at its gains: no ramp
    voice.currentSecond = second * 256;
    return voice;
}

std::vector<float> mix(MixVoice& voice, int32_t frames)
{
    std::vector<float> buffer(static_cast<size_t>(frames) * 2, 0.0f);
    mixVoices(&voice, 1, buffer.data(), frames);
    return buffer;
}

TEST(MixerConstants, AtTheMixRate)
{
    EXPECT_EQ(MIX_RATE, 44100);
    EXPECT_EQ(CHUNK_FRAMES, 884);
    EXPECT_EQ(CHUNK_COUNT, 100);
    EXPECT_EQ(TOTAL_FRAMES, 88400);
    EXPECT_EQ(RAMP_FRAMES, 128);
}

TEST(Mixer, InterpolatesBetweenValues)
{
    TestSample s({0, 1000, 3000, 3000}, LoopMode::None, 0, 4);
    MixVoice voice = voiceOn(s.sample, 0.25, 255, 255);
    const std::vector<float> out = mix(voice, 8);
    const float expected[8] = {0, 250, 500, 750, 1000, 1500, 2000, 2500};
    for (int k = 0; k < 8; ++k) {
        EXPECT_FLOAT_EQ(out[2 * k], expected[k]) << k;
        EXPECT_FLOAT_EQ(out[2 * k + 1], expected[k]) << k;
    }
}

TEST(Mixer, PanningSendsEachTargetToItsOwnSide)
{
    TestSample s(std::vector<int16_t>(64, 1000), LoopMode::Forward, 0, 64);
    MixVoice first = voiceOn(s.sample, 1.0, 255, 0);
    std::vector<float> out = mix(first, 100);
    for (int k = 0; k < 100; ++k) {
        EXPECT_FLOAT_EQ(out[2 * k], 1000.0f);
        EXPECT_EQ(out[2 * k + 1], 0.0f);
    }
    MixVoice half = voiceOn(s.sample, 1.0, 51, 204);
    out = mix(half, 4);
    EXPECT_NEAR(out[0], 200.0f, 0.01f);
    EXPECT_NEAR(out[1], 800.0f, 0.01f);
}

TEST(Mixer, NewVoiceFadesInOverTheRamp)
{
    TestSample s(std::vector<int16_t>(64, 1000), LoopMode::Forward, 0, 64);
    MixVoice voice = voiceOn(s.sample, 1.0, 255, 0);
    voice.currentFirst = voice.currentSecond = 0;  // a fresh note starts at gain 0
    const std::vector<float> out = mix(voice, 300);
    EXPECT_EQ(out[0], 0.0f);
    for (int k = 1; k < RAMP_FRAMES; ++k) {
        EXPECT_GT(out[2 * k], out[2 * (k - 1)]) << k;
        EXPECT_LT(out[2 * k], 1000.0f) << k;
    }
    EXPECT_NEAR(out[2 * 64], 500.0f, 1.0f);
    for (int k = RAMP_FRAMES; k < 300; ++k) EXPECT_FLOAT_EQ(out[2 * k], 1000.0f) << k;
    EXPECT_EQ(voice.rampFramesLeft, 0);
    EXPECT_EQ(voice.currentFirst, 255 * 256);
}

TEST(Mixer, RampCarriesOverRunsAndFadesOut)
{
    TestSample s(std::vector<int16_t>(64, -2000), LoopMode::Forward, 0, 64);
    MixVoice voice = voiceOn(s.sample, 1.0, 0, 0);
    voice.currentFirst = voice.currentSecond = 255 * 256;  // targets dropped to 0: fade out
    std::vector<float> out = mix(voice, 50);
    EXPECT_FLOAT_EQ(out[0], -2000.0f);
    EXPECT_EQ(voice.rampFramesLeft, RAMP_FRAMES - 50);
    const std::vector<float> rest = mix(voice, 200);
    out.insert(out.end(), rest.begin(), rest.end());
    for (int k = 1; k < RAMP_FRAMES; ++k) EXPECT_GT(out[2 * k], out[2 * (k - 1)]) << k;
    EXPECT_NEAR(out[2 * 100], -2000.0f * 28 / 128, 20.0f);
    for (int k = RAMP_FRAMES; k < 250; ++k) EXPECT_EQ(out[2 * k], 0.0f) << k;
    // The faded voice plays on, silent.
    EXPECT_NE(voice.sample, nullptr);
}

TEST(Mixer, ForwardLoopReturnsToItsStart)
{
    std::vector<int16_t> ramp;
    for (int i = 0; i < 10; ++i) ramp.push_back(static_cast<int16_t>(i * 100));
    TestSample s(ramp, LoopMode::Forward, 4, 4);
    MixVoice voice = voiceOn(s.sample, 1.0, 255, 255);
    const std::vector<float> out = mix(voice, 16);
    const float expected[16] = {0, 100, 200, 300, 400, 500, 600, 700, 400, 500, 600, 700, 400, 500, 600, 700};
    for (int k = 0; k < 16; ++k) EXPECT_FLOAT_EQ(out[2 * k], expected[k]) << k;
}

TEST(Mixer, PingPongLoopTurnsAtBothEnds)
{
    std::vector<int16_t> ramp;
    for (int i = 0; i < 10; ++i) ramp.push_back(static_cast<int16_t>(i * 100));
    TestSample s(ramp, LoopMode::PingPong, 2, 4);  // plays 2..5
    MixVoice voice = voiceOn(s.sample, 1.0, 255, 255);
    const std::vector<float> out = mix(voice, 19);
    // Mirrored a hair inside each edge, so the edge values come twice over
    // interpolation and the way back runs a fraction below the way out.
    const float expected[19] = {0, 100, 200, 300, 400, 500, 500, 500, 400, 300, 200, 300, 400, 500, 500, 500, 400, 300, 200};
    for (int k = 0; k < 19; ++k) EXPECT_NEAR(out[2 * k], expected[k], 0.01f) << k;
    EXPECT_EQ(voice.direction, Direction::Forward);
}

TEST(Mixer, OvershootIsMirroredBackIntoTheLoop)
{
    std::vector<int16_t> ramp;
    for (int i = 0; i < 10; ++i) ramp.push_back(static_cast<int16_t>(i * 100));
    TestSample s(ramp, LoopMode::PingPong, 2, 4);
    for (double step : {3.0, 11.0, 1000.5}) {
        MixVoice voice = voiceOn(s.sample, step, 255, 255);
        for (int k = 0; k < 50; ++k) {
            const std::vector<float> out = mix(voice, 1);
            const double position = static_cast<double>(voice.position) / 4294967296.0;
            EXPECT_GE(position, 2.0) << step << " " << k;
            EXPECT_LT(position, 6.0) << step << " " << k;
            EXPECT_GE(out[0], 0.0f);
            EXPECT_LE(out[0], 500.0f);
        }
    }
    TestSample forward(ramp, LoopMode::Forward, 2, 4);
    MixVoice voice = voiceOn(forward.sample, 13.25, 255, 255);
    mix(voice, 1);
    EXPECT_EQ(voice.position, static_cast<int64_t>(5.25 * 4294967296.0));  // 13.25 - 2 x 4
}

TEST(Mixer, SampleWithoutLoopStopsAndFreesItsVoice)
{
    TestSample s(std::vector<int16_t>(100, 500), LoopMode::None, 0, 100);
    MixVoice voice = voiceOn(s.sample, 1.0, 255, 255);
    const std::vector<float> out = mix(voice, CHUNK_FRAMES);
    EXPECT_FLOAT_EQ(out[2 * 99], 500.0f);
    for (int k = 100; k < CHUNK_FRAMES; ++k) EXPECT_EQ(out[2 * k], 0.0f) << k;
    EXPECT_EQ(voice.sample, nullptr);
    EXPECT_EQ(voice.position, 0);

    MixVoice empty = voiceOn(EmptySample, 1.0, 255, 255);
    const std::vector<float> nothing = mix(empty, 10);
    for (float value : nothing) EXPECT_EQ(value, 0.0f);
    EXPECT_EQ(empty.sample, nullptr);
}

TEST(Mixer, VoicesAddUpAndOnlyTheGivenOnesPlay)
{
    TestSample s(std::vector<int16_t>(64, 1000), LoopMode::Forward, 0, 64);
    MixVoice voices[3] = {voiceOn(s.sample, 1.0, 255, 255), voiceOn(s.sample, 1.0, 255, 255),
                          voiceOn(s.sample, 1.0, 255, 255)};
    std::vector<float> buffer(20, 0.0f);
    mixVoices(voices, 2, buffer.data(), 10);
    EXPECT_FLOAT_EQ(buffer[0], 2000.0f);
    EXPECT_EQ(voices[2].position, 0);
    mixVoices(voices, 2, buffer.data(), 0);
    mixVoices(voices, 2, buffer.data(), -5);
    EXPECT_FLOAT_EQ(buffer[18], 2000.0f);
}

// Long runs go four frames at a time; the sums must be those of the frame
// by frame formula to the bit.
TEST(Mixer, LongRunsSumLikeSingleFrames)
{
    std::vector<int16_t> values;
    for (int i = 0; i < 300; ++i) values.push_back(static_cast<int16_t>(12000.0 * std::sin(i * 0.37) + 80 * (i % 7)));
    TestSample s(values, LoopMode::PingPong, 40, 200);
    // Steady gains: one long call against calls of a frame each, through
    // both ping-pong turns.
    MixVoice whole = voiceOn(s.sample, 1.37912, 201, 77);
    MixVoice single = whole;
    std::vector<float> together(2 * 700, 0.25f), apart(2 * 700, 0.25f);
    mixVoices(&whole, 1, together.data(), 700);
    for (int k = 0; k < 700; ++k) mixVoices(&single, 1, apart.data() + 2 * k, 1);
    for (int i = 0; i < 2 * 700; ++i) ASSERT_EQ(together[i], apart[i]) << i;
    EXPECT_EQ(whole.position, single.position);
    EXPECT_EQ(whole.direction, single.direction);

    // A ramp (a run stores its gains back rounded, so it is one run here)
    // against the formula: value = s[i] + t (s[i+1] - s[i]), gains advanced
    // by their increments after every frame.
    MixVoice ramp = voiceOn(s.sample, 0.61803, 201, 77);
    ramp.currentFirst = 90 * 256;
    ramp.currentSecond = 200 * 256;
    std::vector<float> mixed(2 * RAMP_FRAMES, 0.5f);
    mixVoices(&ramp, 1, mixed.data(), RAMP_FRAMES);
    float first = 90 * 256 / 256.0f / 255.0f, second = 200 * 256 / 256.0f / 255.0f;
    const float incFirst = static_cast<float>(201 - 90) * (1.0f / 255.0f) * (1.0f / RAMP_FRAMES);
    const float incSecond = static_cast<float>(77 - 200) * (1.0f / 255.0f) * (1.0f / RAMP_FRAMES);
    const uint64_t step = static_cast<uint64_t>(0.61803 * 4294967296.0);
    for (int k = 0; k < RAMP_FRAMES; ++k) {
        const uint64_t position = step * static_cast<uint64_t>(k);
        const int32_t i = static_cast<int32_t>(position >> 32);
        const float t = static_cast<float>(static_cast<int32_t>(static_cast<uint32_t>(position) >> 1)) / 2147483648.0f;
        const float value = static_cast<float>(s.values[i]) + t * static_cast<float>(s.values[i + 1] - s.values[i]);
        ASSERT_EQ(mixed[2 * k], 0.5f + value * first) << k;
        ASSERT_EQ(mixed[2 * k + 1], 0.5f + value * second) << k;
        first += incFirst;
        second += incSecond;
    }
}

TEST(ConvertToPcm, RoundsToEvenAndClips)
{
    // Twelve values: eight go through the wide path, four one at a time.
    const float in[12] = {0.5f, 1.5f, 2.5f, -0.5f, -1.5f, 32767.4f, 32767.5f, 40000.0f, -40000.0f, -32768.6f, 123.6f, -7.2f};
    const int16_t expected[12] = {0, 2, 2, 0, -2, 32767, 32767, 32767, -32768, -32768, 124, -7};
    int16_t out[12];
    convertToPcm(out, in, 6);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(out[i], expected[i]) << i;
    float shifted[12];
    for (int i = 0; i < 12; ++i) shifted[(i + 4) % 12] = in[i];
    convertToPcm(out, shifted, 6);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(out[(i + 4) % 12], expected[i]) << i;
}

}  // namespace
