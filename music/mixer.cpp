#include "music/mixer.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define MIXER_WIDE_PATH 1
#endif

namespace {

// Stands in for a zero step when counting frames to a boundary.
constexpr int64_t ZERO_STEP_STAND_IN = int64_t(0x017C6F8C) << 8;
constexpr float RAMP_RECIPROCAL = 1.0f / RAMP_FRAMES;
constexpr float GAIN_SCALE = 1.0f / 255.0f;
constexpr float FRACTION_SCALE = 1.0f / 2147483648.0f;

int64_t fixedFrames(uint32_t frames) { return static_cast<int64_t>(frames) << 32; }

// Output frames until the position crosses the loop edge it is heading for:
// forward, the first frame at or past the end; backward, the first frame
// below the loop start. Counted exactly, so no run reads past an edge.
int64_t framesToBoundary(const MixVoice& voice)
{
    const XmSample& sample = *voice.sample;
    const int64_t step = voice.step ? static_cast<int64_t>(voice.step) : ZERO_STEP_STAND_IN;
    if (voice.direction == Direction::Backward) {
        const int64_t distance = voice.position - fixedFrames(sample.loopStart);
        if (distance < 0) return 0;
        return distance / step + 1;
    }
    int64_t end = fixedFrames(sample.loopStart + sample.loopLength);
    if (voice.position > end) end = fixedFrames(sample.length);
    const int64_t distance = end - voice.position;
    if (distance <= 0) return 0;
    return (distance + step - 1) / step;
}

void handleBoundary(MixVoice& voice)
{
    const XmSample& sample = *voice.sample;
    const int64_t loopStart = fixedFrames(sample.loopStart);
    const int64_t loopLength = fixedFrames(sample.loopLength);
    const int64_t loopEnd = loopStart + loopLength;
    int64_t position = voice.position;
    switch (sample.loopMode) {
    case LoopMode::Forward:
        // Back by whole loop lengths until inside the loop.
        if (position >= loopEnd) position = loopStart + (position - loopStart) % loopLength;
        break;
    case LoopMode::PingPong: {
        // Mirrored about the edge less half a fraction unit, so that an edge
        // value is not played twice; a run past both edges folds again.
        // Two reflections make a shift by twice the loop, so a far overshoot
        // is first brought within one round trip.
        const int64_t roundTrip = 2 * loopLength;
        for (;;) {
            if (position >= loopEnd) {
                position -= (position - loopEnd) / roundTrip * roundTrip;
                position = 2 * loopEnd - 1 - position;
                voice.direction = Direction::Backward;
            } else if (position < loopStart) {
                position += (loopStart - position - 1) / roundTrip * roundTrip;
                position = 2 * loopStart - 1 - position;
                voice.direction = Direction::Forward;
            } else {
                break;
            }
        }
        break;
    }
    default:
        voice.sample = nullptr;
        position = 0;
        break;
    }
    voice.position = position;
}

// Starts, continues or ends the volume ramp before a run.
void settleRamp(MixVoice& voice)
{
    if (voice.rampFramesLeft != 0 && voice.targetFirst == voice.lastFirst && voice.targetSecond == voice.lastSecond)
        return;
    voice.lastFirst = voice.targetFirst;
    voice.lastSecond = voice.targetSecond;
    const int32_t first = voice.currentFirst / 256;
    const int32_t second = voice.currentSecond / 256;
    bool ramp = false;
    voice.rampIncFirst = 0.0f;
    voice.rampIncSecond = 0.0f;
    if (voice.targetFirst != first) {
        voice.rampIncFirst = static_cast<float>(voice.targetFirst - first) * GAIN_SCALE * RAMP_RECIPROCAL;
        ramp = true;
    }
    if (voice.targetSecond != second) {
        voice.rampIncSecond = static_cast<float>(voice.targetSecond - second) * GAIN_SCALE * RAMP_RECIPROCAL;
        ramp = true;
    }
    voice.rampFramesLeft = ramp ? RAMP_FRAMES : 0;
}

inline float interpolate(const int16_t* data, int64_t position)
{
    const int32_t i = static_cast<int32_t>(position >> 32);
    const auto fraction = static_cast<uint32_t>(position);
    const float t = static_cast<float>(static_cast<int32_t>(fraction >> 1)) * FRACTION_SCALE;
    const float a = data[i];
    return a + t * static_cast<float>(data[i + 1] - data[i]);
}

#if MIXER_WIDE_PATH
// Eight frames at a time on processors with AVX2 (chosen at run time), by
// the same operations frame by frame as below. Returns the frames mixed, a
// multiple of eight.
template <bool RAMP>
__attribute__((target("avx2"))) int32_t mixRunWide(const int16_t* data, int64_t& position, int64_t step,
                                                    float& first, float& second, float incFirst, float incSecond,
                                                    float* out, int32_t run)
{
    const __m256 scale = _mm256_set1_ps(FRACTION_SCALE);
    __m256 gainFirst = _mm256_set1_ps(first);
    __m256 gainSecond = _mm256_set1_ps(second);
    // Positions two to a 128-bit half, ordered so that one shuffle lines up
    // the eight fractions: frames 0 1 4 5 and 2 3 6 7.
    __m256i lanesA = _mm256_set_epi64x(position + 5 * step, position + 4 * step, position + step, position);
    __m256i lanesB = _mm256_set_epi64x(position + 7 * step, position + 6 * step, position + 3 * step, position + 2 * step);
    const __m256i advance = _mm256_set1_epi64x(8 * step);
    int64_t at = position;
    int32_t k = 0;
    for (; k + 8 <= run; k += 8) {
        // s[i] in the low half of each word, s[i + 1] in the high half.
        int32_t w0, w1, w2, w3, w4, w5, w6, w7;
        std::memcpy(&w0, data + static_cast<int32_t>(at >> 32), 4);
        std::memcpy(&w1, data + static_cast<int32_t>((at + step) >> 32), 4);
        std::memcpy(&w2, data + static_cast<int32_t>((at + 2 * step) >> 32), 4);
        std::memcpy(&w3, data + static_cast<int32_t>((at + 3 * step) >> 32), 4);
        std::memcpy(&w4, data + static_cast<int32_t>((at + 4 * step) >> 32), 4);
        std::memcpy(&w5, data + static_cast<int32_t>((at + 5 * step) >> 32), 4);
        std::memcpy(&w6, data + static_cast<int32_t>((at + 6 * step) >> 32), 4);
        std::memcpy(&w7, data + static_cast<int32_t>((at + 7 * step) >> 32), 4);
        at += 8 * step;
        const __m256i pair = _mm256_set_epi32(w7, w6, w5, w4, w3, w2, w1, w0);
        const __m256 a = _mm256_castsi256_ps(lanesA), b = _mm256_castsi256_ps(lanesB);
        const __m256i fraction =
            _mm256_srli_epi32(_mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))), 1);
        lanesA = _mm256_add_epi64(lanesA, advance);
        lanesB = _mm256_add_epi64(lanesB, advance);
        const __m256i low = _mm256_srai_epi32(_mm256_slli_epi32(pair, 16), 16);
        const __m256i high = _mm256_srai_epi32(pair, 16);
        const __m256 t = _mm256_mul_ps(_mm256_cvtepi32_ps(fraction), scale);
        const __m256 value = _mm256_add_ps(_mm256_cvtepi32_ps(low),
                                           _mm256_mul_ps(t, _mm256_cvtepi32_ps(_mm256_sub_epi32(high, low))));
        if (RAMP) {
            const float f1 = first + incFirst, f2 = f1 + incFirst, f3 = f2 + incFirst, f4 = f3 + incFirst;
            const float f5 = f4 + incFirst, f6 = f5 + incFirst, f7 = f6 + incFirst;
            const float s1 = second + incSecond, s2 = s1 + incSecond, s3 = s2 + incSecond, s4 = s3 + incSecond;
            const float s5 = s4 + incSecond, s6 = s5 + incSecond, s7 = s6 + incSecond;
            gainFirst = _mm256_set_ps(f7, f6, f5, f4, f3, f2, f1, first);
            gainSecond = _mm256_set_ps(s7, s6, s5, s4, s3, s2, s1, second);
            first = f7 + incFirst;
            second = s7 + incSecond;
        }
        const __m256 left = _mm256_mul_ps(value, gainFirst), right = _mm256_mul_ps(value, gainSecond);
        const __m256 lowPairs = _mm256_unpacklo_ps(left, right), highPairs = _mm256_unpackhi_ps(left, right);
        float* frame = out + 2 * k;
        _mm256_storeu_ps(frame,
                         _mm256_add_ps(_mm256_loadu_ps(frame), _mm256_permute2f128_ps(lowPairs, highPairs, 0x20)));
        _mm256_storeu_ps(frame + 8, _mm256_add_ps(_mm256_loadu_ps(frame + 8),
                                                  _mm256_permute2f128_ps(lowPairs, highPairs, 0x31)));
    }
    position = at;
    return k;
}

bool wideMixing()
{
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}
#endif

// A run of frames, the hot loop: at constant gains, or (RAMP) with each
// gain advanced by its increment after every frame. Four frames at a time
// where SSE2 is there, by the same operations frame by frame, so the sums
// are the same to the bit as one frame at a time.
template <bool RAMP>
void mixRun(const int16_t* data, int64_t& position, int64_t step, float& first, float& second, float incFirst,
            float incSecond, float* out, int32_t run)
{
    int32_t k = 0;
#if MIXER_WIDE_PATH
    if (run >= 8 && wideMixing()) {
        const int32_t done = mixRunWide<RAMP>(data, position, step, first, second, incFirst, incSecond, out, run);
        out += 2 * done;
        run -= done;
    }
#endif
#if defined(__SSE2__)
    if (run >= 4) {
        const __m128 scale = _mm_set1_ps(FRACTION_SCALE);
        __m128 gainFirst = _mm_set1_ps(first);
        __m128 gainSecond = _mm_set1_ps(second);
        __m128i lanesA = _mm_set_epi64x(position + step, position);
        __m128i lanesB = _mm_set_epi64x(position + 3 * step, position + 2 * step);
        const __m128i advance = _mm_set1_epi64x(4 * step);
        int64_t at = position;
        for (; k + 4 <= run; k += 4) {
            const int64_t p1 = at + step, p2 = p1 + step, p3 = p2 + step;
            // s[i] in the low half of each word, s[i + 1] in the high half.
            uint32_t w0, w1, w2, w3;
            std::memcpy(&w0, data + static_cast<int32_t>(at >> 32), 4);
            std::memcpy(&w1, data + static_cast<int32_t>(p1 >> 32), 4);
            std::memcpy(&w2, data + static_cast<int32_t>(p2 >> 32), 4);
            std::memcpy(&w3, data + static_cast<int32_t>(p3 >> 32), 4);
            const __m128i pair = _mm_set_epi32(static_cast<int32_t>(w3), static_cast<int32_t>(w2),
                                               static_cast<int32_t>(w1), static_cast<int32_t>(w0));
            // The fractions, from the same positions kept two to a register.
            const __m128 a = _mm_castsi128_ps(lanesA), b = _mm_castsi128_ps(lanesB);
            const __m128i fraction =
                _mm_srli_epi32(_mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))), 1);
            lanesA = _mm_add_epi64(lanesA, advance);
            lanesB = _mm_add_epi64(lanesB, advance);
            at = p3 + step;
            const __m128i low = _mm_srai_epi32(_mm_slli_epi32(pair, 16), 16);
            const __m128i high = _mm_srai_epi32(pair, 16);
            const __m128 t = _mm_mul_ps(_mm_cvtepi32_ps(fraction), scale);
            const __m128 value =
                _mm_add_ps(_mm_cvtepi32_ps(low), _mm_mul_ps(t, _mm_cvtepi32_ps(_mm_sub_epi32(high, low))));
            if (RAMP) {
                const float f1 = first + incFirst, f2 = f1 + incFirst, f3 = f2 + incFirst;
                const float s1 = second + incSecond, s2 = s1 + incSecond, s3 = s2 + incSecond;
                gainFirst = _mm_set_ps(f3, f2, f1, first);
                gainSecond = _mm_set_ps(s3, s2, s1, second);
                first = f3 + incFirst;
                second = s3 + incSecond;
            }
            const __m128 left = _mm_mul_ps(value, gainFirst), right = _mm_mul_ps(value, gainSecond);
            float* frame = out + 2 * k;
            _mm_storeu_ps(frame, _mm_add_ps(_mm_loadu_ps(frame), _mm_unpacklo_ps(left, right)));
            _mm_storeu_ps(frame + 4, _mm_add_ps(_mm_loadu_ps(frame + 4), _mm_unpackhi_ps(left, right)));
        }
        position = at;
    }
#endif
    for (; k < run; ++k) {
        const float value = interpolate(data, position);
        out[2 * k] += value * first;
        out[2 * k + 1] += value * second;
        if (RAMP) {
            first += incFirst;
            second += incSecond;
        }
        position += step;
    }
}

void mixVoice(MixVoice& voice, float* out, int32_t frames)
{
    while (frames > 0 && voice.sample) {
        const int16_t* data = voice.sample->data;
        if (!data) {  // nothing to play: stopped at its first edge
            voice.sample = nullptr;
            voice.position = 0;
            return;
        }
        int32_t run = frames;
        bool atBoundary = false;
        const int64_t toBoundary = framesToBoundary(voice);
        if (toBoundary <= run) {
            run = static_cast<int32_t>(toBoundary);
            atBoundary = true;
        }
        settleRamp(voice);
        const bool ramping = voice.rampFramesLeft != 0;
        if (ramping && voice.rampFramesLeft < run) {
            run = voice.rampFramesLeft;
            atBoundary = false;
        }

        const int64_t step = voice.direction == Direction::Backward ? -static_cast<int64_t>(voice.step)
                                                         : static_cast<int64_t>(voice.step);
        int64_t position = voice.position;
        if (ramping) {
            float first = static_cast<float>(voice.currentFirst) / 256.0f / 255.0f;
            float second = static_cast<float>(voice.currentSecond) / 256.0f / 255.0f;
            mixRun<true>(data, position, step, first, second, voice.rampIncFirst, voice.rampIncSecond, out, run);
            voice.currentFirst = static_cast<int32_t>(std::lrint(first * 255.0f * 256.0f));
            voice.currentSecond = static_cast<int32_t>(std::lrint(second * 255.0f * 256.0f));
            voice.rampFramesLeft -= run;
            if (voice.rampFramesLeft == 0) {
                voice.rampIncFirst = 0.0f;
                voice.rampIncSecond = 0.0f;
                voice.currentFirst = voice.targetFirst * 256;
                voice.currentSecond = voice.targetSecond * 256;
            }
        } else if (voice.targetFirst == 0 && voice.targetSecond == 0) {
            // Silent (a voice faded out keeps playing): adding zeros changes
            // nothing, so only the position moves.
            position += step * run;
        } else {
            float first = static_cast<float>(voice.targetFirst) / 255.0f;
            float second = static_cast<float>(voice.targetSecond) / 255.0f;
            mixRun<false>(data, position, step, first, second, 0.0f, 0.0f, out, run);
        }
        voice.position = position;
        out += 2 * run;
        frames -= run;
        if (atBoundary) handleBoundary(voice);
    }
}

}  // namespace

void mixVoices(MixVoice* voices, int32_t voiceCount, float* buffer, int32_t frames)
{
    if (frames <= 0) return;
    for (int32_t v = 0; v < voiceCount; ++v)
        if (voices[v].sample) mixVoice(voices[v], buffer, frames);
}

void convertToPcm(int16_t* output, const float* region, int32_t frames)
{
    int32_t i = 0;
#if defined(__SSE2__)
    // Clamped as floats first (a NaN becomes 32767, as below), then
    // converted under the default rounding, to nearest with ties to even.
    const __m128 top = _mm_set1_ps(32767.0f), bottom = _mm_set1_ps(-32768.0f);
    for (; i + 8 <= 2 * frames; i += 8) {
        const __m128 a = _mm_max_ps(_mm_min_ps(_mm_loadu_ps(region + i), top), bottom);
        const __m128 b = _mm_max_ps(_mm_min_ps(_mm_loadu_ps(region + i + 4), top), bottom);
        const __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(output + i), packed);
    }
#endif
    for (; i < 2 * frames; ++i) {
        const float value = region[i];
        if (!(value < 32767.0f))
            output[i] = 32767;
        else if (value <= -32768.0f)
            output[i] = -32768;
        else
            output[i] = static_cast<int16_t>(std::lrint(value));  // ties to even
    }
}
