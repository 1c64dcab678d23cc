// The texture generator: runs one build step of a texture program on a
// texture's pixels. Its state and buffers are global and carry over from
// step to step and from texture to texture (random seed, store slots, noise
// lattice), so textures come out right only when built in section order.
#pragma once
#include <cstdint>

#include "core/object_registry.h"
#include "core/track.h"

constexpr int32_t MAX_TEXTURE_SIZE = 512;
constexpr int32_t MIN_TEXTURE_SIZE = 2;
constexpr int32_t MAX_TEXTURE_PIXELS = MAX_TEXTURE_SIZE * MAX_TEXTURE_SIZE;
constexpr int32_t STORE_SLOTS = 16;
constexpr int32_t BLUR_TABLE = 128;
constexpr int32_t INITIAL_RANDOM_SEED = 31337303;

// How a generator's picture (or a loaded slot) is combined with the image,
// channel by channel unless the rule takes whole words. From Minimum on the
// result is written back with red and blue exchanged; every mode from 12
// to 255 only exchanges them.
enum class BlendMode : uint8_t {
    Or = 0,
    Xor = 1,
    And = 2,
    Add = 3,
    Subtract = 4,
    Multiply = 5,
    Average = 6,
    Minimum = 7,
    Maximum = 8,
    Screen = 9,
    Burn = 10,
    Dodge = 11,
    SwapRedBlue = 12,
};
constexpr BlendMode blendModeOf(uint32_t mode)
{
    return mode < static_cast<uint32_t>(BlendMode::SwapRedBlue) ? static_cast<BlendMode>(mode) : BlendMode::SwapRedBlue;
}

// What point sampling returns outside the image.
enum class EdgeMode : uint8_t { Wrap = 0, Clamp = 1, Mirror = 2, Transparent = 3 };

struct GeneratorState {
    int32_t genSize = 256;             // W: edge of the image being worked on
    int32_t genCount = 65536;          // N = W x W
    int32_t genBytes = 262144;         // 4 N
    float genInvSize = 0.00390625f;    // 1 / W
    uint8_t genLog2 = 8;               // L = log2 W
    int32_t smooth = 1;                // the smooth bit of the running step
    int32_t edgeMode = 0;              // the edge mode of the running step
    int32_t randomSeed = INITIAL_RANDOM_SEED;
    const NamedDataTable* namedData = nullptr;  // the show's of the texture running a step
};
extern GeneratorState generator;

// The buffers, each sized for the largest image and zero at start.
uint32_t* scratchImage();               // MAX_TEXTURE_PIXELS words
uint32_t* storeSlot(int32_t slot);      // null for a slot outside 0..15
uint8_t* noiseLattice();                // MAX_TEXTURE_PIXELS bytes
float* blurWeights();                   // BLUR_TABLE floats
int32_t* blurTaps();                    // BLUR_TABLE taps

// The edge length a texture can have: a power of two from 2 to 512. Other
// requests are brought into that range and down to a power of two (300
// gives 256, 1000 gives 512, 0 and below give 2), so that no step ever
// works past the buffers.
int32_t normaliseTextureSize(int32_t n);

// Sets W, N, 4N, 1/W and log2 W from the (normalised) size.
void setGeneratorSize(int32_t size);
// Runs `track` as one step on `image` (genCount words).
void runStep(uint32_t* image, const AnimTrack& track);
// Combines `source` into `image` pixel by pixel over genCount pixels with
// blend mode `mode` (0-255).
void combine(uint32_t* image, const uint32_t* source, uint32_t mode);
// random15 over the generator's seed.
float nextRandom();

// Back to the state of a fresh start: initial size and seed, every buffer
// zero. Each show's first texture step starts from here, so a project built
// again in the same process looks as after a fresh start.
void resetGenerator();

// Edge units (1/256 of the image edge) to pixels: (c x 2^L) mod 2^32,
// shifted right by 8 as an unsigned number. Negative c lands far outside.
uint32_t edgeToPixels(int32_t c);
