// Animated parameter tracks: a 12-component value, optionally driven over
// time by keys with hold, two-key linear and Catmull-Rom interpolation.
#pragma once
#include <cstdint>

#include "core/object_list.h"

constexpr uint32_t TRACK_ID_MASK = 0x000000FF;
constexpr uint32_t TRACK_APPLY = 0x00400000;     // handed to applyTrack
constexpr uint32_t TRACK_ANIMATED = 0x00800000;  // value recomputed from keys each frame
constexpr int TRACK_VALUES = 12;

enum class KeyMode : uint8_t {
    Step = 0,    // the segment after this key holds its value
    Local = 1,   // the spline looks neither before nor past this key
    Smooth = 2,  // the spline uses the neighbouring key as its outer point
};

struct AnimKey {
    float time = 0.0f;
    uint8_t mode = static_cast<uint8_t>(KeyMode::Smooth);  // any other value acts as Local
    float value[TRACK_VALUES] = {};
};

struct AnimTrack {
    uint32_t flags = TRACK_APPLY;
    float value[TRACK_VALUES] = {};
    char* name = nullptr;  // owned heap text, or null
    ObjectList<AnimKey> keys;

    AnimTrack() = default;
    ~AnimTrack();
    AnimTrack(const AnimTrack&) = delete;
    AnimTrack& operator=(const AnimTrack&) = delete;

    uint8_t id() const { return static_cast<uint8_t>(flags & TRACK_ID_MASK); }
    bool applies() const { return (flags & TRACK_APPLY) != 0; }
    bool animated() const { return (flags & TRACK_ANIMATED) != 0; }
    void setName(const char* text);  // heap copy; null or "" gives no name
};

// Sets the track's value to its curve at `time`; leaves it unchanged after
// the last key or when there are no keys. All arithmetic in float32.
void evaluateTrack(AnimTrack& track, float time);

void releaseListItem(AnimTrack* track);
void releaseListItem(AnimKey* key);
