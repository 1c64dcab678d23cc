// The catalogue of project object kinds: which kind each section creates.
// The loader creates objects through it. The word that names a kind in
// project sources and the names of its tracks are in the kind's track table.
#pragma once
#include "core/object_registry.h"

struct ObjectKind {
    SectionKind section;
    ProjectObject* (*create)();  // null for the Timeline, which is not created per entry
};

const ObjectKind& objectKind(SectionKind section);
ProjectObject* createObjectOfKind(SectionKind section);
