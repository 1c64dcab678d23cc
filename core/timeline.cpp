#include "core/timeline.h"

#include "core/numeric.h"
#include "platform/clock.h"

Timeline::Timeline()
{
    const int64_t frequency = Sys_CounterFrequency();
    clock.tickRateDiv256 = static_cast<float>(static_cast<int32_t>(frequency >> 8));
}

void Timeline::resetClock() { clock.lastReading = Sys_Counter(); }

float Timeline::elapsed() const
{
    if (clock.tickRateDiv256 == 0.0f) return 0.0f;
    // Only the low 32 bits of the difference count: a very long stall wraps.
    const uint32_t ticks = static_cast<uint32_t>(Sys_Counter() - clock.lastReading);
    return static_cast<float>(static_cast<double>(ticks) / clock.tickRateDiv256 * 0.00390625);
}

void Timeline::start()
{
    running = 1;
    resetClock();
}

void Timeline::stop()
{
    running = 0;
    time = 0.0f;
}

void Timeline::update(ObjectRegistry& registry)
{
    const float seconds = elapsed();
    resetClock();
    advance(registry, seconds);
}

void Timeline::advance(ObjectRegistry& registry, float seconds)
{
    if (running == 1) time = time + seconds;
    if (time > showLength()) {
        stop();
        return;
    }
    animate(time, seconds);
    for (int kind = 0; kind < SECTION_COUNT; ++kind)
        for (ProjectObject* object : registry.sections[kind])
            if (isActive(*object)) object->animate(time, seconds);
}

bool Timeline::isActive(const ProjectObject& object) const
{
    return object.startTime <= time && time <= object.endTime;
}

float Timeline::showLength() const
{
    for (const AnimTrack* track : paramTracks) {
        if ((track->flags & 0xFF) != static_cast<uint8_t>(TimelineTrack::Length)) continue;
        const float seconds = readValue(*track, TimelineLength::seconds);
        // Refused by the limit check; a show reading data unchecked still ends.
        if (!(seconds >= TimelineLength::seconds.minimum && seconds <= TimelineLength::seconds.maximum)) break;
        return seconds;
    }
    return ShowEndTime;
}

int Timeline::applyTrack(AnimTrack& track)
{
    applyTrackRow(timelineTracks, this, track);
    return 0;
}

int Timeline::build()
{
    applyParamTracks();
    return 0;
}
