// What a track means: one table per kind ties each track id to its name in
// project sources, its handler, and the declaration of every value and
// flag-word operand it reads (name, unit, range, default). Handlers read
// their values through these declarations, so a unit's scale is applied in
// one place, and the authoring tools read names, units and ranges from the
// same rows, so nothing is listed twice.
//
// Adding an operator: write its handler, declare its values next to the
// kind's others, and add one row to the kind's table, with its summary.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/numeric.h"
#include "core/object_registry.h"
#include "core/track.h"

// A constant view of an array; rows, values and fields are listed in plain
// arrays and viewed through it.
template <class T>
struct Span {
    const T* first = nullptr;
    size_t count = 0;

    constexpr Span() = default;
    template <size_t N>
    constexpr Span(const T (&array)[N]) : first(array), count(N) {}
    constexpr const T* begin() const { return first; }
    constexpr const T* end() const { return first + count; }
    constexpr size_t size() const { return count; }
    constexpr bool empty() const { return count == 0; }
    constexpr const T& operator[](size_t i) const { return first[i]; }
};

// How a value is written in a project source and what the engine makes of it.
// Colour channels are named red, green, blue, alpha (or ambientRed, ... when
// a track holds several colours), so tools can join them into one colour.
enum class ValueUnit : uint8_t {
    Number,         // used as it is
    Integer,        // truncated toward zero
    Flag,           // on when above 0
    Mode,           // truncated, one of the value's named modes
    Degrees,        // an angle
    TurnSteps,      // truncated, 1/256 of a full turn
    WorldUnits,     // divided by 32: 32 is one unit of world or object space
    EdgeUnits,      // truncated, 1/256 of the texture edge
    ColourByte,     // 0 to 255, packed into a pixel as it is
    Colour255,      // divided by 255
    Colour256,      // divided by 256
    Percent,        // divided by 100
    Tenths,         // divided by 10
    TenthScale,     // a scale factor: value x 0.1 + 1
    RelativeScale,  // a scale factor: (value + 100) / 100
    TextureIndex,   // truncated, an object of the texture section
    MeshIndex,      // truncated, an object of the mesh section
    SceneIndex,     // truncated, an object of the scene section
    StoreSlot,      // truncated, one of the texture generator's store slots
    Seconds,        // a time in seconds, used as it is
};

// One named value of a mode (a blend mode, a key mode, a special index).
struct ModeName {
    int32_t value;
    const char* name;
    const char* rule;  // what it does, in a few words
};

struct ModeList {
    const char* title;  // "blend mode", ...
    Span<ModeName> modes;
};

// One of the twelve values of a track.
struct TrackValue {
    uint8_t slot;  // 0-11
    const char* name;
    ValueUnit unit;
    float minimum;
    float maximum;
    float defaultValue;
    const ModeList* names = nullptr;  // Mode: its modes; an index: its special values
};

// An operand in the flags word of a build step (bits 8-21).
struct FlagField {
    const char* name;
    uint8_t shift;
    uint8_t width;  // bits
    uint8_t defaultValue;
    const ModeList* names = nullptr;  // null: a plain number, or an on/off bit when one bit wide

    constexpr uint32_t mask() const { return ((1u << width) - 1u) << shift; }
    constexpr uint32_t bits(uint32_t value) const { return (value << shift) & mask(); }
    constexpr uint32_t of(uint32_t flags) const { return (flags & mask()) >> shift; }
};

// Param and Layer tracks belong in an object's parameter tracks, Build and
// Generator steps in its build tracks.
enum class TrackRole : uint8_t {
    Param,      // a parameter, applied with its object's other parameter tracks
    Layer,      // a parameter the renderer draws straight from the track
    Build,      // a build step: makes or changes a mesh's geometry or a texture's image in place
    Generator,  // a texture build step that draws into the scratch image, then blends
};

// Every handler has one signature; its target is the kind's object (or a
// texture's image). Rows bind typed functions with the binders below.
using TrackHandler = void (*)(void* target, const AnimTrack& track);

struct TrackRow {
    uint8_t id;
    const char* name;
    TrackRole role;
    TrackHandler apply;  // null: nothing happens here (the renderer or the owner acts on it)
    // What the track does, what it needs before it and where its units differ
    // from its neighbours': one or two sentences for authors, printed by the docs.
    const char* summary;
    Span<TrackValue> values = {};
    Span<FlagField> fields = {};
    bool readsName = false;  // the track's name is its text or the name of a data block
};

struct TrackTable {
    SectionKind section;
    const char* kind;  // the word that names the kind in project sources
    Span<TrackRow> rows;
};

// A typed handler under the common signature.
template <class Target, void (*Apply)(Target&, const AnimTrack&)>
void handlerFor(void* target, const AnimTrack& track)
{
    Apply(*static_cast<Target*>(target), track);
}

// What a unit means, in a few words ("world units: 32 are one unit"), for
// documents and messages.
const char* valueUnitMeaning(ValueUnit unit);

const TrackRow* findTrackRow(const TrackTable& table, uint8_t id);
const TrackRow* findTrackRow(const TrackTable& table, std::string_view name);
const TrackValue* findTrackValue(const TrackRow& row, std::string_view name);
const FlagField* findFlagField(const TrackRow& row, std::string_view name);
const ModeName* findMode(const ModeList& list, std::string_view name);
const ModeName* findMode(const ModeList& list, int32_t value);
// Hands the track to its row's handler; an id without a row or a handler
// changes nothing.
void applyTrackRow(const TrackTable& table, void* target, const AnimTrack& track);

// Reading a value as declared. Each unit's scale is applied here and only
// here, in float32 and in this order of operations: the pictures depend on it.
inline float readValue(const AnimTrack& track, const TrackValue& v)
{
    const float x = track.value[v.slot];
    switch (v.unit) {
    case ValueUnit::WorldUnits: return x / 32.0f;
    case ValueUnit::Colour255: return x / 255.0f;
    case ValueUnit::Colour256: return x / 256.0f;
    case ValueUnit::Percent: return x / 100.0f;
    case ValueUnit::Tenths: return x / 10.0f;
    case ValueUnit::TenthScale: return x * 0.1f + 1.0f;
    case ValueUnit::RelativeScale: return (x + 100.0f) / 100.0f;
    default: return x;
    }
}

// The value as written, truncated toward zero (counts, indexes, modes,
// texture colours and edge units).
inline int32_t readWhole(const AnimTrack& track, const TrackValue& v) { return truncToInt32(track.value[v.slot]); }

inline bool readFlag(const AnimTrack& track, const TrackValue& v) { return track.value[v.slot] > 0.0f; }

// The value as written, for objects that keep it in the source's own unit
// (a viewport in percent of the screen).
inline float readRaw(const AnimTrack& track, const TrackValue& v) { return track.value[v.slot]; }

inline uint32_t readField(const AnimTrack& track, const FlagField& field) { return field.of(track.flags); }

// The key modes by name, for project sources.
extern const ModeList keyModeNames;
// The one special value of an index that may name nothing: -1.
extern const ModeList noObjectNames;
