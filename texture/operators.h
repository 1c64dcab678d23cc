// The texture operators: one table ties each step id to its name in project
// sources and to its handler. The generator dispatches through it, and the
// project tools read the names from it.
#pragma once
#include <cstdint>
#include <string_view>

#include "core/track.h"

enum class TextureOp : uint8_t {
    Fill = 0,
    Rectangle = 1,
    Disc = 2,
    Checker = 3,
    Waves = 4,
    Grain = 5,
    Sprinkle = 6,
    Clouds = 7,
    Blur = 8,
    Invert = 9,
    RotoZoom = 10,
    Twirl = 11,
    BrightnessContrast = 12,
    ColorScale = 13,
    Store = 14,
    StoreClear = 15,
    Load = 16,
    Clear = 17,
    Emboss = 18,
    RadialGlow = 19,
    NormalMap = 20,
    ImportImage = 21,
    SetSize = 22,
};
constexpr int TEXTURE_OPERATOR_COUNT = 23;

// A handler works on `target`: the scratch image for the generators (which
// runStep then blends into the image), the texture's image for the rest.
using StepHandler = void (*)(uint32_t* target, const AnimTrack& track);

struct TextureOperator {
    TextureOp id;
    const char* name;
    bool drawsIntoScratch;  // a generator: draw into the scratch image, then combine
    StepHandler run;        // null: the step does nothing in the generator (SetSize)
};

// The operator with this id, or null for an id that does nothing (23-255).
const TextureOperator* findTextureOperator(uint8_t id);
const char* textureOperatorName(uint8_t id);       // null when none
int textureOperatorId(std::string_view name);      // -1 when none

// The handlers, one family per file.
// Generators (texture/generators.cpp): draw into the zeroed scratch image.
void runFill(uint32_t* target, const AnimTrack& track);
void runRectangle(uint32_t* target, const AnimTrack& track);
void runDisc(uint32_t* target, const AnimTrack& track);
void runChecker(uint32_t* target, const AnimTrack& track);
void runWaves(uint32_t* target, const AnimTrack& track);
void runGrain(uint32_t* target, const AnimTrack& track);
void runSprinkle(uint32_t* target, const AnimTrack& track);
void runClouds(uint32_t* target, const AnimTrack& track);
// The hash of Grain and Sprinkle: nearest(sin(c) x h) x 20021 + 1, with the
// sine in 80-bit extended precision.
int32_t grainHash(int32_t h, int64_t c);
// Filters (texture/filters.cpp): change the image in place.
void runBlur(uint32_t* image, const AnimTrack& track);
void runInvert(uint32_t* image, const AnimTrack& track);
void runBrightnessContrast(uint32_t* image, const AnimTrack& track);
void runColorScale(uint32_t* image, const AnimTrack& track);
void runEmboss(uint32_t* image, const AnimTrack& track);
void runRadialGlow(uint32_t* image, const AnimTrack& track);
void runNormalMap(uint32_t* image, const AnimTrack& track);
// Distortions and import (texture/distortions.cpp).
void runRotoZoom(uint32_t* image, const AnimTrack& track);
void runTwirl(uint32_t* image, const AnimTrack& track);
void runImportImage(uint32_t* image, const AnimTrack& track);
// Store slots (texture/slots.cpp).
void runStore(uint32_t* image, const AnimTrack& track);
void runStoreClear(uint32_t* image, const AnimTrack& track);
void runLoad(uint32_t* image, const AnimTrack& track);
void runClear(uint32_t* image, const AnimTrack& track);
