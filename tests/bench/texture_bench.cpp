// The texture generator's speed: every operator at 256 and 512, and whole
// shows of textures built as the start-up builds them.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "scene/object_kinds.h"
#include "core/project_reader.h"
#include "core/timeline.h"
#include "tests/support/headless_gl.h"
#include "texture/generator.h"
#include "texture/operators.h"
#include "texture/texture.h"
#include "authoring/project_builder.h"
#include "authoring/project_source.h"

namespace {

struct OperatorCase {
    TextureOp op;
    std::vector<float> values;
    uint32_t mode;
};

// Values as the show's programs use them.
const OperatorCase operatorCases[] = {
    {TextureOp::Fill, {255, 0, 0, 255}, 3},
    {TextureOp::Rectangle, {9, 16, 0, 160, 223, 0, 200, 200, 200}, 3},
    {TextureOp::Disc, {128, 128, 0, 100, 0, 0, 255, 200, 100}, 3},
    {TextureOp::Checker, {32, 32}, 4},
    {TextureOp::Waves, {0, 0, 0, 64, 96, 0, 255, 160, 60}, 3},
    {TextureOp::Grain, {4242, 0, 0, 200, 200, 220}, 3},
    {TextureOp::Sprinkle, {40, 0, 0, 777, 0, 0, 255, 255, 255}, 3},
    {TextureOp::Clouds, {128}, 3},
    {TextureOp::Blur, {64, 0, 0, 18}, 0},
    {TextureOp::Invert, {}, 0},
    {TextureOp::RotoZoom, {128, 128, 0, -16, 0, 0, 32}, 0},
    {TextureOp::Twirl, {128, 128, 0, 40, 0, 0, 100}, 0},
    {TextureOp::BrightnessContrast, {128, 0, 0, 255}, 0},
    {TextureOp::ColorScale, {127, -60, -110}, 0},
    {TextureOp::Store, {1}, 0},
    {TextureOp::StoreClear, {1}, 0},
    {TextureOp::Load, {1}, 8},
    {TextureOp::Clear, {}, 0},
    {TextureOp::Emboss, {}, 0},
    {TextureOp::RadialGlow, {255, 200, 120, 100}, 0},
    {TextureOp::NormalMap, {30}, 0},
    {TextureOp::ImportImage, {}, 0},
    {TextureOp::SetSize, {256}, 0},
};

void BM_Operator(benchmark::State& state)
{
    const OperatorCase& c = operatorCases[state.range(0)];
    const int32_t size = static_cast<int32_t>(state.range(1));
    state.SetLabel(std::string(findTrackRow(textureTracks, static_cast<uint8_t>(c.op))->name) + " " + std::to_string(size));
    AnimTrack track;
    track.flags = TRACK_APPLY | STEP_SMOOTH.bits(1) | static_cast<uint32_t>(c.op) | STEP_BLEND_MODE.bits(c.mode);
    for (size_t i = 0; i < c.values.size(); ++i) track.value[i] = c.values[i];
    std::vector<uint32_t> image(static_cast<size_t>(size) * size);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint32_t>(i * 2654435761u);
    setGeneratorSize(size);
    for (auto _ : state) {
        runStep(image.data(), track);
        benchmark::DoNotOptimize(image.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(size) * size);
}
BENCHMARK(BM_Operator)
    ->ArgsProduct({benchmark::CreateDenseRange(0, TEXTURE_OPERATOR_COUNT - 1, 1), {256, 512}})
    ->Unit(benchmark::kMicrosecond);

// Loads project data and builds every texture in section order, fresh
// generator included; `upload` needs the headless context.
void buildTextures(benchmark::State& state, const std::vector<uint8_t>& bytes, bool upload)
{
    if (upload && !useHeadlessGl()) {
        state.SkipWithError("no headless OpenGL context");
        return;
    }
    int32_t textures = 0;
    std::unique_ptr<ObjectRegistry> registry;
    std::unique_ptr<Timeline> timeline;
    for (auto _ : state) {
        // Reading the data and tearing down the previous build are not timed.
        state.PauseTiming();
        registry = std::make_unique<ObjectRegistry>();
        timeline = std::make_unique<Timeline>();
        ProjectStream stream(bytes.data(), bytes.size());
        if (loadProject(stream, *registry, *timeline, createObjectOfKind) < 0) {
            state.SkipWithError(stream.error().c_str());
            state.ResumeTiming();
            break;
        }
        resetGenerator();
        state.ResumeTiming();
        textures = 0;
        for (ProjectObject* object : (*registry)[SectionKind::Texture]) {
            if (upload) {
                object->build();
            } else {
                object->applyBuildTracks();
                object->applyParamTracks();
            }
            ++textures;
        }
    }
    state.counters["textures"] = textures;
}

std::vector<uint8_t> embeddedShow()
{
    std::ifstream file(std::string(SOURCE_DIR) + "/content/show.proj");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ProjectBuilder project;
    std::string error;
    if (!parseProjectSource(text, std::string(SOURCE_DIR) + "/content/show.proj", project, error)) return {};
    std::vector<uint8_t> bytes;
    project.write(bytes, error);
    return bytes;
}

// A show's worth of textures like the full production: 21 textures of 1 to
// 15 steps at 32 to 512 pixels, clouds and blurs among them.
std::vector<uint8_t> fullSizedShow()
{
    ProjectBuilder project;
    auto step = [](ProjectBuilder::Object& texture, TextureOp op, std::initializer_list<float> values,
                   uint32_t mode = 0) {
        texture.build(static_cast<uint8_t>(op), values).withFlags(STEP_SMOOTH.bits(1) | STEP_BLEND_MODE.bits(mode));
    };
    const float sizes[] = {256, 256, 512, 256, 64, 256, 512, 32, 256, 256, 512,
                           256, 64, 256, 256, 512, 128, 256, 256, 32, 256};
    for (int i = 0; i < 21; ++i) {
        ProjectBuilder::Object& t = project.add(SectionKind::Texture);
        step(t, TextureOp::SetSize, {sizes[i]});
        switch (i % 5) {
        case 0:  // the perforated plate
            step(t, TextureOp::Rectangle, {9, 16, 0, 160, 223, 0, 200, 200, 200}, 3);
            step(t, TextureOp::Checker, {32, 32}, 4);
            step(t, TextureOp::Blur, {64, 0, 0, 18});
            step(t, TextureOp::BrightnessContrast, {128, 0, 0, 255});
            step(t, TextureOp::Fill, {0, 0, 0, 64}, 4);
            break;
        case 1:  // two cloud layers
            step(t, TextureOp::Clouds, {128}, 3);
            step(t, TextureOp::ColorScale, {-110, -60, 127});
            step(t, TextureOp::StoreClear, {1});
            step(t, TextureOp::Clouds, {64}, 3);
            step(t, TextureOp::ColorScale, {-120, -90, -40});
            step(t, TextureOp::Load, {1}, 8);
            break;
        case 2:  // bumps
            step(t, TextureOp::Clouds, {256}, 3);
            step(t, TextureOp::Blur, {4, 0, 0, 16});
            step(t, TextureOp::NormalMap, {30});
            break;
        case 3:  // a long program
            step(t, TextureOp::Checker, {32, 32}, 3);
            step(t, TextureOp::Twirl, {128, 128, 0, 40, 0, 0, 100});
            step(t, TextureOp::Store, {2});
            step(t, TextureOp::Waves, {0, 0, 0, 64, 96, 0, 255, 160, 60}, 3);
            step(t, TextureOp::RotoZoom, {128, 128, 0, -16, 0, 0, 32});
            step(t, TextureOp::Load, {2}, 6);
            step(t, TextureOp::Disc, {128, 128, 0, 100, 0, 0, 255, 200, 100}, 3);
            step(t, TextureOp::Grain, {4242, 0, 0, 40, 40, 40}, 3);
            step(t, TextureOp::Emboss, {});
            step(t, TextureOp::Invert, {});
            step(t, TextureOp::RadialGlow, {255, 200, 120, 100});
            step(t, TextureOp::Load, {2}, 5);
            step(t, TextureOp::Sprinkle, {40, 0, 0, 777, 0, 0, 255, 255, 255}, 3);
            step(t, TextureOp::Blur, {8, 0, 0, 16});
            step(t, TextureOp::ColorScale, {20, 0, -20});
            break;
        default:  // a glow
            step(t, TextureOp::RadialGlow, {255, 200, 120, 100});
            step(t, TextureOp::BrightnessContrast, {128, 0, 0, 191});
            break;
        }
    }
    return project.bytes();
}

void BM_EmbeddedShowTextures(benchmark::State& state) { buildTextures(state, embeddedShow(), state.range(0) != 0); }
BENCHMARK(BM_EmbeddedShowTextures)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FullSizedShowTextures(benchmark::State& state) { buildTextures(state, fullSizedShow(), state.range(0) != 0); }
BENCHMARK(BM_FullSizedShowTextures)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
