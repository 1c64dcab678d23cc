// The texture generator: runs one build step of a texture program on a
// texture's pixels. Its state and buffers are global and carry over from
// step to step and from texture to texture (random seed, store slots, noise
// lattice), so textures come out right only when built in section order.
#pragma once
#include <cstdint>

#include "core/track.h"

constexpr int32_t MAX_TEXTURE_SIZE = 512;
constexpr int32_t MIN_TEXTURE_SIZE = 2;
constexpr int32_t MAX_TEXTURE_PIXELS = MAX_TEXTURE_SIZE * MAX_TEXTURE_SIZE;
constexpr int32_t STORE_SLOTS = 16;
constexpr int32_t BLUR_TABLE = 128;
constexpr int32_t INITIAL_RANDOM_SEED = 31337303;

// Step flags beside the id (bits 0-7) and TRACK_APPLY.
constexpr uint32_t STEP_COMBINE_SHIFT = 8;  // bits 8-15: blend mode of generators and Load
constexpr uint32_t STEP_SMOOTH = 1u << 16;  // soft disc edges, bilinear sampling
constexpr uint32_t STEP_EDGE_SHIFT = 17;    // bits 17-18: edge mode of point sampling

enum EdgeMode : int32_t { EDGE_WRAP = 0, EDGE_CLAMP = 1, EDGE_MIRROR = 2, EDGE_TRANSPARENT = 3 };

struct GeneratorState {
    int32_t genSize = 256;             // W: edge of the image being worked on
    int32_t genCount = 65536;          // N = W x W
    int32_t genBytes = 262144;         // 4 N
    float genInvSize = 0.00390625f;    // 1 / W
    uint8_t genLog2 = 8;               // L = log2 W
    int32_t smooth = 1;                // flags bit 16 of the running step
    int32_t edgeMode = 0;              // flags bits 17-18 of the running step
    int32_t randomSeed = INITIAL_RANDOM_SEED;
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
// Combines `source` into `image` pixel by pixel over genCount pixels.
void combine(uint32_t* image, const uint32_t* source, uint32_t mode);
// random15 over the generator's seed.
float nextRandom();

// Back to the state of a fresh start: initial size and seed, every buffer
// zero. The show never needs it (it builds once); tools and tests that
// build several projects in one process do.
void resetGenerator();

// The step's value `index` truncated toward zero.
int32_t stepInt(const AnimTrack& track, int index);
// Edge units (1/256 of the image edge) to pixels: (c x 2^L) mod 2^32,
// shifted right by 8 as an unsigned number. Negative c lands far outside.
uint32_t edgeToPixels(int32_t c);
