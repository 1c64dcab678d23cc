// The catalogue of project object kinds: which kind each section creates
// and the table of its tracks, whose kind word names it in project sources.
// The loader creates objects through it; the authoring tools read kinds,
// track names, units and ranges from the same tables, so nothing is listed
// twice.
#pragma once
#include <string_view>

#include "core/object_registry.h"
#include "core/track_schema.h"

struct ObjectKind {
    SectionKind section;
    ProjectObject* (*create)(ObjectRegistry& registry);  // null for the Timeline, which is not created per entry
    const TrackTable* tracks;
};

const ObjectKind& objectKind(SectionKind section);
const ObjectKind* findObjectKind(std::string_view word);  // by its track table's kind word; null when none
ProjectObject* createObjectOfKind(SectionKind section, ObjectRegistry& registry);
