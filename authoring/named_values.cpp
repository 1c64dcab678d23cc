#include "authoring/named_values.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "authoring/float_text.h"
#include "scene/object_kinds.h"

namespace {

const char* const channelNames[4] = {"red", "green", "blue", "alpha"};

bool isColourUnit(ValueUnit unit)
{
    return unit == ValueUnit::ColourByte || unit == ValueUnit::Colour255 || unit == ValueUnit::Colour256;
}

// The channel a value is (0-3) and its colour's prefix, or -1.
int channelOf(const TrackValue& value, std::string& prefix)
{
    if (!isColourUnit(value.unit)) return -1;
    const std::string name = value.name;
    for (int c = 0; c < 4; ++c) {
        std::string channel = channelNames[c];
        if (name == channel) {
            prefix.clear();
            return c;
        }
        channel[0] = static_cast<char>(std::toupper(channel[0]));
        if (name.size() > channel.size() && name.compare(name.size() - channel.size(), channel.size(), channel) == 0) {
            prefix = name.substr(0, name.size() - channel.size());
            return c;
        }
    }
    return -1;
}

int rawSlotOf(const std::string& name)
{
    if (name.size() < 2 || name.size() > 3 || name[0] != 'v') return -1;
    for (size_t i = 1; i < name.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
    if (name.size() == 3 && name[1] == '0') return -1;
    const int slot = std::atoi(name.c_str() + 1);
    return slot < TRACK_VALUES ? slot : -1;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

bool isIndexUnit(ValueUnit unit, SectionKind& section)
{
    switch (unit) {
    case ValueUnit::TextureIndex: section = SectionKind::Texture; return true;
    case ValueUnit::MeshIndex: section = SectionKind::Mesh; return true;
    case ValueUnit::SceneIndex: section = SectionKind::Scene; return true;
    default: return false;
    }
}

namespace {

bool inRange(const TrackValue& v, float x) { return x >= v.minimum && x <= v.maximum; }

bool isByte(float x) { return x >= 0 && x <= 255 && std::nearbyint(x) == x && !std::signbit(x); }

const ColourGroup* findGroup(const std::vector<ColourGroup>& groups, const std::string& name)
{
    for (const ColourGroup& group : groups)
        if (group.name == name) return &group;
    return nullptr;
}

}  // namespace

const std::vector<FlagField>& stepFields()
{
    static const std::vector<FlagField> fields = [] {
        std::vector<FlagField> found;
        for (int section = 0; section < SECTION_COUNT; ++section)
            for (const TrackRow& row : objectKind(static_cast<SectionKind>(section)).tracks->rows)
                for (const FlagField& field : row.fields) {
                    bool known = false;
                    for (const FlagField& f : found) known |= std::string_view(f.name) == field.name;
                    if (!known) found.push_back(field);
                }
        return found;
    }();
    return fields;
}

std::vector<ColourGroup> colourGroupsOf(const TrackRow& row)
{
    std::vector<ColourGroup> groups;
    for (const TrackValue& value : row.values) {
        std::string prefix;
        const int channel = channelOf(value, prefix);
        if (channel < 0) continue;
        const std::string name = prefix.empty() ? "colour" : prefix;
        ColourGroup* group = nullptr;
        for (ColourGroup& g : groups)
            if (g.name == name) group = &g;
        if (!group) {
            groups.push_back({name, {}});
            group = &groups.back();
        }
        group->channel[channel] = &value;
    }
    // A colour is whole only with red, green and blue.
    std::vector<ColourGroup> whole;
    for (const ColourGroup& g : groups)
        if (g.channel[0] && g.channel[1] && g.channel[2]) whole.push_back(g);
    return whole;
}

std::vector<std::string> namesOf(const TrackRow& row)
{
    std::vector<std::string> names;
    for (const TrackValue& value : row.values) names.push_back(value.name);
    for (const ColourGroup& group : colourGroupsOf(row)) names.push_back(group.name);
    for (const FlagField& field : row.fields) names.push_back(field.name);
    return names;
}

ProjectBuilder::Values defaultValues(const TrackRow* row)
{
    ProjectBuilder::Values values{};
    if (row)
        for (const TrackValue& value : row->values) values[value.slot] = value.defaultValue;
    return values;
}

bool isValueName(const TrackRow* row, const std::string& name)
{
    if (rawSlotOf(name) >= 0) return true;
    if (!row) return false;
    return findTrackValue(*row, name) || findGroup(colourGroupsOf(*row), name);
}

bool parseRawValue(const std::string& text, const LabelLookup& labels, float& out, std::string& error)
{
    if (!text.empty() && text[0] == '@') {
        const LabelTarget* target = labels(text.substr(1));
        if (!target) {
            error = "no object is labelled '" + text.substr(1) + "'";
            return false;
        }
        out = static_cast<float>(target->index);
        return true;
    }
    if (parseFloatText(text, out)) return true;
    error = "bad value '" + text + "'";
    return false;
}

bool applyNamedValue(const TrackRow* row, const std::string& name, const std::string& text,
                     const LabelLookup& labels, ProjectBuilder::Values& values, NamedWordError& error)
{
    error = {};
    const int slot = rawSlotOf(name);
    if (slot >= 0) {
        error.inValue = true;
        return parseRawValue(text, labels, values[slot], error.message);
    }
    if (!row) {
        error.message = "a track without a name in the tables takes raw slots v0 to v11, not '" + name + "'";
        return false;
    }
    if (const TrackValue* value = findTrackValue(*row, name)) {
        error.inValue = true;
        if (value->names)
            if (const ModeName* mode = findMode(*value->names, text)) {
                values[value->slot] = static_cast<float>(mode->value);
                return true;
            }
        float x = 0;
        SectionKind section{};
        if (!text.empty() && text[0] == '@' && isIndexUnit(value->unit, section)) {
            const LabelTarget* target = labels(text.substr(1));
            if (!target) {
                error.message = "no object is labelled '" + text.substr(1) + "'";
                return false;
            }
            if (target->section != section) {
                error.message = "'" + text.substr(1) + "' is a " + objectKind(target->section).tracks->kind + ", not a " +
                                objectKind(section).tracks->kind;
                return false;
            }
            x = static_cast<float>(target->index);
        } else if (!parseFloatText(text, x)) {
            error.message = "bad value '" + text + "' for " + name;
            if (value->names) {
                error.message += " (";
                for (size_t i = 0; i < value->names->modes.size(); ++i)
                    error.message += (i ? ", " : "") + std::string(value->names->modes[i].name);
                error.message += " or a number)";
            }
            return false;
        }
        if (!inRange(*value, x)) {
            error.message = name + "=" + text + " is out of range (" + floatText(value->minimum) + " to " +
                            floatText(value->maximum) + "; v" + std::to_string(value->slot) + "= takes any value)";
            return false;
        }
        values[value->slot] = x;
        return true;
    }
    // The groups outlive the look-up: the group found points into them.
    const std::vector<ColourGroup> groups = colourGroupsOf(*row);
    if (const ColourGroup* group = findGroup(groups, name)) {
        error.inValue = true;
        const bool hexDigits = text.size() > 1 && text.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos;
        const size_t channels = (text.size() - 1) / 2;
        if (text[0] != '#' || !hexDigits || (text.size() != 7 && text.size() != 9) || (channels == 4 && !group->channel[3])) {
            error.message = "bad colour '" + text + "' for " + name + (group->channel[3] ? " (#rrggbb or #rrggbbaa)" : " (#rrggbb)");
            return false;
        }
        for (size_t c = 0; c < channels; ++c)
            values[group->channel[c]->slot] = static_cast<float>(std::stoi(text.substr(1 + 2 * c, 2), nullptr, 16));
        return true;
    }
    error.message = std::string(row->name) + " has no value named '" + name + "'";
    return false;
}

std::vector<std::string> namedValueWords(const TrackRow* row, const ProjectBuilder::Values& values,
                                         const ValueSpelling& spell)
{
    const ProjectBuilder::Values defaults = defaultValues(row);
    std::vector<std::string> words;
    bool written[TRACK_VALUES] = {};
    auto raw = [&](int slot) {
        words.push_back("v" + std::to_string(slot) + "=" + spell(slot, values[slot], nullptr));
        written[slot] = true;
    };
    auto named = [&](const TrackValue& value) {
        const float x = values[value.slot];
        written[value.slot] = true;
        // Only a whole number within int32 can name a mode.
        if (value.names && std::nearbyint(x) == x && !(x == 0 && std::signbit(x)) && x >= -2147483648.0f &&
            x < 2147483648.0f)
            if (const ModeName* mode = findMode(*value.names, static_cast<int32_t>(x))) {
                words.push_back(std::string(value.name) + "=" + mode->name);
                return;
            }
        if (!inRange(value, x)) {
            raw(value.slot);
            return;
        }
        words.push_back(std::string(value.name) + "=" + spell(value.slot, x, &value));
    };
    // Whole colours where their channels are bytes; each at its first channel's slot.
    std::string colourAt[TRACK_VALUES];
    if (row)
        for (const ColourGroup& group : colourGroupsOf(*row)) {
            bool differs = false, bytes = true;
            int first = TRACK_VALUES;
            for (const TrackValue* channel : group.channel) {
                if (!channel) continue;
                const float x = values[channel->slot];
                differs |= !sameBits(x, defaults[channel->slot]);
                bytes &= isByte(x) && inRange(*channel, x);
                first = std::min(first, static_cast<int>(channel->slot));
            }
            if (!differs || !bytes) continue;
            std::string text = group.name + "=#";
            for (const TrackValue* channel : group.channel) {
                if (!channel) continue;
                char hex[4];
                std::snprintf(hex, sizeof hex, "%02x", static_cast<int>(values[channel->slot]));
                text += hex;
                written[channel->slot] = true;
            }
            colourAt[first] = text;
        }
    for (int slot = 0; slot < TRACK_VALUES; ++slot) {
        if (!colourAt[slot].empty()) words.push_back(colourAt[slot]);
        if (written[slot]) continue;
        const TrackValue* declared = nullptr;
        if (row)
            for (const TrackValue& v : row->values)
                if (v.slot == slot) declared = &v;
        // A value given by label is worth reading even at its default.
        const bool label = declared && spell(slot, values[slot], declared)[0] == '@';
        if (sameBits(values[slot], defaults[slot]) && !label) continue;
        if (declared) named(*declared);
        else raw(slot);
    }
    if (words.empty())
        for (int slot = 0; slot < TRACK_VALUES; ++slot)
            if (!sameBits(defaults[slot], 0.0f)) {
                const TrackValue* value = nullptr;
                for (const TrackValue& v : row->values)
                    if (v.slot == slot) value = &v;
                named(*value);
                break;
            }
    return words;
}

uint32_t initialFlags(const TrackRow* row, uint8_t id, bool namedForm)
{
    uint32_t flags = TRACK_APPLY | id;
    if (row && namedForm)
        for (const FlagField& field : row->fields) flags = (flags & ~field.mask()) | field.bits(field.defaultValue);
    return flags;
}

std::vector<std::string> flagWords(const TrackRow* row, uint32_t flags, bool hasKeys, bool namedForm)
{
    std::vector<std::string> words;
    uint32_t rest = flags & ~(0xFFu | TRACK_APPLY | TRACK_ANIMATED);
    if (row)
        for (const FlagField& field : row->fields) {
            rest &= ~field.mask();
            const uint32_t v = field.of(flags), d = namedForm ? field.defaultValue : 0;
            if (v == d) continue;
            if (field.width == 1) {
                words.push_back(v ? field.name : std::string(field.name) + "=0");
                continue;
            }
            const ModeName* mode = field.names ? findMode(*field.names, static_cast<int32_t>(v)) : nullptr;
            words.push_back(std::string(field.name) + "=" + (mode ? mode->name : std::to_string(v)));
        }
    // Operands the row does not read are still written by name; they start from 0.
    for (const FlagField& field : stepFields()) {
        const uint32_t v = field.of(rest);
        if (v == 0 || isValueName(row, field.name)) continue;  // Fog's mode= is its value; bits go in flags=

        rest &= ~field.mask();
        const ModeName* mode = field.names ? findMode(*field.names, static_cast<int32_t>(v)) : nullptr;
        words.push_back(field.width == 1 ? std::string(field.name)
                                         : std::string(field.name) + "=" + (mode ? mode->name : std::to_string(v)));
    }
    if (!(flags & TRACK_APPLY)) words.push_back("noapply");
    if (hasKeys && !(flags & TRACK_ANIMATED)) words.push_back("still");
    if (!hasKeys && (flags & TRACK_ANIMATED)) rest |= TRACK_ANIMATED;
    if (rest) {
        char text[24];
        std::snprintf(text, sizeof text, "flags=0x%x", rest);
        words.push_back(text);
    }
    return words;
}
