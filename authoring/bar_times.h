// The bars of a project source's music, for an author stepping through a
// show bar by bar: read from the source's tempo line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/project_builder.h"

struct SourceBars {
    std::vector<float> starts;  // bar 1, 2, ... that start before the show's end; empty: no tempo named
    int32_t beatsPerBar = 4;
};

// The bars of `text`, a source that compiled into `compiled`.
SourceBars sourceBars(const std::string& text, const ProjectBuilder& compiled);

// When the compiled show ends: its Timeline's Length, as the show reads it.
float compiledShowLength(const ProjectBuilder& compiled);
