// All project objects by section. An object's position in its section's list
// is the index by which other objects and tracks refer to it.
#pragma once
#include <cstddef>
#include <cstdint>

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

// The named-data table of imported images and meshes: a run of entries, each
// a string record (the name), a u32 length and that many bytes. The show
// attaches none, so its import steps find nothing.
struct NamedDataTable {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Where the particle systems' one generator starts.
constexpr int32_t PARTICLE_SEED_START = 31337303;

struct ObjectRegistry {
    ObjectList<ProjectObject> sections[SECTION_COUNT];

    // What one show's objects share, reached through each object's
    // `registry`, and what its frames carry from one to the next. A new
    // registry starts as the show starts in a fresh process.
    NamedDataTable namedData;
    int32_t particleSeed = PARTICLE_SEED_START;  // drawn by every particle system in turn
    float cachedFieldOfView = 0.0f;              // of the last projection a Scene camera built
    float restoreFieldOfView = 70.0f;            // of the 3D restore after the 2D layers
    bool texturesStarted = false;                // the texture generator has run a step of this show

    ObjectList<ProjectObject>& operator[](SectionKind kind) { return sections[static_cast<int>(kind)]; }
    ProjectObject* at(SectionKind kind, int32_t index) { return (*this)[kind].at(index); }
    // Adds `object` at the end of its section; it finds the others through this registry.
    void append(SectionKind kind, ProjectObject* object)
    {
        object->registry = this;
        (*this)[kind].append(object);
    }

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
