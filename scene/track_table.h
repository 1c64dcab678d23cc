// A kind's track ids in one table: the id, its name in project sources and
// what applying a track of that id does. applyTrack dispatches through the
// table and the authoring tools read the names from it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/track.h"

template <class Kind>
struct TrackHandler {
    uint8_t id;
    const char* name;
    void (*apply)(Kind& object, const AnimTrack& track);  // null: read by the renderer instead
};

template <class Kind, size_t N>
const TrackHandler<Kind>* findTrackHandler(const TrackHandler<Kind> (&table)[N], uint8_t id)
{
    for (const TrackHandler<Kind>& handler : table)
        if (handler.id == id) return &handler;
    return nullptr;
}

template <class Kind, size_t N>
void dispatchTrack(const TrackHandler<Kind> (&table)[N], Kind& object, const AnimTrack& track)
{
    const TrackHandler<Kind>* handler = findTrackHandler(table, track.id());
    if (handler && handler->apply) handler->apply(object, track);
}

template <class Kind, size_t N>
const char* trackHandlerName(const TrackHandler<Kind> (&table)[N], uint8_t id)
{
    const TrackHandler<Kind>* handler = findTrackHandler(table, id);
    return handler ? handler->name : nullptr;
}

template <class Kind, size_t N>
int trackHandlerId(const TrackHandler<Kind> (&table)[N], std::string_view name)
{
    for (const TrackHandler<Kind>& handler : table)
        if (name == handler.name) return handler.id;
    return -1;
}
