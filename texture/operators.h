// The texture operators: the table ties each step id to its name in project
// sources, its handler and the values and flag-word operands it reads. The
// generator dispatches through it, the handlers read their values through
// the declarations below, and the project tools read names and ranges from
// the same table.
#pragma once
#include <cstdint>

#include "core/track_schema.h"

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

// Every track of a texture is a build step; ids 23-255 do nothing.
extern const TrackTable textureTracks;

extern const ModeList blendModeNames;
extern const ModeList edgeModeNames;

// The operands in the flags word of a step.
inline constexpr FlagField STEP_BLEND_MODE{"mode", 8, 8, 0, &blendModeNames};  // generators and Load
inline constexpr FlagField STEP_SMOOTH{"filtered", 16, 1, 1};  // soft disc edges, bilinear sampling
inline constexpr FlagField STEP_EDGE_MODE{"edge", 17, 2, 0, &edgeModeNames};  // point sampling outside

// The values of each operator. Colours are bytes packed into the pixel as
// they are; positions and lengths in edge units follow the texture's size.
namespace TextureFill {
inline constexpr TrackValue red{0, "red", ValueUnit::ColourByte, 0, 255, 0};
inline constexpr TrackValue green{1, "green", ValueUnit::ColourByte, 0, 255, 0};
inline constexpr TrackValue blue{2, "blue", ValueUnit::ColourByte, 0, 255, 0};
inline constexpr TrackValue alpha{3, "alpha", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue values[] = {red, green, blue, alpha};
}  // namespace TextureFill

namespace TextureRectangle {
inline constexpr TrackValue left{0, "left", ValueUnit::EdgeUnits, 0, 255, 0};
inline constexpr TrackValue top{1, "top", ValueUnit::EdgeUnits, 0, 255, 0};
// Width and height less one: 255 covers the whole edge at every size.
inline constexpr TrackValue width{3, "width", ValueUnit::EdgeUnits, 0, 255, 255};
inline constexpr TrackValue height{4, "height", ValueUnit::EdgeUnits, 0, 255, 255};
inline constexpr TrackValue red{6, "red", ValueUnit::ColourByte, 0, 255, 255};  // alpha follows red
inline constexpr TrackValue green{7, "green", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue blue{8, "blue", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue values[] = {left, top, width, height, red, green, blue};
}  // namespace TextureRectangle

namespace TextureDisc {
inline constexpr TrackValue x{0, "x", ValueUnit::EdgeUnits, 0, 255, 128};
inline constexpr TrackValue y{1, "y", ValueUnit::EdgeUnits, 0, 255, 128};
inline constexpr TrackValue radius{3, "radius", ValueUnit::EdgeUnits, 0, 512, 64};
inline constexpr TrackValue red{6, "red", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue green{7, "green", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue blue{8, "blue", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue values[] = {x, y, radius, red, green, blue};
}  // namespace TextureDisc

namespace TextureChecker {
inline constexpr TrackValue cellWidth{0, "cellWidth", ValueUnit::EdgeUnits, 0, 256, 32};
inline constexpr TrackValue cellHeight{1, "cellHeight", ValueUnit::EdgeUnits, 0, 256, 32};
inline constexpr TrackValue values[] = {cellWidth, cellHeight};
}  // namespace TextureChecker

namespace TextureWaves {
// Phases in pixels; 32 of frequency is one period across the image.
inline constexpr TrackValue phaseX{0, "phaseX", ValueUnit::Number, -4096, 4096, 0};
inline constexpr TrackValue phaseY{1, "phaseY", ValueUnit::Number, -4096, 4096, 0};
inline constexpr TrackValue frequencyX{3, "frequencyX", ValueUnit::Number, -4096, 4096, 32};
inline constexpr TrackValue frequencyY{4, "frequencyY", ValueUnit::Number, -4096, 4096, 32};
inline constexpr TrackValue red{6, "red", ValueUnit::ColourByte, 0, 255, 255};  // alpha follows red
inline constexpr TrackValue green{7, "green", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue blue{8, "blue", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue values[] = {phaseX, phaseY, frequencyX, frequencyY, red, green, blue};
}  // namespace TextureWaves

namespace TextureGrain {
inline constexpr TrackValue seed{0, "seed", ValueUnit::Integer, -16777216, 16777216, 1};
inline constexpr TrackValue red{3, "red", ValueUnit::ColourByte, 0, 255, 255};  // alpha follows red
inline constexpr TrackValue green{4, "green", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue blue{5, "blue", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue values[] = {seed, red, green, blue};
}  // namespace TextureGrain

namespace TextureSprinkle {
inline constexpr TrackValue dots{0, "dots", ValueUnit::Integer, 0, 32768, 16};  // eight dots each
inline constexpr TrackValue seed{3, "seed", ValueUnit::Integer, -16777216, 16777216, 1};
inline constexpr TrackValue red{6, "red", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue green{7, "green", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue blue{8, "blue", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue values[] = {dots, seed, red, green, blue};
}  // namespace TextureSprinkle

namespace TextureClouds {
// 64 reads the lattice pixel for pixel in the finest octave.
inline constexpr TrackValue zoom{0, "zoom", ValueUnit::Integer, -4096, 4096, 64};
inline constexpr TrackValue values[] = {zoom};
}  // namespace TextureClouds

namespace TextureBlur {
inline constexpr TrackValue radius{0, "radius", ValueUnit::EdgeUnits, 0, 512, 8};
inline constexpr TrackValue gain{3, "gain", ValueUnit::Integer, 0, 1024, 16};  // 16 keeps the brightness
inline constexpr TrackValue values[] = {radius, gain};
}  // namespace TextureBlur

namespace TextureRotoZoom {
inline constexpr TrackValue x{0, "x", ValueUnit::EdgeUnits, -256, 512, 128};
inline constexpr TrackValue y{1, "y", ValueUnit::EdgeUnits, -256, 512, 128};
inline constexpr TrackValue zoom{3, "zoom", ValueUnit::Integer, -4096, 4096, 0};  // 0 keeps the size, 64 halves it
inline constexpr TrackValue angle{6, "angle", ValueUnit::TurnSteps, -1024, 1024, 0};
inline constexpr TrackValue values[] = {x, y, zoom, angle};
}  // namespace TextureRotoZoom

namespace TextureTwirl {
// The centre is in pixels of a 256-pixel image laid around the middle.
inline constexpr TrackValue x{0, "x", ValueUnit::Integer, -4096, 4096, 128};
inline constexpr TrackValue y{1, "y", ValueUnit::Integer, -4096, 4096, 128};
inline constexpr TrackValue strength{3, "strength", ValueUnit::Integer, -4096, 4096, 128};  // 128 twists nothing
inline constexpr TrackValue radius{6, "radius", ValueUnit::EdgeUnits, 0, 1024, 128};
inline constexpr TrackValue values[] = {x, y, strength, radius};
}  // namespace TextureTwirl

namespace TextureBrightnessContrast {
inline constexpr TrackValue brightness{0, "brightness", ValueUnit::Integer, 0, 255, 128};  // 128 keeps it
inline constexpr TrackValue contrast{3, "contrast", ValueUnit::Integer, 0, 255, 191};      // 191 keeps it
inline constexpr TrackValue values[] = {brightness, contrast};
}  // namespace TextureBrightnessContrast

namespace TextureColorScale {
// 0 keeps a channel, 127 almost doubles it, -128 clears it.
inline constexpr TrackValue red{0, "red", ValueUnit::Integer, -128, 127, 0};
inline constexpr TrackValue green{1, "green", ValueUnit::Integer, -128, 127, 0};
inline constexpr TrackValue blue{2, "blue", ValueUnit::Integer, -128, 127, 0};
inline constexpr TrackValue values[] = {red, green, blue};
}  // namespace TextureColorScale

namespace TextureStore {  // Store, StoreClear and Load
inline constexpr TrackValue slot{0, "slot", ValueUnit::StoreSlot, 0, 15, 0};
inline constexpr TrackValue values[] = {slot};
}  // namespace TextureStore

namespace TextureRadialGlow {
inline constexpr TrackValue red{0, "red", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue green{1, "green", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue blue{2, "blue", ValueUnit::ColourByte, 0, 255, 255};
inline constexpr TrackValue falloff{3, "falloff", ValueUnit::Percent, 0, 10000, 100};  // 100: 0 at half the edge
inline constexpr TrackValue values[] = {red, green, blue, falloff};
}  // namespace TextureRadialGlow

namespace TextureNormalMap {
inline constexpr TrackValue strength{0, "strength", ValueUnit::Tenths, -1000, 1000, 10};
inline constexpr TrackValue values[] = {strength};
}  // namespace TextureNormalMap

namespace TextureSetSize {
inline constexpr TrackValue size{0, "size", ValueUnit::Integer, 2, 512, 256};  // down to a power of two
inline constexpr TrackValue values[] = {size};
}  // namespace TextureSetSize

// The handlers, one family per file. Each works on `target`: the scratch
// image for the generators (which runStep then blends into the image), the
// texture's image for the rest.
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
