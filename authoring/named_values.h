// The named form of a track's values and flag operands: name=value words
// read and written through the kind's track table. Values are written as the
// project data holds them (degrees, world units, colour bytes); a colour
// whose channels are named red, green, blue (alpha) or ambientRed, ... may be
// given whole as colour=#rrggbb or ambient=#rrggbbaa; modes and special
// indexes by their names; v0 to v11 give any slot raw, without a range check.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/track_schema.h"
#include "authoring/project_builder.h"

// Every flag-word operand some row declares, once each (mode, filtered, edge).
const std::vector<FlagField>& stepFields();

// The channels of one colour of a row, joined by their name's prefix.
struct ColourGroup {
    std::string name;                        // "colour", or the prefix ("ambient")
    const TrackValue* channel[4] = {};       // red, green, blue, alpha; alpha may be null
};
std::vector<ColourGroup> colourGroupsOf(const TrackRow& row);

// Every name a track line of the row accepts: values, colours, flag operands.
std::vector<std::string> namesOf(const TrackRow& row);

// The section an index unit points into; false for other units.
bool isIndexUnit(ValueUnit unit, SectionKind& section);

// Which object a label names, for @label values.
struct LabelTarget {
    SectionKind section;
    int index;
};
using LabelLookup = std::function<const LabelTarget*(const std::string& label)>;

// A word of the named form that could not be read: where (the name or the
// value) and why.
struct NamedWordError {
    bool inValue = false;
    std::string message;
};

// The values a track or key takes before its named words: the row's
// defaults, 0 in undeclared slots.
ProjectBuilder::Values defaultValues(const TrackRow* row);
// True when `name` is a value, a colour or a raw slot of the row (null row:
// raw slots only).
bool isValueName(const TrackRow* row, const std::string& name);
// Sets the values one name=value word gives. False with the reason.
bool applyNamedValue(const TrackRow* row, const std::string& name, const std::string& text,
                     const LabelLookup& labels, ProjectBuilder::Values& values, NamedWordError& error);
// Reads one value as the positional form does: a number or @label, raw.
bool parseRawValue(const std::string& text, const LabelLookup& labels, float& out, std::string& error);

// How a writer spells a value that has no mode name: the decompiler writes
// labels or numbers, the upgrade keeps the author's own token.
using ValueSpelling = std::function<std::string(int slot, float value, const TrackValue* declared)>;

// name=value words for the values that differ from the named form's
// defaults. When none differ but the defaults are not all 0, the first value
// is written anyway: a line without values keeps its old meaning of zeros.
std::vector<std::string> namedValueWords(const TrackRow* row, const ProjectBuilder::Values& values,
                                         const ValueSpelling& spell);

// The flag words of a track line: declared operands that differ from their
// defaults (from 0 on a line without values), noapply, still, and any other
// bits as flags=0x....
std::vector<std::string> flagWords(const TrackRow* row, uint32_t flags, bool hasKeys, bool namedForm);
// The flags a track starts from before its words.
uint32_t initialFlags(const TrackRow* row, uint8_t id, bool namedForm);
