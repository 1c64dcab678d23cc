// libFuzzer target: any text as a project source. What the compiler accepts
// must be project data the reader loads whole, with one object record per
// object compiled.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scene/object_kinds.h"
#include "core/project_reader.h"
#include "core/timeline.h"
#include "authoring/project_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ProjectBuilder project;
    std::string error;
    if (!parseProjectSource(text, "fuzz.proj", project, error)) return 0;
    std::vector<uint8_t> bytes;
    if (!project.write(bytes, error)) return 0;  // a count past its byte: refused, not written
    ObjectRegistry registry;
    Timeline timeline;
    ProjectStream stream(bytes.data(), bytes.size());
    const int32_t count = loadProject(stream, registry, timeline, createObjectOfKind);
    if (count != static_cast<int32_t>(project.objects().size())) __builtin_trap();
    return 0;
}
