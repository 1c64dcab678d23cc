// The software mixer: up to 256 voices (VOICE_COUNT: each channel's voice
// and its twin, which ramps out the note it replaces), each a 16-bit sample played at a
// fractional rate with linear interpolation and 128-frame volume ramps,
// added into a float stereo buffer that is then rounded and clipped to PCM.
#pragma once
#include <cstdint>

#include "music/xm_module.h"

constexpr int32_t MIX_RATE = 44100;
constexpr int32_t BUFFER_LENGTH_MS = 1000;
// About 20 ms, the two low bits cleared: 884 frames.
constexpr int32_t CHUNK_FRAMES = (MIX_RATE * 20 / 1000 + 3) & ~3;
constexpr int32_t TOTAL_FRAMES = CHUNK_FRAMES * (BUFFER_LENGTH_MS / 20) * 2;
constexpr int32_t CHUNK_COUNT = TOTAL_FRAMES / CHUNK_FRAMES;
constexpr int32_t RAMP_FRAMES = MIX_RATE * 128 / 44100;
constexpr int32_t VOICE_COUNT = 256;

// 32.32 fixed point: integer part in the high 32 bits.
constexpr int64_t FIXED_ONE = int64_t(1) << 32;

enum class Direction : int32_t { Forward = 1, Backward = 2 };

struct MixVoice {
    int32_t index;
    int32_t volume;   // 0..127
    int32_t panning;  // 0..255
    XmSample* sample;  // null: free
    int32_t targetFirst, targetSecond;  // gains 0..255 for the frame's first and second value
    int64_t position;  // 32.32
    uint64_t step;     // 32.32 advance per output frame
    Direction direction;
    int32_t lastFirst, lastSecond;
    int32_t currentFirst, currentSecond;  // gains x 256
    float rampIncFirst, rampIncSecond;
    int32_t rampFramesLeft;
};

// Adds `frames` stereo frames of the first `voiceCount` voices into `buffer`.
void mixVoices(MixVoice* voices, int32_t voiceCount, float* buffer, int32_t frames);
// Rounds (ties to even) and clips 2 x frames values.
void convertToPcm(int16_t* output, const float* region, int32_t frames);
