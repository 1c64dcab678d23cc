#include "authoring/project_builder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/project_reader.h"

ProjectBuilder::Values ProjectBuilder::valuesOf(std::initializer_list<float> values)
{
    Values result{};
    size_t i = 0;
    for (float v : values)
        if (i < result.size()) result[i++] = v;
    return result;
}

ProjectBuilder::Track& ProjectBuilder::Track::key(float time, KeyMode mode, std::initializer_list<float> values)
{
    return key(time, static_cast<uint8_t>(mode), valuesOf(values));
}

ProjectBuilder::Track& ProjectBuilder::Track::key(float time, uint8_t mode, const Values& values)
{
    keys.push_back({time, mode, values});
    flags |= TRACK_ANIMATED;
    return *this;
}

ProjectBuilder::Track& ProjectBuilder::Track::named(std::string text)
{
    name = std::move(text);
    return *this;
}

ProjectBuilder::Track& ProjectBuilder::Track::withFlags(uint32_t bits)
{
    flags |= bits;
    return *this;
}

ProjectBuilder::Track& ProjectBuilder::Track::withoutFlags(uint32_t bits)
{
    flags &= ~bits;
    return *this;
}

ProjectBuilder::Object& ProjectBuilder::Object::during(float start, float end)
{
    startTime = start;
    endTime = end;
    return *this;
}

ProjectBuilder::Track& ProjectBuilder::Object::param(uint8_t id, std::initializer_list<float> values)
{
    paramTracks.push_back(Track());
    paramTracks.back().flags = TRACK_APPLY | id;
    paramTracks.back().value = valuesOf(values);
    return paramTracks.back();
}

ProjectBuilder::Track& ProjectBuilder::Object::build(uint8_t id, std::initializer_list<float> values)
{
    buildTracks.push_back(Track());
    buildTracks.back().flags = TRACK_APPLY | id;
    buildTracks.back().value = valuesOf(values);
    return buildTracks.back();
}

ProjectBuilder::Object& ProjectBuilder::add(SectionKind section)
{
    objects_.push_back(Object());
    objects_.back().section = section;
    return objects_.back();
}

namespace {

template <class T>
void put(std::vector<uint8_t>& out, const T& value)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
}

bool putTracks(std::vector<uint8_t>& out, const std::vector<ProjectBuilder::Track>& tracks, std::string& error)
{
    if (tracks.size() > 255) {
        error = "an object has more than 255 tracks in one list";
        return false;
    }
    out.push_back(static_cast<uint8_t>(tracks.size()));
    for (const ProjectBuilder::Track& track : tracks) {
        if (track.name.size() >= STRING_RECORD_MAX || track.name.find('\0') != std::string::npos) {
            error = "a track name is longer than 511 bytes or holds a zero byte";
            return false;
        }
        if (track.keys.size() > 255) {
            error = "a track has more than 255 keys";
            return false;
        }
        out.insert(out.end(), track.name.begin(), track.name.end());
        out.push_back(0);
        put(out, track.flags);
        put(out, track.value);
        out.push_back(static_cast<uint8_t>(track.keys.size()));
        for (const ProjectBuilder::Key& key : track.keys) {
            put(out, key.time);
            out.push_back(key.mode);
            put(out, key.value);
        }
    }
    return true;
}

}  // namespace

bool ProjectBuilder::write(std::vector<uint8_t>& out, std::string& error) const
{
    out.clear();
    for (int kind = 0; kind < SECTION_COUNT; ++kind) {
        size_t count = 0;
        for (const Object& object : objects_)
            if (static_cast<int>(object.section) == kind) ++count;
        if (count > 255) {
            error = "a section has more than 255 objects";
            return false;
        }
        out.push_back(static_cast<uint8_t>(count));
        for (const Object& object : objects_) {
            if (static_cast<int>(object.section) != kind) continue;
            put(out, object.startTime);
            put(out, object.endTime);
            if (!putTracks(out, object.paramTracks, error) || !putTracks(out, object.buildTracks, error))
                return false;
        }
    }
    return true;
}

std::vector<uint8_t> ProjectBuilder::bytes() const
{
    std::vector<uint8_t> out;
    std::string error;
    if (!write(out, error)) {
        std::fprintf(stderr, "ProjectBuilder: %s\n", error.c_str());
        std::abort();
    }
    return out;
}
