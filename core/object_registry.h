// All project objects by section. An object's position in its section's list
// is the index by which other objects and tracks refer to it.
#pragma once
#include "core/project_object.h"

enum class SectionKind : int {
    Texture = 0,
    Mesh = 1,
    Light = 2,
    Scene = 3,
    Timeline = 4,  // read into the one Timeline; this list stays empty
    ParticleSystem = 5,
};
constexpr int SECTION_COUNT = 6;

struct ObjectRegistry {
    ObjectList<ProjectObject> sections[SECTION_COUNT];

    ObjectList<ProjectObject>& operator[](SectionKind kind) { return sections[static_cast<int>(kind)]; }
    ProjectObject* at(SectionKind kind, int32_t index) { return (*this)[kind].at(index); }

    ObjectRegistry() = default;
    ObjectRegistry(const ObjectRegistry&) = delete;
    ObjectRegistry& operator=(const ObjectRegistry&) = delete;
    // Lists from the last section to the first; within a list, last object first.
    ~ObjectRegistry() { clear(); }
    void clear()
    {
        for (int kind = SECTION_COUNT - 1; kind >= 0; --kind) sections[kind].clear();
    }
};

// The registry of the running show. Start-up (or a test's show) sets it;
// track handlers that look objects up by index (a mesh's texture, a parent
// mesh, a particle texture) go through it. The renderer does not: it draws
// the registry renderFrame is given.
extern ObjectRegistry* theRegistry;
