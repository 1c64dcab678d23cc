// The bars of a project source's music, for an author stepping through a
// show bar by bar: on the music's own clock, from the source's `tempo` or
// `music` line.
#pragma once
#include <cstdint>
#include <vector>

#include "authoring/project_source.h"

struct SourceBars {
    std::vector<float> starts;  // bar 1, 2, ... that start before the show's end; empty: no tempo named
    int32_t beatsPerBar = 4;
};

SourceBars sourceBars(const SourceFacts& facts);
