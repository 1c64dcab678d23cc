#include "core/project_reader.h"

#include <cstdio>
#include <cstring>

#include "core/timeline.h"

void ProjectStream::fail(const std::string& message)
{
    if (error_.empty()) error_ = message;
}

bool ProjectStream::readBytes(void* destination, size_t n, const char* what)
{
    if (failed()) return false;
    if (n > remaining()) {
        char message[160];
        std::snprintf(message, sizeof message, "truncated at byte offset %zu: %s needs %zu bytes, %zu remain",
                      offset(), what, n, remaining());
        fail(message);
        return false;
    }
    std::memcpy(destination, cursor_, n);
    cursor_ += n;
    return true;
}

bool ProjectStream::readString(char*& string, const char* what)
{
    memFree(string);
    string = nullptr;
    if (failed()) return false;
    const size_t start = offset();
    char buffer[STRING_RECORD_MAX];
    size_t copied = 0;
    bool terminated = false;
    while (copied < STRING_RECORD_MAX && cursor_ < end_) {
        buffer[copied] = static_cast<char>(*cursor_++);
        if (buffer[copied++] == 0) {
            terminated = true;
            break;
        }
    }
    if (!terminated && copied < STRING_RECORD_MAX) {
        char message[160];
        std::snprintf(message, sizeof message,
                      "truncated at byte offset %zu: %s starting at byte offset %zu has no terminating zero",
                      offset(), what, start);
        fail(message);
        return false;
    }
    // 512 bytes without a zero give no text; the 512 bytes are consumed.
    if (terminated && copied > 1) string = memDuplicateString(buffer, copied - 1);
    return true;
}

namespace {

const char* const sectionWhat[SECTION_COUNT] = {"the texture count", "the mesh count", "the light count",
                                                "the scene count", "the timeline count", "the particle system count"};

}  // namespace

bool readTrack(ProjectStream& stream, AnimTrack& track)
{
    if (!stream.readString(track.name, "a track name")) return false;
    uint8_t keyCount = 0;
    if (!stream.readBytes(&track.flags, 4, "a track's flags") ||
        !stream.readBytes(track.value, sizeof track.value, "a track's value") ||
        !stream.readBytes(&keyCount, 1, "a track's key count"))
        return false;
    for (int k = 0; k < keyCount; ++k) {
        AnimKey* key = track.keys.append(memNew<AnimKey>());
        if (!stream.readBytes(&key->time, 4, "a key's time") || !stream.readBytes(&key->mode, 1, "a key's mode") ||
            !stream.readBytes(key->value, sizeof key->value, "a key's value"))
            return false;
    }
    return true;
}

bool readObjectHeader(ProjectStream& stream, ProjectObject& object)
{
    if (!stream.readBytes(&object.startTime, 4, "an object's start time") ||
        !stream.readBytes(&object.endTime, 4, "an object's end time"))
        return false;
    ObjectList<AnimTrack>* lists[2] = {&object.paramTracks, &object.buildTracks};
    const char* counts[2] = {"a parameter track count", "a build track count"};
    for (int l = 0; l < 2; ++l) {
        uint8_t count = 0;
        if (!stream.readBytes(&count, 1, counts[l])) return false;
        for (int t = 0; t < count; ++t)
            if (!readTrack(stream, *lists[l]->append(memNew<AnimTrack>()))) return false;
    }
    return true;
}

int32_t loadProject(ProjectStream& stream, ObjectRegistry& registry, Timeline& timeline, ObjectFactory create)
{
    int32_t objectCount = 0;
    for (int kind = 0; kind < SECTION_COUNT; ++kind) {
        const SectionKind section = static_cast<SectionKind>(kind);
        uint8_t count = 0;
        if (!stream.readBytes(&count, 1, sectionWhat[kind])) return -1;
        for (int entry = 0; entry < count; ++entry) {
            if (section == SectionKind::Timeline) {
                // Every entry is read into the one Timeline: tracks append, times replace.
                if (!readObjectHeader(stream, timeline)) return -1;
            } else {
                ProjectObject* object = create(section, registry);
                if (!readObjectHeader(stream, *object)) {
                    object->destroy(DESTROY_FREE);
                    return -1;
                }
                registry.append(section, object);
            }
            ++objectCount;
        }
    }
    if (stream.remaining() != 0) {
        char message[160];
        std::snprintf(message, sizeof message, "%zu unexpected bytes after the last section at byte offset %zu",
                      stream.remaining(), stream.offset());
        stream.fail(message);
        return -1;
    }
    return objectCount;
}

void precalculate(ObjectRegistry& registry, int32_t total, void (*drawProgress)(int percent))
{
    int32_t k = 0;
    for (int kind = 0; kind < SECTION_COUNT; ++kind) {
        for (ProjectObject* object : registry.sections[kind]) {
            if (drawProgress) drawProgress(total > 0 ? k * 100 / total : 0);
            object->build();
            ++k;
        }
    }
    if (drawProgress) drawProgress(100);
}

const uint8_t* findNamedData(const NamedDataTable& table, const char* name, uint32_t* length)
{
    if (!table.data || !name) return nullptr;
    const uint8_t* end = table.data + table.size;
    const uint8_t* cursor = table.data;
    while (cursor < end) {
        const size_t left = static_cast<size_t>(end - cursor);
        const size_t limit = left < STRING_RECORD_MAX ? left : STRING_RECORD_MAX;
        const void* zero = std::memchr(cursor, 0, limit);
        // An entry name runs to its zero, or over 512 bytes without one.
        const size_t nameBytes = zero ? static_cast<const uint8_t*>(zero) - cursor + 1 : STRING_RECORD_MAX;
        if (!zero && left < STRING_RECORD_MAX) return nullptr;
        if (left - nameBytes < 4) return nullptr;
        uint32_t blockLength = 0;
        std::memcpy(&blockLength, cursor + nameBytes, 4);
        const uint8_t* block = cursor + nameBytes + 4;
        if (blockLength > static_cast<size_t>(end - block)) return nullptr;
        if (std::strncmp(name, reinterpret_cast<const char*>(cursor), STRING_RECORD_MAX) == 0) {
            if (length) *length = blockLength;
            return block;
        }
        cursor = block + blockLength;
    }
    return nullptr;
}

void readFrom(const uint8_t*& cursor, void* destination, size_t n)
{
    std::memcpy(destination, cursor, n);
    cursor += n;
}
