#include "texture/operators.h"

#include <iterator>

namespace {

// Ids in table order: entry i has id i.
constexpr TextureOperator operators[TEXTURE_OPERATOR_COUNT] = {
    {TextureOp::Fill, "Fill", true, runFill},
    {TextureOp::Rectangle, "Rectangle", true, runRectangle},
    {TextureOp::Disc, "Disc", true, runDisc},
    {TextureOp::Checker, "Checker", true, runChecker},
    {TextureOp::Waves, "Waves", true, runWaves},
    {TextureOp::Grain, "Grain", true, runGrain},
    {TextureOp::Sprinkle, "Sprinkle", true, runSprinkle},
    {TextureOp::Clouds, "Clouds", true, runClouds},
    {TextureOp::Blur, "Blur", false, runBlur},
    {TextureOp::Invert, "Invert", false, runInvert},
    {TextureOp::RotoZoom, "RotoZoom", false, runRotoZoom},
    {TextureOp::Twirl, "Twirl", false, runTwirl},
    {TextureOp::BrightnessContrast, "BrightnessContrast", false, runBrightnessContrast},
    {TextureOp::ColorScale, "ColorScale", false, runColorScale},
    {TextureOp::Store, "Store", false, runStore},
    {TextureOp::StoreClear, "StoreClear", false, runStoreClear},
    {TextureOp::Load, "Load", false, runLoad},
    {TextureOp::Clear, "Clear", false, runClear},
    {TextureOp::Emboss, "Emboss", false, runEmboss},
    {TextureOp::RadialGlow, "RadialGlow", false, runRadialGlow},
    {TextureOp::NormalMap, "NormalMap", false, runNormalMap},
    {TextureOp::ImportImage, "ImportImage", false, runImportImage},
    {TextureOp::SetSize, "SetSize", false, nullptr},  // the Texture resizes before the step
};

constexpr bool idsFollowTableOrder()
{
    for (int i = 0; i < TEXTURE_OPERATOR_COUNT; ++i)
        if (static_cast<int>(operators[i].id) != i) return false;
    return true;
}
static_assert(idsFollowTableOrder(), "the operator table is indexed by id");

}  // namespace

const TextureOperator* findTextureOperator(uint8_t id)
{
    return id < std::size(operators) ? &operators[id] : nullptr;
}

const char* textureOperatorName(uint8_t id)
{
    const TextureOperator* op = findTextureOperator(id);
    return op ? op->name : nullptr;
}

int textureOperatorId(std::string_view name)
{
    for (const TextureOperator& op : operators)
        if (name == op.name) return static_cast<int>(op.id);
    return -1;
}
