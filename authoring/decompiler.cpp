#include "authoring/decompiler.h"

#include <cmath>
#include <cstring>

#include "core/memory.h"
#include "core/project_reader.h"
#include "core/timeline.h"
#include "authoring/engine_keys.h"
#include "authoring/float_text.h"
#include "authoring/idle_tracks.h"
#include "authoring/named_values.h"
#include "authoring/project_source.h"
#include "authoring/source_tokens.h"
#include "scene/object_kinds.h"

namespace {

bool readTrackList(ProjectStream& stream, std::vector<ProjectBuilder::Track>& tracks, const char* what,
                   std::string& error)
{
    uint8_t count = 0;
    if (!stream.readBytes(&count, 1, what)) return false;
    for (int t = 0; t < count; ++t) {
        ProjectBuilder::Track track;
        const size_t start = stream.offset();
        char* name = nullptr;
        if (!stream.readString(name, "a track name")) return false;
        if (name) track.name = name;
        memFree(name);
        if (stream.offset() - start == STRING_RECORD_MAX && track.name.size() + 1 != STRING_RECORD_MAX) {
            error = "a track name at byte offset " + std::to_string(start) +
                    " fills its 512 bytes without an end; no source can write it back";
            return false;
        }
        uint8_t keyCount = 0;
        if (!stream.readBytes(&track.flags, 4, "a track's flags") ||
            !stream.readBytes(track.value.data(), sizeof track.value, "a track's value") ||
            !stream.readBytes(&keyCount, 1, "a track's key count"))
            return false;
        for (int k = 0; k < keyCount; ++k) {
            ProjectBuilder::Key key{};
            if (!stream.readBytes(&key.time, 4, "a key's time") || !stream.readBytes(&key.mode, 1, "a key's mode") ||
                !stream.readBytes(key.value.data(), sizeof key.value, "a key's value"))
                return false;
            track.keys.push_back(key);
        }
        tracks.push_back(std::move(track));
    }
    return true;
}

std::string labelOf(SectionKind section, int index) { return objectKind(section).tracks->kind + std::to_string(index); }

void appendWords(std::string& line, const std::vector<std::string>& words)
{
    for (const std::string& word : words) line += " " + word;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The object's times as the compiler reads them back: `to` ends the object
// just before its time, `through` at it; the shorter of the two is written.
// `sourceEnd` receives the end a key may reach.
std::string objectTimes(const ProjectBuilder::Object& object, float length, float& sourceEnd)
{
    const float start = object.startTime, end = object.endTime;
    std::string text = " from " + floatText(start);
    sourceEnd = end;
    if (!(end > start) || end >= length) return text + " to " + floatText(end);
    const float after = justAfter(end);
    if (after > start && after < length && sameBits(justBefore(after), end) &&
        floatText(after).size() <= floatText(end).size()) {
        sourceEnd = after;
        return text + " to " + floatText(after);
    }
    return text + " through " + floatText(end);
}

// The show's end, as the compiler takes it from a Length track.
float lengthOf(const ProjectBuilder& project)
{
    for (const ProjectBuilder::Object& object : project.objects())
        if (object.section == SectionKind::Timeline)
            for (const ProjectBuilder::Track& track : object.paramTracks)
                if ((track.flags & 0xFF) == static_cast<uint8_t>(TimelineTrack::Length)) return track.value[0];
    return ShowEndTime;
}

// The keys a source writes for the track, when compiling them gives exactly
// its keys; false when the track must be written `exact`.
bool sourceKeysFor(const ProjectBuilder::Object& object, const ProjectBuilder::Track& track, float holdUntil,
                   float sourceEnd, std::vector<ProjectBuilder::Key>& keys)
{
    if (!sourceKeysOf(track.keys, holdUntil, keys)) return false;
    // The Timeline's keys lie within the show, any other's within its object.
    const bool timeline = object.section == SectionKind::Timeline;
    const float start = timeline ? 0.0f : object.startTime, end = timeline ? holdUntil : sourceEnd;
    for (size_t k = 0; k < keys.size(); ++k)
        if ((k > 0 && !(keys[k].time > keys[k - 1].time)) || !(keys[k].time >= start && keys[k].time <= end))
            return false;
    return true;
}

}  // namespace

bool readProjectData(const std::vector<uint8_t>& bytes, ProjectBuilder& project, std::string& error)
{
    ProjectStream stream(bytes.data(), bytes.size());
    for (int kind = 0; kind < SECTION_COUNT; ++kind) {
        uint8_t count = 0;
        if (!stream.readBytes(&count, 1, "a section's object count")) break;
        for (int i = 0; i < count && !stream.failed() && error.empty(); ++i) {
            ProjectBuilder::Object& object = project.add(static_cast<SectionKind>(kind));
            if (stream.readBytes(&object.startTime, 4, "an object's start time") &&
                stream.readBytes(&object.endTime, 4, "an object's end time") &&
                readTrackList(stream, object.paramTracks, "a parameter track count", error))
                readTrackList(stream, object.buildTracks, "a build track count", error);
        }
        if (stream.failed() || !error.empty()) break;
    }
    if (!error.empty()) return false;
    if (!stream.failed() && stream.remaining() != 0)
        stream.fail(std::to_string(stream.remaining()) + " unexpected bytes after the last section at byte offset " +
                    std::to_string(stream.offset()));
    if (stream.failed()) error = stream.error();
    return !stream.failed();
}

std::string decompileProject(const ProjectBuilder& project)
{
    int counts[SECTION_COUNT] = {};
    for (const ProjectBuilder::Object& object : project.objects()) ++counts[static_cast<int>(object.section)];
    // Whole indexes of existing objects as labels, anything else as a number.
    const ValueSpelling spell = [&](int, float value, const TrackValue* declared) {
        SectionKind section{};
        if (declared && isIndexUnit(declared->unit, section) && std::nearbyint(value) == value && value >= 0 &&
            !std::signbit(value) && value < counts[static_cast<int>(section)])
            return "@" + labelOf(section, static_cast<int>(value));
        return floatText(value);
    };

    const float length = lengthOf(project);
    std::string out = "# Written by projc --decompile.\n";
    int indexes[SECTION_COUNT] = {};
    for (int kind = 0; kind < SECTION_COUNT; ++kind) {
        const TrackTable& table = *objectKind(static_cast<SectionKind>(kind)).tracks;
        for (const ProjectBuilder::Object& object : project.objects()) {
            if (static_cast<int>(object.section) != kind) continue;
            float sourceEnd = 0;
            out += "\n" + std::string(table.kind) + " " + labelOf(object.section, indexes[kind]++);
            out += objectTimes(object, length, sourceEnd) + "\n";
            const float holdUntil = object.section == SectionKind::Timeline ? length : object.endTime;
            for (int list = 0; list < 2; ++list)
                for (const ProjectBuilder::Track& track : list == 0 ? object.paramTracks : object.buildTracks) {
                    const uint8_t id = static_cast<uint8_t>(track.flags & 0xFF);
                    const TrackRow* row = findTrackRow(table, id);
                    std::string line = list == 0 ? "  param " : "  build ";
                    line += row ? row->name : std::to_string(id);
                    if (!track.name.empty()) line += " " + quoted(track.name);
                    const std::vector<std::string> values = namedValueWords(row, track.value, spell);
                    appendWords(line, values);
                    appendWords(line, flagWords(row, track.flags, !track.keys.empty(), !values.empty()));
                    // Keys the compiler wrote are written as their source; any
                    // other track, or one that holds what nothing reads, as it is.
                    std::vector<ProjectBuilder::Key> keys;
                    const bool animated = list == 0 && (track.flags & TRACK_ANIMATED);
                    const bool exact = !idlePartsOf(table, track, list == 1).empty() ||
                                       (!track.keys.empty() && (!animated || !sourceKeysFor(object, track, holdUntil,
                                                                                            sourceEnd, keys)));
                    if (exact) {
                        line += " exact";
                        keys = track.keys;
                    }
                    out += line + "\n";
                    for (const ProjectBuilder::Key& key : keys) {
                        const ModeName* mode = findMode(keyModeNames, static_cast<int32_t>(key.mode));
                        line = "    key " + floatText(key.time) + " " + (mode ? mode->name : std::to_string(key.mode));
                        appendWords(line, namedValueWords(row, key.value, spell));
                        out += line + "\n";
                    }
                }
        }
    }
    return out;
}
