// What a source may write that the engine never reads: a generator on a
// `param` line, keys under a `build` line, a track id the kind ignores, a
// value in a slot the step does not read. The compiler refuses the first
// kind and warns of the second; the decompiler writes such tracks `exact`.
#pragma once
#include <string>
#include <vector>

#include "core/track_schema.h"
#include "authoring/project_builder.h"

struct IdlePart {
    bool refused;  // an error; otherwise a warning
    std::string reason;
};

// Why `track`, written on a `param` or `build` line of `kind`, holds
// something nothing reads; empty when everything in it is read.
std::vector<IdlePart> idlePartsOf(const TrackTable& kind, const ProjectBuilder::Track& track, bool onBuildLine);
