// libFuzzer target: any bytes as project data, read, checked against small
// limits (which bound the work of one input), then every object built as
// the show builds it, without the card: texture programs, mesh generators
// and modifiers with normals and vertex arrays, lights, scenes, particle
// systems, and the Timeline advanced over a few frames.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/limits.h"
#include "scene/object_kinds.h"
#include "core/project_reader.h"
#include "core/timeline.h"
#include "mesh/mesh.h"
#include "scene/particle_system.h"
#include "texture/generator.h"
#include "texture/row_split.h"
#include "texture/texture.h"

namespace {

ShowLimits fuzzLimits()
{
    ShowLimits limits;
    limits.textureBytes = 1 << 20;       // four 256 x 256 textures
    limits.texturePixelSteps = 1 << 16;  // one step at 256 x 256, 64 at 32 x 32
    limits.sprinkleCount = 1 << 12;
    limits.meshPositions = 1 << 12;
    limits.meshCorners = 1 << 13;
    limits.allPositions = 1 << 13;
    limits.allCorners = 1 << 14;
    limits.text3DSteps = 0;  // a whole font tessellated: milliseconds, and the card's display lists
    limits.particleCount = 1 << 10;
    limits.allParticles = 1 << 12;
    return limits;
}

// The data part of each kind's build; upload() and draw() need the card.
void buildWithoutCard(SectionKind section, ProjectObject& object)
{
    switch (section) {
    case SectionKind::Texture:
        object.applyBuildTracks();
        object.applyParamTracks();
        break;
    case SectionKind::Mesh:
        object.applyParamTracks();
        object.applyBuildTracks();
        buildVertexArray(static_cast<Mesh&>(object));
        break;
    default: object.build(); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const ShowLimits limits = fuzzLimits();
    // Each image in one run: the split is checked for sameness by the
    // texture tests, and here every freed image would flush the pool
    // threads' address maps.
    static const bool oneRun = (setRowRuns(1), true);
    (void)oneRun;
    ObjectRegistry registry;
    Timeline timeline;
    // The generator's seed and sizes carry from texture to texture; each
    // input starts from the show's start (its buffers only hold pixels).
    generator = GeneratorState();

    ProjectStream stream(data, size);
    std::string error;
    if (loadProject(stream, registry, timeline, createObjectOfKind) >= 0 && checkShowLimits(registry, limits, error)) {
        for (int kind = 0; kind < SECTION_COUNT; ++kind)
            for (ProjectObject* object : registry.sections[kind])
                buildWithoutCard(static_cast<SectionKind>(kind), *object);
        timeline.build();
        timeline.start();
        for (float step : {0.0f, 0.5f, 20.0f, 60.0f, 41.4f})
            timeline.advance(registry, step);
    }
    registry.clear();
    return 0;
}
