// Every kind's track table, by section and by the word that names the kind
// in project sources: what the authoring tools read names, units, ranges
// and defaults from. The tables themselves live with their kinds.
#pragma once
#include <string_view>

#include "core/track_schema.h"

// The six tables in section order (texture, mesh, light, scene, timeline,
// particles).
Span<const TrackTable*> allTrackTables();
const TrackTable& trackTableOf(SectionKind section);
const TrackTable* findTrackTable(std::string_view kind);  // null when no kind has this word

// The flag-word operands any build step may carry (mode, smooth, edge), each
// once, as the rows declare them.
Span<FlagField> allFlagFields();
