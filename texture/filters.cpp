// The filters: they change the texture's image in place (RadialGlow
// overwrites it), using the scratch image for the unchanged input.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "texture/generator.h"
#include "texture/operators.h"
#include "texture/pixel.h"
#include "texture/row_split.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Blur works on 16-bit channel values, four per pixel, like the packed
// arithmetic it reproduces: taps multiply modulo 65536 and the accumulator
// saturates at 65535. Each thread of a split keeps its own row and sums.
thread_local uint16_t blurRow[(MAX_TEXTURE_SIZE + 2 * BLUR_TABLE) * 4];
uint16_t blurImage[MAX_TEXTURE_PIXELS * 4];
thread_local uint16_t blurSum[MAX_TEXTURE_SIZE * 4];

inline void accumulateTap(uint16_t* sum, const uint16_t* source, int32_t count, uint16_t tap)
{
    int32_t i = 0;
#if defined(__SSE2__)
    // Eight channel values at a time: the low 16 bits of the product, added
    // with unsigned saturation.
    const __m128i taps = _mm_set1_epi16(static_cast<short>(tap));
    for (; i + 8 <= count; i += 8) {
        const __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i total = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sum + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sum + i), _mm_adds_epu16(total, _mm_mullo_epi16(values, taps)));
    }
#endif
    for (; i < count; ++i) {
        const uint16_t product = static_cast<uint16_t>(source[i] * tap);
        const uint32_t total = static_cast<uint32_t>(sum[i]) + product;
        sum[i] = static_cast<uint16_t>(total > 65535u ? 65535u : total);
    }
}

inline void unpackChannels(uint16_t* out, uint32_t word)
{
    for (int c = 0; c < 4; ++c) out[c] = static_cast<uint16_t>(channelOf(word, c));
}

inline uint32_t packSums(const uint16_t* sum)
{
    uint32_t c[4];
    for (int k = 0; k < 4; ++k) c[k] = sum[k] >> 8;
    return packChannels(c);
}

// The Gaussian weights for radius r (pixels), the half-width m at which the
// tail falls below half an 8-bit step, and the integer taps for gain g.
int32_t makeBlurTaps(int64_t r, int32_t gain)
{
    float* k = blurWeights();
    int32_t* taps = blurTaps();
    const float sigma = static_cast<float>(r) / 8.0f;
    float sum = 0.0f;
    for (int32_t i = 0; i < BLUR_TABLE; ++i) {
        const float t = static_cast<float>(i - 64) / sigma;
        k[i] = std::exp(-(t * t) / 2.0f);
        sum = sum + k[i];
    }
    const float inverse = 1.0f / sum;
    for (int32_t i = 0; i < BLUR_TABLE; ++i) k[i] = k[i] * inverse;

    int32_t m = 64;
    float tail = 0.0f;
    while (tail < 0.0019607844f && m > 1) {  // 1/510 as float32
        const float beyond = 64 + m < BLUR_TABLE ? k[64 + m] : 0.0f;
        tail = tail + 2.0f * beyond;
        --m;
    }

    float kept = 0.0f;
    for (int32_t i = 64 - m; i < 64 + m; ++i) kept = kept + k[i];
    for (int32_t i = 64 - m; i < 64 + m; ++i) k[i] = k[i] / kept;
    for (int32_t j = 0; j < 2 * m; ++j) taps[j] = truncToInt32(k[64 - m + j] * 16.0f * static_cast<float>(gain));
    return m;
}

}  // namespace

void runBlur(uint32_t* image, const AnimTrack& track)
{
    const int32_t w = generator.genSize;
    const int64_t r = static_cast<int64_t>(readWhole(track, TextureBlur::radius)) * w / 256;
    if (r == 0) return;
    const int32_t m = makeBlurTaps(r, readWhole(track, TextureBlur::gain));
    const int32_t* taps = blurTaps();
    const uint32_t wrap = static_cast<uint32_t>(w - 1);
    uint32_t* scratch = scratchImage();

    // Horizontal, image to scratch: the window runs from -m to m - 1 and
    // wraps around, so blurred textures tile.
    forRowRuns(w, [&](int32_t first, int32_t end) {
        for (int32_t y = first; y < end; ++y) {
            const uint32_t* row = image + y * w;
            for (int32_t k = 0; k < w + 2 * m; ++k)
                unpackChannels(blurRow + 4 * k, row[static_cast<uint32_t>(k - m) & wrap]);
            std::memset(blurSum, 0, sizeof(uint16_t) * 4 * w);
            for (int32_t j = 0; j < 2 * m; ++j)
                accumulateTap(blurSum, blurRow + 4 * j, 4 * w, static_cast<uint16_t>(taps[j]));
            for (int32_t x = 0; x < w; ++x) scratch[y * w + x] = packSums(blurSum + 4 * x);
        }
    });

    // Vertical, scratch to image: every row of the scratch unpacked first,
    // since each output row reads 2m of them.
    forRowRuns(w, [&](int32_t first, int32_t end) {
        for (int32_t i = first * w; i < end * w; ++i) unpackChannels(blurImage + 4 * i, scratch[i]);
    });
    forRowRuns(w, [&](int32_t first, int32_t end) {
        for (int32_t y = first; y < end; ++y) {
            std::memset(blurSum, 0, sizeof(uint16_t) * 4 * w);
            for (int32_t j = 0; j < 2 * m; ++j) {
                const uint32_t source = static_cast<uint32_t>(y - m + j) & wrap;
                accumulateTap(blurSum, blurImage + 4 * w * source, 4 * w, static_cast<uint16_t>(taps[j]));
            }
            for (int32_t x = 0; x < w; ++x) image[y * w + x] = packSums(blurSum + 4 * x);
        }
    });
}

void runInvert(uint32_t* image, const AnimTrack&)
{
    for (int32_t i = 0; i < generator.genCount; ++i) image[i] = ~image[i];
}

void runBrightnessContrast(uint32_t* image, const AnimTrack& track)
{
    const int64_t brightness = static_cast<int64_t>(readWhole(track, TextureBrightnessContrast::brightness)) - 128;
    int64_t c = 255 - static_cast<int64_t>(readWhole(track, TextureBrightnessContrast::contrast));
    if (c == 0) c = 1;
    const int64_t d = 2 * c;

    // Each channel is stretched about its own mean, so grey stays grey.
    uint32_t sums[3] = {0, 0, 0};
    const int32_t n = generator.genCount;
    for (int32_t i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k) sums[k] += channelOf(image[i], k);
    int64_t mean[3];
    for (int k = 0; k < 3; ++k) mean[k] = sums[k] >> (2 * generator.genLog2);

    const int32_t w = generator.genSize;
    forRowRuns(w, [&](int32_t first, int32_t end) {
        for (int32_t i = first * w; i < end * w; ++i) {
            uint32_t out[4];
            for (int k = 0; k < 3; ++k) {
                const int64_t v =
                    (static_cast<int64_t>(channelOf(image[i], k)) + brightness - mean[k]) * 128 / d + mean[k];
                out[k] = clampByte(v);
            }
            out[3] = (out[0] + out[1] + out[2]) / 3;
            image[i] = packChannels(out);
        }
    });
}

void runColorScale(uint32_t* image, const AnimTrack& track)
{
    uint32_t factor[4];
    factor[2] = (static_cast<uint32_t>(readWhole(track, TextureColorScale::red)) + 128u) & 0xFFu;
    factor[1] = (static_cast<uint32_t>(readWhole(track, TextureColorScale::green)) + 128u) & 0xFFu;
    factor[0] = (static_cast<uint32_t>(readWhole(track, TextureColorScale::blue)) + 128u) & 0xFFu;
    factor[3] = (factor[0] + factor[1] + factor[2]) / 3;
    const int32_t w = generator.genSize;
    forRowRuns(w, [&](int32_t first, int32_t end) {
        for (int32_t i = first * w; i < end * w; ++i) {
            uint32_t out[4];
            for (int k = 0; k < 4; ++k) out[k] = std::min(channelOf(image[i], k) * factor[k] / 128, 255u);
            image[i] = packChannels(out);
        }
    });
}

void runEmboss(uint32_t* image, const AnimTrack&)
{
    const int32_t w = generator.genSize;
    uint32_t* s = scratchImage();
    std::memcpy(s, image, static_cast<size_t>(generator.genBytes));
    // A horizontal relief; the neighbours clamp to the border (no wrap).
    forRowRuns(w, [&](int32_t first, int32_t end) {
        for (int32_t y = first; y < end; ++y) {
            const int32_t yu = std::max(y - 1, 0), yd = std::min(y + 1, w - 1);
            for (int32_t x = 0; x < w; ++x) {
                const int32_t xl = std::max(x - 1, 0), xr = std::min(x + 1, w - 1);
                uint32_t out[4];
                for (int k = 0; k < 4; ++k) {
                    auto at = [&](int32_t px, int32_t py) { return static_cast<int32_t>(channelOf(s[py * w + px], k)); };
                    const int32_t v = 128 + at(xr, yu) + at(xr, y) + at(xr, yd) - at(xl, yu) - at(xl, y) - at(xl, yd);
                    out[k] = clampByte(v);
                }
                image[y * w + x] = packChannels(out);
            }
        }
    });
}

void runRadialGlow(uint32_t* image, const AnimTrack& track)
{
    const int32_t w = generator.genSize, h = w / 2;
    const float q = static_cast<float>(h * h);
    const float k = readValue(track, TextureRadialGlow::falloff);
    const float red = readValue(track, TextureRadialGlow::red), green = readValue(track, TextureRadialGlow::green);
    const float blue = readValue(track, TextureRadialGlow::blue);
    forRowRuns(w, [&](int32_t first, int32_t end) {
        for (int32_t y = first; y < end; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                const int32_t d2 = (x - h) * (x - h) + (y - h) * (y - h);
                float t = 1.0f - (static_cast<float>(d2) / q) * k;
                if (t < 0.0f) t = 0.0f;
                if (t > 1.0f) t = 1.0f;
                image[y * w + x] = packWord(0, truncToInt32(red * t), truncToInt32(green * t), truncToInt32(blue * t));
            }
        }
    });
}

void runNormalMap(uint32_t* image, const AnimTrack& track)
{
    const int32_t w = generator.genSize;
    const uint32_t wrap = static_cast<uint32_t>(w - 1);
    const float strength = readValue(track, TextureNormalMap::strength);
    uint32_t* s = scratchImage();
    std::memcpy(s, image, static_cast<size_t>(generator.genBytes));
    // The blue channel is the height; the neighbours to the right and below wrap.
    auto height = [&](uint32_t x, uint32_t y) {
        return static_cast<float>(channelOf(s[(y & wrap) * w + (x & wrap)], 0)) * 0.003921569f;
    };
    forRowRuns(w, [&](int32_t first, int32_t end) {
        for (int32_t y = first; y < end; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                const float h0 = height(x, y);
                const float dx = (h0 - height(x + 1, y)) * strength;
                const float dy = (h0 - height(x, y + 1)) * strength;
                const float length = std::sqrt(dx * dx + dy * dy + 1.0f);
                // An infinite strength gives NaN here, which converts to 0x80000000:
                // the subtraction wraps unsigned, and only its low byte is kept.
                const uint32_t red = 255u - static_cast<uint32_t>(truncToInt32(128.0f - 127.0f * dx / length));
                const uint32_t green = static_cast<uint32_t>(truncToInt32(128.0f + 127.0f * dy / length));
                const uint32_t blue = static_cast<uint32_t>(truncToInt32(128.0f + 127.0f / length));
                const uint32_t alpha = channelOf(s[y * w + x], 3);
                image[y * w + x] = (alpha << 24) | ((red & 0xFFu) << 16) | ((green & 0xFFu) << 8) | (blue & 0xFFu);
            }
        }
    });
}
