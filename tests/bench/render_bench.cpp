// A whole frame of the layers demonstration (every layer, meshes drawn twice)
// against the same frame without its 2D layers, and the making of the 256
// extruded glyph lists of a 3D text.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "render/frame.h"
#include "gl/gl.h"
#include "mesh/mesh_text.h"
#include "scene/scene.h"
#include "tests/support/headless_gl.h"
#include "tests/support/loaded_show.h"
#include "authoring/project_source.h"

namespace {

std::unique_ptr<LoadedShow> loadLayers()
{
    std::ifstream file(std::string(SOURCE_DIR) + "/content/layers.proj");
    std::stringstream text;
    text << file.rdbuf();
    ProjectBuilder project;
    std::string error;
    if (!parseProjectSource(text.str(), "layers.proj", project, error)) return nullptr;
    auto show = std::make_unique<LoadedShow>(project);
    show->advance(3.0f);
    return show;
}

void BM_LayersFrame(benchmark::State& state)
{
    if (!useHeadlessGl()) return state.SkipWithError("no headless OpenGL");
    auto show = loadLayers();
    if (!show) return state.SkipWithError("content/layers.proj did not load");
    const bool layers2d = state.range(0) != 0;
    Scene& scene = show->object<Scene>(SectionKind::Scene, 0);
    if (!layers2d) {
        scene.flags = 0;
        scene.fadeColor[3] = 0.0f;
        for (AnimTrack* track : scene.paramTracks)
            if (track->id() >= 5 && track->id() != 7) track->flags &= ~TRACK_APPLY;
    }
    for (auto _ : state) {
        renderFrame(show->registry, show->timeline);
        glFinish();
    }
}
BENCHMARK(BM_LayersFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_CreateGlyphs(benchmark::State& state)
{
    if (!useHeadlessGl()) return state.SkipWithError("no headless OpenGL");
    for (auto _ : state) {
        MeshText text;
        text.createGlyphs();
        text.releaseGlyphs();
    }
}
BENCHMARK(BM_CreateGlyphs)->Unit(benchmark::kMillisecond);

}  // namespace
