#include "texture/generator.h"

#include <algorithm>
#include <cstring>

#include "core/numeric.h"
#include "texture/operators.h"
#include "texture/pixel.h"
#include "texture/row_split.h"

GeneratorState generator;

namespace {

// Static for the whole run; steps never allocate.
struct GeneratorBuffers {
    uint32_t scratch[MAX_TEXTURE_PIXELS];
    uint32_t slots[STORE_SLOTS][MAX_TEXTURE_PIXELS];
    uint8_t lattice[MAX_TEXTURE_PIXELS];
    float blurWeights[BLUR_TABLE];
    int32_t blurTaps[BLUR_TABLE];
};
GeneratorBuffers buffers;
// Which buffers a step may have written since they were last zero, one bit
// each (the slots, then the scratch image, the lattice, the blur tables):
// starting over clears only those (a megabyte a slot), and leaves the pages
// never touched uncommitted.
enum : uint32_t { SCRATCH_BIT = 1u << STORE_SLOTS, LATTICE_BIT = SCRATCH_BIT << 1, BLUR_BIT = LATTICE_BIT << 1 };
uint32_t buffersTouched = 0;

GeneratorBuffers& touchBuffers(uint32_t bits)
{
    buffersTouched |= bits;
    return buffers;
}

template <class T, size_t N>
void clearIfTouched(T (&buffer)[N], uint32_t bit)
{
    if (buffersTouched & bit) std::memset(buffer, 0, sizeof buffer);
}

// Per channel, for the blend modes that work on bytes. Channel k of a pixel
// word is its byte k (the words are little-endian), so the rule runs over
// the bytes in one loop that the compiler turns into vector instructions.
template <class ChannelRule>
void combineChannels(uint32_t* image, const uint32_t* source, int32_t count, bool exchangeRedBlue, ChannelRule rule)
{
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixel words are read as bytes");
    auto* d = reinterpret_cast<uint8_t*>(image);
    const auto* s = reinterpret_cast<const uint8_t*>(source);
    const size_t bytes = 4 * static_cast<size_t>(count);
    for (size_t i = 0; i < bytes; ++i) d[i] = static_cast<uint8_t>(rule(d[i], s[i]));
    if (!exchangeRedBlue) return;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t w = image[i];
        image[i] = (w & 0xFF00FF00u) | (w >> 16 & 0xFFu) | (w & 0xFFu) << 16;
    }
}

}  // namespace

uint32_t* scratchImage() { return touchBuffers(SCRATCH_BIT).scratch; }
uint32_t* storeSlot(int32_t slot)
{
    return slot >= 0 && slot < STORE_SLOTS ? touchBuffers(1u << slot).slots[slot] : nullptr;
}
uint8_t* noiseLattice() { return touchBuffers(LATTICE_BIT).lattice; }
float* blurWeights() { return touchBuffers(BLUR_BIT).blurWeights; }
int32_t* blurTaps() { return touchBuffers(BLUR_BIT).blurTaps; }

int32_t normaliseTextureSize(int32_t n)
{
    if (n <= MIN_TEXTURE_SIZE) return MIN_TEXTURE_SIZE;
    if (n >= MAX_TEXTURE_SIZE) return MAX_TEXTURE_SIZE;
    int32_t size = MIN_TEXTURE_SIZE;
    while (size * 2 <= n) size *= 2;
    return size;
}

void setGeneratorSize(int32_t size)
{
    const int32_t w = normaliseTextureSize(size);
    generator.genSize = w;
    generator.genCount = w * w;
    generator.genBytes = 4 * w * w;
    generator.genInvSize = 1.0f / static_cast<float>(w);
    uint8_t log2 = 1;
    for (int32_t a = 2; a < w; a *= 2) ++log2;
    generator.genLog2 = log2;
}

float nextRandom()
{
    return random15(generator.randomSeed);
}

void resetGenerator()
{
    generator = GeneratorState();
    for (int32_t slot = 0; slot < STORE_SLOTS; ++slot) clearIfTouched(buffers.slots[slot], 1u << slot);
    clearIfTouched(buffers.scratch, SCRATCH_BIT);
    clearIfTouched(buffers.lattice, LATTICE_BIT);
    clearIfTouched(buffers.blurWeights, BLUR_BIT);
    clearIfTouched(buffers.blurTaps, BLUR_BIT);
    buffersTouched = 0;
}

uint32_t edgeToPixels(int32_t c) { return (static_cast<uint32_t>(c) << generator.genLog2) >> 8; }

namespace {

void combineSpan(uint32_t* image, const uint32_t* source, int32_t n, uint32_t mode)
{
    switch (blendModeOf(mode)) {
    case BlendMode::Or:
        for (int32_t i = 0; i < n; ++i) image[i] |= source[i];
        return;
    case BlendMode::Xor:
        for (int32_t i = 0; i < n; ++i) image[i] ^= source[i];
        return;
    case BlendMode::And:
        for (int32_t i = 0; i < n; ++i) image[i] &= source[i];
        return;
    case BlendMode::Add:
        combineChannels(image, source, n, false, [](uint32_t d, uint32_t s) { return std::min(d + s, 255u); });
        return;
    case BlendMode::Subtract:
        combineChannels(image, source, n, false, [](uint32_t d, uint32_t s) { return d > s ? d - s : 0u; });
        return;
    case BlendMode::Multiply:
        combineChannels(image, source, n, false, [](uint32_t d, uint32_t s) {
            const uint32_t p = d * s;
            return p >= 32768 ? 0u : std::min(p, 255u);
        });
        return;
    case BlendMode::Average:
        combineChannels(image, source, n, false, [](uint32_t d, uint32_t s) { return (d + s) / 2; });
        return;
    // From here on the result is written back with red and blue exchanged.
    case BlendMode::Minimum:
        combineChannels(image, source, n, true, [](uint32_t d, uint32_t s) { return std::min(d, s); });
        return;
    case BlendMode::Maximum:
        combineChannels(image, source, n, true, [](uint32_t d, uint32_t s) { return std::max(d, s); });
        return;
    case BlendMode::Screen:
        combineChannels(image, source, n, true,
                        [](uint32_t d, uint32_t s) { return (255u - (255u - d) * (255u - s)) & 0xFFu; });
        return;
    case BlendMode::Burn:
        combineChannels(image, source, n, true,
                        [](uint32_t d, uint32_t s) { return d == 0 ? 0u : 255u - (255u - s) / d; });
        return;
    case BlendMode::Dodge:
        combineChannels(image, source, n, true,
                        [](uint32_t d, uint32_t s) { return d == 255 ? 255u : s / (255u - d); });
        return;
    case BlendMode::SwapRedBlue:
        combineChannels(image, source, n, true, [](uint32_t d, uint32_t) { return d; });
        return;
    }
}

}  // namespace

// Pixel by pixel, so its rows split over the cores.
void combine(uint32_t* image, const uint32_t* source, uint32_t mode)
{
    const int32_t w = generator.genSize;
    forRowRuns(w, [&](int32_t first, int32_t end) {
        const ptrdiff_t offset = static_cast<ptrdiff_t>(first) * w;
        combineSpan(image + offset, source + offset, (end - first) * w, mode);
    });
}

void runStep(uint32_t* image, const AnimTrack& track)
{
    generator.smooth = static_cast<int32_t>(readField(track, STEP_SMOOTH));
    generator.edgeMode = static_cast<int32_t>(readField(track, STEP_EDGE_MODE));
    uint32_t* scratch = scratchImage();
    std::memset(scratch, 0, static_cast<size_t>(generator.genBytes));

    const TrackRow* op = findTrackRow(textureTracks, track.id());
    if (!op || !op->apply) return;
    if (op->role == TrackRole::Generator) {
        op->apply(scratch, track);
        combine(image, scratch, readField(track, STEP_BLEND_MODE));
    } else {
        op->apply(image, track);
    }
}
