// libFuzzer target: any text as a project source. What the compiler accepts
// must be project data the reader loads whole, with one object record per
// object compiled, and that decompiles to a source giving the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scene/object_kinds.h"
#include "core/project_reader.h"
#include "core/timeline.h"
#include "authoring/decompiler.h"
#include "authoring/project_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ProjectBuilder project;
    std::string error;
    SourceOptions options;
    options.readsFiles = false;  // a `music` line would read the disk
    if (!parseProjectSource(text, "fuzz.proj", project, error, options)) return 0;
    std::vector<uint8_t> bytes;
    if (!project.write(bytes, error)) return 0;  // a count past its byte: refused, not written
    ObjectRegistry registry;
    Timeline timeline;
    ProjectStream stream(bytes.data(), bytes.size());
    const int32_t count = loadProject(stream, registry, timeline, createObjectOfKind);
    if (count != static_cast<int32_t>(project.objects().size())) __builtin_trap();

    ProjectBuilder read, again;
    std::vector<uint8_t> back;
    if (!readProjectData(bytes, read, error)) __builtin_trap();
    if (!parseProjectSource(decompileProject(read), "decompiled.proj", again, error, options) ||
        !again.write(back, error) || back != bytes)
        __builtin_trap();
    return 0;
}
