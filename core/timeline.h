// The one clock and sequencer of the show: real time from the platform's
// high-resolution counter, the show time, the end of the show, the Scene to
// draw, and the per-frame animation of every active object.
#pragma once
#include <cstdint>

#include "core/object_registry.h"
#include "core/project_object.h"
#include "core/track_schema.h"

// The end of a show whose data names no length of its own.
constexpr float ShowEndTime = 122.0f;
// The longest length a show may name.
constexpr float LongestShowLength = 3600.0f;

// The Timeline's Scene track picks the Scene to draw. A Length track, which
// only data that asks for it holds, ends the show at its own time instead of
// ShowEndTime; other ids are ignored.
enum class TimelineTrack : uint8_t { Scene = 0, Length = 1 };
extern const TrackTable timelineTracks;

namespace TimelineScene {
inline constexpr TrackValue scene{0, "scene", ValueUnit::SceneIndex, -1, 254, 0, &noObjectNames};
inline constexpr TrackValue values[] = {scene};
}  // namespace TimelineScene

namespace TimelineLength {
inline constexpr TrackValue seconds{0, "seconds", ValueUnit::Seconds, 0.001f, LongestShowLength, ShowEndTime};
inline constexpr TrackValue values[] = {seconds};
}  // namespace TimelineLength

struct FrameClock {
    int64_t lastReading = 0;
    float tickRateDiv256 = 0.0f;  // counter frequency >> 8, as int32, as float32; 0 = no counter
};

class Timeline : public ProjectObject {
public:
    int32_t sceneIndex = -1;
    uint8_t running = 0;
    float time = 0.0f;
    FrameClock clock;

    Timeline();

    void resetClock();
    float elapsed() const;  // seconds since the last reset
    void start();
    void stop();
    // One pass: read the clock, then advance().
    void update(ObjectRegistry& registry);
    // The pass after the clock: adds `seconds` while running, ends the show
    // after ShowEndTime, animates itself and every active object.
    void advance(ObjectRegistry& registry, float seconds);
    bool isActive(const ProjectObject& object) const;
    // When the show ends: the loaded value of the first Length track, or
    // ShowEndTime when there is none (or its value is not a time a show may
    // last). Read from the tracks, so it is known before the first frame.
    float showLength() const;

    int applyTrack(AnimTrack& track) override;
    int build() override;
};
