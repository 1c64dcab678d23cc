#include "authoring/idle_tracks.h"

#include <cstdio>

#include "authoring/named_values.h"

namespace {

bool isBuilt(SectionKind section) { return section == SectionKind::Texture || section == SectionKind::Mesh; }

bool isStep(TrackRole role) { return role == TrackRole::Build || role == TrackRole::Generator; }

// The slots of `values` that hold something the row does not declare.
std::string unreadSlots(const TrackRow& row, const ProjectBuilder::Values& values)
{
    std::string slots;
    for (int slot = 0; slot < TRACK_VALUES; ++slot) {
        if (values[slot] == 0.0f) continue;
        bool read = false;
        for (const TrackValue& value : row.values) read |= value.slot == slot;
        if (!read) slots += (slots.empty() ? "v" : ", v") + std::to_string(slot);
    }
    return slots;
}

}  // namespace

std::vector<IdlePart> idlePartsOf(const TrackTable& kind, const ProjectBuilder::Track& track, bool onBuildLine)
{
    std::vector<IdlePart> parts;
    const uint8_t id = static_cast<uint8_t>(track.flags & 0xFF);
    const TrackRow* row = findTrackRow(kind, id);
    const std::string kindName = kind.kind;
    if (!row) {
        parts.push_back({true, "a " + kindName + " has no track " + std::to_string(id) + ": the engine ignores it"});
        return parts;
    }
    const std::string name = row->name;
    if (onBuildLine && !isBuilt(kind.section))
        parts.push_back({true, "a " + kindName + " is not built: its 'build' lines are never read; write '" + name +
                                   "' on a 'param' line"});
    else if (onBuildLine && row->role == TrackRole::Layer)
        parts.push_back({true, "'" + name + "' is drawn from the 'param' lines: write it on one"});
    else if (!onBuildLine && isStep(row->role))
        parts.push_back({true, "'" + name + "' is a build step: it runs once, when its " + kindName +
                                   " is built, from a 'build' line"});
    if (!track.keys.empty()) {
        if (onBuildLine)
            parts.push_back({true, "a build step runs once, when its " + kindName + " is built: its keys are never read"});
        else if (!(track.flags & TRACK_APPLY))
            parts.push_back({true, "the keys of a 'noapply' track are never read"});
        else if (!(track.flags & TRACK_ANIMATED))
            parts.push_back({true, "the keys of a 'still' track are never read"});
    }

    const std::string slots = unreadSlots(*row, track.value);
    if (!slots.empty()) parts.push_back({false, "'" + name + "' does not read " + slots});
    for (const ProjectBuilder::Key& key : track.keys) {
        const std::string keySlots = unreadSlots(*row, key.value);
        if (!keySlots.empty()) {
            parts.push_back({false, "'" + name + "' does not read " + keySlots + " of its keys"});
            break;
        }
    }
    uint32_t read = 0xFFu | TRACK_APPLY | TRACK_ANIMATED;
    for (const FlagField& field : row->fields) read |= field.mask();
    if (uint32_t unread = track.flags & ~read) {
        std::string words;
        for (const FlagField& field : stepFields())
            if (unread & field.mask()) {
                words += (words.empty() ? "" : ", ") + std::string(field.name);
                unread &= ~field.mask();
            }
        if (unread) {
            char bits[24];
            std::snprintf(bits, sizeof bits, "flags=0x%x", unread);
            words += (words.empty() ? "" : ", ") + std::string(bits);
        }
        parts.push_back({false, "'" + name + "' does not read " + words});
    }
    return parts;
}
