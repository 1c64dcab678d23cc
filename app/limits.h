// What a project may ask of the show when it is built and played. Reading
// accepts any well-formed data; before anything is built, every track that
// turns a value into a count, a size or a loop is checked here, static value
// and keys alike, so that a file cannot make a build or a frame allocate or
// work without bound. docs/limits.md gives the reason for each figure.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/object_registry.h"

struct ShowLimits {
    int64_t textureBytes = int64_t(128) << 20;         // all textures' pixels together
    int64_t texturePixelSteps = int64_t(1) << 30;      // all texture steps x the pixels each works on
    int64_t sprinkleCount = int64_t(1) << 20;          // one Sprinkle step's count (8 dots each)
    int64_t meshPositions = int64_t(1) << 20;          // one mesh's positions or texture coordinates
    int64_t meshCorners = int64_t(1) << 20;            // one mesh's corners (three a triangle)
    int64_t allPositions = int64_t(1) << 21;           // every mesh together
    int64_t allCorners = int64_t(1) << 21;
    int64_t text3DSteps = 16;                          // Text3D tracks in the project
    int64_t repeatCount = 1000;                        // a mesh's extra copies
    int64_t zoomGlowCount = 256;                       // a Scene's zoom glow layers
    int64_t ringGlowCount = 256;                       // one RingGlow track's copies
    int64_t particleCount = 16384;                     // one particle system
    int64_t allParticles = 65536;                      // every particle system together
};

// True when building and playing the registry's objects stays within
// `limits`; otherwise false with one line naming the object, the track and
// the limit in `error`. Keyed values count with every value their curve
// reaches between the keys.
bool checkShowLimits(ObjectRegistry& registry, const ShowLimits& limits, std::string& error);

// The same check on project data before anything is created from it: the
// tracks are read into plain objects, so that a refusal comes before the
// graphics start and no kind's constructor runs (some draw from shared
// random numbers). Data that does not read passes: the reader names its
// fault when the show loads it.
bool projectWithinLimits(const uint8_t* data, size_t size, const ShowLimits& limits, std::string& error);

// The highest integer (as the engine truncates it) that value `index` of
// the track can take: its value, and, for a parameter track that is
// animated, every value its keys' curve passes through. INT64_MAX when the
// curve runs through values beyond int32.
int64_t highestTrackInt(const AnimTrack& track, int index, bool played);
