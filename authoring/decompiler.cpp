#include "authoring/decompiler.h"

#include <cmath>
#include <cstring>

#include "core/memory.h"
#include "core/project_reader.h"
#include "authoring/float_text.h"
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

    std::string out = "# Written by projc --decompile.\n";
    int indexes[SECTION_COUNT] = {};
    for (int kind = 0; kind < SECTION_COUNT; ++kind) {
        const TrackTable& table = *objectKind(static_cast<SectionKind>(kind)).tracks;
        for (const ProjectBuilder::Object& object : project.objects()) {
            if (static_cast<int>(object.section) != kind) continue;
            out += "\n" + std::string(table.kind) + " " + labelOf(object.section, indexes[kind]++);
            out += " from " + floatText(object.startTime) + " to " + floatText(object.endTime) + "\n";
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
                    if (!keysInOrderAndTime(object, track)) line += " unchecked";  // keys as they are
                    out += line + "\n";
                    for (const ProjectBuilder::Key& key : track.keys) {
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
