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
    {0, "Fill", GENERATOR, imageStep<runFill>, TextureFill::values, generatorFields},
    {1, "Rectangle", GENERATOR, imageStep<runRectangle>, TextureRectangle::values, generatorFields},
    {2, "Disc", GENERATOR, imageStep<runDisc>, TextureDisc::values, discFields},
    {3, "Checker", GENERATOR, imageStep<runChecker>, TextureChecker::values, generatorFields},
    {4, "Waves", GENERATOR, imageStep<runWaves>, TextureWaves::values, generatorFields},
    {5, "Grain", GENERATOR, imageStep<runGrain>, TextureGrain::values, generatorFields},
    {6, "Sprinkle", GENERATOR, imageStep<runSprinkle>, TextureSprinkle::values, generatorFields},
    {7, "Clouds", GENERATOR, imageStep<runClouds>, TextureClouds::values, generatorFields},
    {8, "Blur", IN_PLACE, imageStep<runBlur>, TextureBlur::values},
    {9, "Invert", IN_PLACE, imageStep<runInvert>},
    {10, "RotoZoom", IN_PLACE, imageStep<runRotoZoom>, TextureRotoZoom::values, samplingFields},
    {11, "Twirl", IN_PLACE, imageStep<runTwirl>, TextureTwirl::values, samplingFields},
    {12, "BrightnessContrast", IN_PLACE, imageStep<runBrightnessContrast>, TextureBrightnessContrast::values},
    {13, "ColorScale", IN_PLACE, imageStep<runColorScale>, TextureColorScale::values},
    {14, "Store", IN_PLACE, imageStep<runStore>, TextureStore::values},
    {15, "StoreClear", IN_PLACE, imageStep<runStoreClear>, TextureStore::values},
    {16, "Load", IN_PLACE, imageStep<runLoad>, TextureStore::values, generatorFields},
    {17, "Clear", IN_PLACE, imageStep<runClear>},
    {18, "Emboss", IN_PLACE, imageStep<runEmboss>},
    {19, "RadialGlow", IN_PLACE, imageStep<runRadialGlow>, TextureRadialGlow::values},
    {20, "NormalMap", IN_PLACE, imageStep<runNormalMap>, TextureNormalMap::values},
    {21, "ImportImage", IN_PLACE, imageStep<runImportImage>, {}, {}, true},
    // The Texture resizes before the step; the generator does nothing with it.
    {22, "SetSize", IN_PLACE, nullptr, TextureSetSize::values},
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
