#include "texture/operators.h"

#include "texture/generator.h"

namespace {

// Every handler works on an image; the target is its first pixel word.
template <void (*Run)(uint32_t*, const AnimTrack&)>
void imageStep(void* image, const AnimTrack& track)
{
    Run(static_cast<uint32_t*>(image), track);
}

constexpr ModeName blendModes[] = {
    {static_cast<int32_t>(BlendMode::Or), "or", "d OR s, whole words"},
    {static_cast<int32_t>(BlendMode::Xor), "xor", "d XOR s, whole words"},
    {static_cast<int32_t>(BlendMode::And), "and", "d AND s, whole words"},
    {static_cast<int32_t>(BlendMode::Add), "add", "min(d + s, 255)"},
    {static_cast<int32_t>(BlendMode::Subtract), "subtract", "max(d - s, 0)"},
    {static_cast<int32_t>(BlendMode::Multiply), "multiply", "d x s, 0 from 32768 on, else at most 255"},
    {static_cast<int32_t>(BlendMode::Average), "average", "(d + s) / 2"},
    {static_cast<int32_t>(BlendMode::Minimum), "min", "min(d, s), red and blue exchanged"},
    {static_cast<int32_t>(BlendMode::Maximum), "max", "max(d, s), red and blue exchanged"},
    {static_cast<int32_t>(BlendMode::Screen), "screen", "(255 - (255 - d) x (255 - s)) mod 256, red and blue exchanged"},
    {static_cast<int32_t>(BlendMode::Burn), "burn", "d = 0: 0, else 255 - (255 - s) / d, red and blue exchanged"},
    {static_cast<int32_t>(BlendMode::Dodge), "dodge", "d = 255: 255, else s / (255 - d), red and blue exchanged"},
    {static_cast<int32_t>(BlendMode::SwapRedBlue), "swap", "d with red and blue exchanged (every mode from 12 on)"},
};

constexpr ModeName edgeModes[] = {
    {static_cast<int32_t>(EdgeMode::Wrap), "wrap", "the image repeats"},
    {static_cast<int32_t>(EdgeMode::Clamp), "clamp", "the nearest border pixel"},
    {static_cast<int32_t>(EdgeMode::Mirror), "mirror", "the image reflected at its borders"},
    {static_cast<int32_t>(EdgeMode::Transparent), "transparent", "transparent black"},
};

constexpr FlagField generatorFields[] = {STEP_BLEND_MODE};
constexpr FlagField discFields[] = {STEP_BLEND_MODE, STEP_SMOOTH};
constexpr FlagField samplingFields[] = {STEP_SMOOTH, STEP_EDGE_MODE};

constexpr TrackRole GENERATOR = TrackRole::Generator;
constexpr TrackRole IN_PLACE = TrackRole::Build;

// Ids in table order: row i has id i.
constexpr TrackRow operators[TEXTURE_OPERATOR_COUNT] = {
    {0, "Fill", GENERATOR, imageStep<runFill>,
     "Fills the whole image with one colour, alpha included, blended in by `mode`.",
     TextureFill::values, generatorFields},
    {1, "Rectangle", GENERATOR, imageStep<runRectangle>,
     "Draws a rectangle, cut at the right and bottom edges (never wrapped), whose alpha is its red, so a pure blue "
     "one is transparent; `width` and `height` are one less than the size, so 255 spans the whole edge.",
     TextureRectangle::values, generatorFields},
    {2, "Disc", GENERATOR, imageStep<runDisc>,
     "Draws a disc whose alpha is the mean of its red, green and blue, with a one-pixel soft rim when `filtered`; "
     "it is cut at the edges, never wrapped.",
     TextureDisc::values, discFields},
    {3, "Checker", GENERATOR, imageStep<runChecker>,
     "Draws a checkerboard of transparent black and opaque white cells, black at the top left; a cell width that "
     "does not divide the edge leaves a narrower last column.",
     TextureChecker::values, generatorFields},
    {4, "Waves", GENERATOR, imageStep<runWaves>,
     "Draws the colour times (0.5 + a quarter of a cosine across + a quarter of a cosine down), alpha equal to "
     "red; 32 of frequency is one period across the image at any size, while a phase unit is a pixel.",
     TextureWaves::values, generatorFields},
    {5, "Grain", GENERATOR, imageStep<runGrain>,
     "Fills every pixel with hashed noise in shades of the colour, alpha equal to red; the same seed and size "
     "always give the same grain.",
     TextureGrain::values, generatorFields},
    {6, "Sprinkle", GENERATOR, imageStep<runSprinkle>,
     "Sets `dots` x 8 single pixels at hashed places to the colour, alpha the mean of red, green and blue; the "
     "same seed and size give the same places.",
     TextureSprinkle::values, generatorFields},
    {7, "Clouds", GENERATOR, imageStep<runClouds>,
     "Draws grey value-noise clouds, alpha equal to the grey, from six octaves of a random lattice (`zoom` 64 "
     "reads it pixel for pixel, 128 twice as coarse); the random numbers run on from step to step and texture to "
     "texture, so every Clouds step gives new clouds.",
     TextureClouds::values, generatorFields},
    {8, "Blur", IN_PLACE, imageStep<runBlur>,
     "Blurs all four channels with a Gaussian that wraps around the edges, so the texture still tiles; `gain` 16 "
     "keeps the brightness and each unit more adds a sixteenth.",
     TextureBlur::values},
    {9, "Invert", IN_PLACE, imageStep<runInvert>, "Replaces every channel, alpha included, by 255 minus itself."},
    {10, "RotoZoom", IN_PLACE, imageStep<runRotoZoom>,
     "Turns and scales the image about its centre, moved by (`x` - 128, `y` - 128) edge units: `zoom` 0 keeps "
     "the size, 64 shows it twice across, -32 doubles it; `edge` counts only with `filtered=0`, as filtered "
     "sampling always wraps.",
     TextureRotoZoom::values, samplingFields},
    {11, "Twirl", IN_PLACE, imageStep<runTwirl>,
     "Swirls the image by (128 - `strength`) / 16 radians at (`x`, `y`), falling off to nothing at `radius`; "
     "unlike `radius`, `x` and `y` are pixels of a 256-pixel image laid about the middle, and `edge` counts only "
     "with `filtered=0`.",
     TextureTwirl::values, samplingFields},
    {12, "BrightnessContrast", IN_PLACE, imageStep<runBrightnessContrast>,
     "Adds `brightness` - 128 to red, green and blue and stretches each about its own mean by 64 / (255 - "
     "`contrast`); alpha becomes the mean of the three new channels.",
     TextureBrightnessContrast::values},
    {13, "ColorScale", IN_PLACE, imageStep<runColorScale>,
     "Multiplies each channel by (value + 128) / 128, at most 255: 0 keeps it, 127 almost doubles it, -128 "
     "clears it; alpha takes the mean of the three factors.",
     TextureColorScale::values},
    {14, "Store", IN_PLACE, imageStep<runStore>,
     "Copies the image into one of 16 store slots, which keep it for later steps and later textures.",
     TextureStore::values},
    {15, "StoreClear", IN_PLACE, imageStep<runStoreClear>,
     "Copies the image into a store slot, then clears the image to transparent black.", TextureStore::values},
    {16, "Load", IN_PLACE, imageStep<runLoad>,
     "Blends a store slot into the image by `mode`, as a generator would; the slot is read at the image's own "
     "size, not scaled, so store and load at one size.",
     TextureStore::values, generatorFields},
    {17, "Clear", IN_PLACE, imageStep<runClear>, "Clears the image to transparent black."},
    {18, "Emboss", IN_PLACE, imageStep<runEmboss>,
     "Turns all four channels into a relief of their left-to-right differences, flat areas 128; the borders "
     "clamp instead of wrapping."},
    {19, "RadialGlow", IN_PLACE, imageStep<runRadialGlow>,
     "Replaces the image with a spot of the colour fading to black at half the edge from the centre (`falloff` "
     "100; 50 keeps half the colour there), with alpha 0, so it shows nothing as an overlay or on particles "
     "until a later step gives it alpha.",
     TextureRadialGlow::values},
    {20, "NormalMap", IN_PLACE, imageStep<runNormalMap>,
     "Turns the blue channel, read as a height, into the tangent-space normal map that a mesh's `bumpFresnel`, "
     "`bumpReflect` and `reflectLayer` shaders read as its `sphereMap` (flat is #7f80ff); alpha stays.",
     TextureNormalMap::values},
    {21, "ImportImage", IN_PLACE, imageStep<runImportImage>,
     "Copies the 32-bit TGA picture that the show's named data holds under the track's name into the image, "
     "from the top left; no show carries named data yet, so today it does nothing.",
     {}, {}, true},
    // The Texture resizes before the step; the generator does nothing with it.
    {22, "SetSize", IN_PLACE, nullptr,
     "Sets the texture's edge (a power of two from 2 to 512, rounded down; the default is 256) and, unless the "
     "size stays, clears it: put it first.",
     TextureSetSize::values},
};

constexpr bool idsFollowTableOrder()
{
    for (int i = 0; i < TEXTURE_OPERATOR_COUNT; ++i)
        if (operators[i].id != i) return false;
    return true;
}
static_assert(idsFollowTableOrder(), "the operator table is indexed by id");
static_assert(static_cast<int>(TextureOp::SetSize) == TEXTURE_OPERATOR_COUNT - 1, "one row per operator");

}  // namespace

const ModeList blendModeNames = {"blend mode", blendModes};
const ModeList edgeModeNames = {"edge mode", edgeModes};
const TrackTable textureTracks = {SectionKind::Texture, "texture", operators};
