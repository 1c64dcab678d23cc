// The one clock and sequencer of the show: real time from the platform's
// high-resolution counter, the show time, the end of the show, the Scene to
// draw, and the per-frame animation of every active object.
#pragma once
#include <cstdint>

#include "core/object_registry.h"
#include "core/project_object.h"
#include "core/track_schema.h"

constexpr float ShowEndTime = 122.0f;

// The Timeline's one track picks the Scene to draw; other ids are ignored.
enum class TimelineTrack : uint8_t { Scene = 0 };
extern const TrackTable timelineTracks;

namespace TimelineScene {
inline constexpr TrackValue scene{0, "scene", ValueUnit::SceneIndex, -1, 254, 0, &noObjectNames};
inline constexpr TrackValue values[] = {scene};
}  // namespace TimelineScene

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

    int applyTrack(AnimTrack& track) override;
    int build() override;
};
