#include "authoring/authoring_doc.h"

#include <vector>

#include "authoring/float_text.h"
#include "authoring/named_values.h"
#include "scene/object_kinds.h"

namespace {

const char* roleText(TrackRole role)
{
    switch (role) {
    case TrackRole::Param: return "param";
    case TrackRole::Layer: return "param (layer)";
    case TrackRole::Build: return "build";
    case TrackRole::Generator: return "build (generator)";
    }
    return "";
}

std::string modeNames(const ModeList* list)
{
    if (!list) return "";
    std::string text;
    for (const ModeName& mode : list->modes) text += (text.empty() ? "" : ", ") + std::string("`") + mode.name + "`";
    return text;
}

void addList(std::vector<const ModeList*>& lists, const ModeList* list)
{
    if (!list) return;
    for (const ModeList* known : lists)
        if (known == list) return;
    lists.push_back(list);
}

}  // namespace

std::string trackTablesMarkdown()
{
    std::string out;
    std::vector<const ModeList*> lists = {&keyModeNames};
    for (int section = 0; section < SECTION_COUNT; ++section) {
        const TrackTable* table = objectKind(static_cast<SectionKind>(section)).tracks;
        out += "### " + std::string(table->kind) + "\n\n";
        out += "| Track | Id | Line | What it does |\n|---|---|---|---|\n";
        for (const TrackRow& row : table->rows)
            out += "| `" + std::string(row.name) + "` | " + std::to_string(row.id) + " | " + roleText(row.role) + " | " +
                   (row.summary ? row.summary : "") + " |\n";
        out += "\n| Track | Value | Slot | Unit | Range | Default | Names |\n|---|---|---|---|---|---|---|\n";
        for (const TrackRow& row : table->rows) {
            const std::string head = "| `" + std::string(row.name) + "`";
            if (row.values.empty() && row.fields.empty())
                out += head + " | " + (row.readsName ? "the track's \"name\"" : "none") + " | | | | | |\n";
            for (const TrackValue& v : row.values) {
                out += head + " | `" + v.name + "` | " + std::to_string(v.slot) + " | " + valueUnitMeaning(v.unit) + " | " +
                       floatText(v.minimum) + " to " + floatText(v.maximum) + " | " + floatText(v.defaultValue) +
                       " | " + modeNames(v.names) + " |\n";
                addList(lists, v.names);
            }
            for (const ColourGroup& group : colourGroupsOf(row))
                out += head + " | `" + group.name + "` | | " + (group.channel[3] ? "#rrggbbaa" : "#rrggbb") +
                       " | channel ranges | channel defaults | |\n";
            for (const FlagField& field : row.fields) {
                out += head + " | `" + field.name + "` | flag bits " + std::to_string(field.shift) + "-" +
                       std::to_string(field.shift + field.width - 1) + " | " +
                       (field.names ? "mode" : field.width == 1 ? "on or off" : "number") + " | 0 to " +
                       std::to_string((1 << field.width) - 1) + " | " + std::to_string(field.defaultValue) + " | " +
                       modeNames(field.names) + " |\n";
                addList(lists, field.names);
            }
        }
        out += "\n";
    }
    out += "### Named modes\n\n";
    for (const ModeList* list : lists) {
        out += "| " + std::string(list->title) + " | Value | Meaning |\n|---|---|---|\n";
        for (const ModeName& mode : list->modes)
            out += "| `" + std::string(mode.name) + "` | " + std::to_string(mode.value) + " | " + mode.rule + " |\n";
        out += "\n";
    }
    return out;
}
