// A small project built in code, loaded and built as the show does it, with
// a registry and Timeline of its own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/object_registry.h"
#include "core/timeline.h"
#include "authoring/project_builder.h"

struct LoadedShow {
    ObjectRegistry registry;
    Timeline timeline;
    std::string error;  // empty when the data loaded

    explicit LoadedShow(const ProjectBuilder& project, bool build = true);
    // Project data as it is stored (the show's own, or a compiled file).
    LoadedShow(const uint8_t* data, size_t size, bool build = true);
    ~LoadedShow();
    LoadedShow(const LoadedShow&) = delete;
    LoadedShow& operator=(const LoadedShow&) = delete;

    template <class Kind>
    Kind& object(SectionKind section, int index)
    {
        return *static_cast<Kind*>(registry.at(section, index));
    }
    // One pass of the show: the Timeline running, `seconds` added to its time.
    void advance(float seconds);

private:
    void load(const uint8_t* data, size_t size, bool build);
};
