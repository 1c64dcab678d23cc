// Reading the project data: six sections of object records, each a header
// of times and two lists of tracks. Every read is bounded by the data's end:
// a file given on the command line may be truncated or malformed, and such
// data ends the load with a one-line error naming the byte offset.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/object_registry.h"

class Timeline;

constexpr size_t STRING_RECORD_MAX = 512;  // a string record's bytes, zero included

class ProjectStream {
public:
    ProjectStream(const uint8_t* data, size_t size) : begin_(data), cursor_(data), end_(data + size) {}

    // Copies n bytes and advances; past the end it copies nothing, fails the
    // stream and names `what` in the error.
    bool readBytes(void* destination, size_t n, const char* what);
    // Replaces `string` (an engine heap text or null) with the next string
    // record: null for an empty text and for 512 bytes without a zero.
    bool readString(char*& string, const char* what);

    size_t offset() const { return static_cast<size_t>(cursor_ - begin_); }
    size_t remaining() const { return static_cast<size_t>(end_ - cursor_); }
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    void fail(const std::string& message);

private:
    const uint8_t* begin_;
    const uint8_t* cursor_;
    const uint8_t* end_;
    std::string error_;
};

// Makes the empty object of a section's entry; given by the layer that knows
// the kinds (scene/object_kinds.h: createObjectOfKind), so that the reader
// needs none of them.
using ObjectFactory = ProjectObject* (*)(SectionKind section, ObjectRegistry& registry);

// Creates every object of the data into the registry through `create` (the
// Timeline section's entries go into `timeline`). Returns the number of
// object records read, Timeline entries included, or -1 with the reason in
// stream.error().
int32_t loadProject(ProjectStream& stream, ObjectRegistry& registry, Timeline& timeline, ObjectFactory create);
bool readObjectHeader(ProjectStream& stream, ProjectObject& object);
bool readTrack(ProjectStream& stream, AnimTrack& track);

// Builds every registry object in section order; before each build, and once
// more at the end with 100, reports the integer percentage done.
void precalculate(ObjectRegistry& registry, int32_t total, void (*drawProgress)(int percent));

// The block of the first entry of `table` named `name`, or null (also for a
// malformed table). `length`, when given, receives the block's byte count.
const uint8_t* findNamedData(const NamedDataTable& table, const char* name, uint32_t* length = nullptr);
// readBytes over a caller-owned cursor, for import operations on a block.
void readFrom(const uint8_t*& cursor, void* destination, size_t n);
