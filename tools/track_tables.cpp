#include "tools/track_tables.h"

#include "core/timeline.h"
#include "mesh/mesh_tracks.h"
#include "scene/light_tracks.h"
#include "scene/particle_tracks.h"
#include "scene/scene_tracks.h"
#include "texture/operators.h"

namespace {

const TrackTable* const tables[SECTION_COUNT] = {
    &textureTracks, &meshTracks, &lightTracks, &sceneTracks, &timelineTracks, &particleTracks,
};

const FlagField flagFields[] = {STEP_BLEND_MODE, STEP_SMOOTH, STEP_EDGE_MODE};

}  // namespace

Span<const TrackTable*> allTrackTables() { return tables; }

const TrackTable& trackTableOf(SectionKind section) { return *tables[static_cast<int>(section)]; }

const TrackTable* findTrackTable(std::string_view kind)
{
    for (const TrackTable* table : tables)
        if (kind == table->kind) return table;
    return nullptr;
}

Span<FlagField> allFlagFields() { return flagFields; }
