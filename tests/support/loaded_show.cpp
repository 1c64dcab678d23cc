#include "tests/support/loaded_show.h"

#include <vector>

#include "scene/object_kinds.h"
#include "core/project_reader.h"

LoadedShow::LoadedShow(const ProjectBuilder& project, bool build)
{
    const std::vector<uint8_t> bytes = project.bytes();
    load(bytes.data(), bytes.size(), build);
}

LoadedShow::LoadedShow(const uint8_t* data, size_t size, bool build) { load(data, size, build); }

void LoadedShow::load(const uint8_t* data, size_t size, bool build)
{
    ProjectStream stream(data, size);
    const int32_t total = loadProject(stream, registry, timeline, createObjectOfKind);
    if (total < 0) {
        error = stream.error();
        return;
    }
    if (build) precalculate(registry, total, [](int) {});
    timeline.running = 1;
}

LoadedShow::~LoadedShow()
{
    registry.clear();
}

void LoadedShow::advance(float seconds) { timeline.advance(registry, seconds); }
