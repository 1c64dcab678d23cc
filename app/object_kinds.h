// The catalogue of project object kinds: which kind each section creates,
// the word that names it in a project source, and the names of its track
// ids. The loader creates objects through it; the authoring tools read the
// same names, so nothing is listed twice.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/object_registry.h"

// One id of a kind's tracks and its name in project sources.
struct TrackName {
    uint8_t id;
    const char* name;
};

struct ObjectKind {
    SectionKind section;
    const char* keyword;  // "texture", "mesh", ...
    ProjectObject* (*create)();  // null for the Timeline, which is not created per entry
    const char* (*trackName)(uint8_t id);     // null when the id has no name
    int (*trackId)(std::string_view name);    // -1 when no id has this name
};

const ObjectKind& objectKind(SectionKind section);
const ObjectKind* findObjectKind(std::string_view keyword);
ProjectObject* createObjectOfKind(SectionKind section);

// Lookups over a plain {id, name} table, for kinds whose ids have no handler.
const char* findTrackName(const TrackName* table, size_t count, uint8_t id);
int findTrackId(const TrackName* table, size_t count, std::string_view name);
