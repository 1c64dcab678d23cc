#include "core/track_schema.h"

#include <iterator>

namespace {

constexpr ModeName keyModes[] = {
    {static_cast<int32_t>(KeyMode::Step), "step", "the segment after the key holds its value"},
    {static_cast<int32_t>(KeyMode::Local), "local", "the curve looks neither before nor past the key"},
    {static_cast<int32_t>(KeyMode::Smooth), "smooth", "the curve runs on through the neighbouring keys"},
};

constexpr ModeName noObject[] = {{-1, "none", "no object"}};

constexpr const char* unitMeanings[] = {
    "a number, used as it is",
    "a whole number (the fraction is dropped)",
    "on when above 0",
    "one of the named modes",
    "degrees",
    "1/256 of a full turn",
    "world units: 32 are one unit",
    "1/256 of the texture edge",
    "a colour channel, 0 to 255",
    "a colour channel, 255 is full",
    "a colour channel, 256 is full",
    "percent",
    "tenths",
    "a scale: each unit adds 0.1 to 1",
    "a scale: each unit adds 0.01 to 1",
    "an object of the texture section, by index",
    "an object of the mesh section, by index",
    "an object of the scene section, by index",
    "a store slot of the texture generator, 0 to 15",
    "seconds",
};
static_assert(std::size(unitMeanings) == static_cast<size_t>(ValueUnit::Seconds) + 1, "one meaning per unit");

}  // namespace

const char* valueUnitMeaning(ValueUnit unit) { return unitMeanings[static_cast<size_t>(unit)]; }

const ModeList keyModeNames = {"key mode", keyModes};
const ModeList noObjectNames = {"index", noObject};

const TrackRow* findTrackRow(const TrackTable& table, uint8_t id)
{
    // Most tables list their ids in order from 0, so row `id` is usually the one.
    if (id < table.rows.size() && table.rows[id].id == id) return &table.rows[id];
    for (const TrackRow& row : table.rows)
        if (row.id == id) return &row;
    return nullptr;
}

const TrackRow* findTrackRow(const TrackTable& table, std::string_view name)
{
    for (const TrackRow& row : table.rows)
        if (name == row.name) return &row;
    return nullptr;
}

const TrackValue* findTrackValue(const TrackRow& row, std::string_view name)
{
    for (const TrackValue& value : row.values)
        if (name == value.name) return &value;
    return nullptr;
}

const FlagField* findFlagField(const TrackRow& row, std::string_view name)
{
    for (const FlagField& field : row.fields)
        if (name == field.name) return &field;
    return nullptr;
}

const ModeName* findMode(const ModeList& list, std::string_view name)
{
    for (const ModeName& mode : list.modes)
        if (name == mode.name) return &mode;
    return nullptr;
}

const ModeName* findMode(const ModeList& list, int32_t value)
{
    for (const ModeName& mode : list.modes)
        if (mode.value == value) return &mode;
    return nullptr;
}

void applyTrackRow(const TrackTable& table, void* target, const AnimTrack& track)
{
    const TrackRow* row = findTrackRow(table, track.id());
    if (row && row->apply) row->apply(target, track);
}
