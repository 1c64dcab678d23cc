#include "authoring/project_source.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <sstream>

#include "scene/object_kinds.h"
#include "texture/operators.h"
#include "authoring/beat_time.h"
#include "authoring/float_text.h"
#include "authoring/named_values.h"
#include "authoring/source_tokens.h"

namespace {

bool inObjectTime(const ProjectBuilder::Object& object, float time)
{
    return time >= object.startTime && time <= object.endTime;
}

bool parseUnsigned(const std::string& text, unsigned long maximum, unsigned long& out)
{
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (*end != '\0' || errno != 0 || value > maximum) return false;
    out = value;
    return true;
}

// The filtering bit was once written `smooth`, which is also a key mode; the
// old word still sets it on a track line, where no key mode can stand.
constexpr const char* OLD_FILTERED_WORD = "smooth";

class SourceParser {
public:
    SourceParser(const std::string& fileName, ProjectBuilder& project, bool checkKeyTimes)
        : fileName_(fileName), project_(project), checkKeyTimes_(checkKeyTimes)
    {
    }

    bool parse(const std::string& text, std::string& error)
    {
        // Labels first, so that any object can refer to any other.
        if (!forEachLine(text, error, [&](std::vector<Token>& tokens) { return collectLabel(tokens); })) return false;
        return forEachLine(text, error, [&](std::vector<Token>& tokens) { return parseLine(tokens); });
    }

private:
    template <class Handler>
    bool forEachLine(const std::string& text, std::string& error, Handler handler)
    {
        std::istringstream lines(text);
        std::string line;
        line_ = 0;
        object_ = nullptr;
        track_ = nullptr;
        std::vector<Token> tokens;
        while (std::getline(lines, line)) {
            ++line_;
            if (!tokenizeLine(line, tokens, message_, column_) || (!tokens.empty() && !handler(tokens))) {
                error = fileName_ + ":" + std::to_string(line_) + ":" + std::to_string(column_) + ": " + message_;
                return false;
            }
        }
        return true;
    }

    bool fail(const Token& at, const std::string& message, int offset = 0)
    {
        column_ = at.column + offset;
        message_ = message;
        return false;
    }

    bool collectLabel(std::vector<Token>& tokens)
    {
        const ObjectKind* kind = findObjectKind(tokens[0].text);
        if (!kind || tokens[0].quoted) return true;
        const int index = sectionCounts_[static_cast<int>(kind->section)]++;
        if (tokens.size() > 1 && tokens[1].text != "from" && tokens[1].text != "to" && !tokens[1].quoted) {
            if (labels_.count(tokens[1].text)) return fail(tokens[1], "the label '" + tokens[1].text + "' is used twice");
            labels_[tokens[1].text] = {kind->section, index};
        }
        return true;
    }

    LabelLookup labelLookup()
    {
        return [this](const std::string& label) -> const LabelTarget* {
            const auto found = labels_.find(label);
            return found == labels_.end() ? nullptr : &found->second;
        };
    }

    bool parseLine(std::vector<Token>& tokens)
    {
        const std::string& word = tokens[0].text;
        if (const ObjectKind* kind = findObjectKind(word)) return parseObject(*kind->tracks, tokens);
        if (word == "param" || word == "build") return parseTrack(tokens, word == "build");
        if (word == "key") return parseKey(tokens);
        if (word == "tempo") return parseTempo(tokens);
        return fail(tokens[0], "expected an object kind, 'param', 'build', 'key' or 'tempo', not '" + word + "'");
    }

    bool time(const Token& token, float& seconds)
    {
        std::string error;
        return parseShowTime(token.text, tempo_, seconds, error) || fail(token, error);
    }

    bool parseTempo(std::vector<Token>& tokens)
    {
        if (tempo_.beatsPerMinute > 0) return fail(tokens[0], "the source names its tempo once");
        float bpm = 0;
        if (tokens.size() < 2 || !parseFloatText(tokens[1].text, bpm) || !(bpm > 0 && bpm <= 1000))
            return fail(tokens.size() < 2 ? tokens[0] : tokens[1], "a tempo needs beats per minute above 0, at most 1000");
        tempo_.beatsPerMinute = bpm;
        for (size_t i = 2; i < tokens.size(); ++i) {
            unsigned long beats = 0;
            const std::string prefix = "beatsPerBar=";
            if (tokens[i].text.rfind(prefix, 0) != 0) return fail(tokens[i], "expected beatsPerBar=N, not '" + tokens[i].text + "'");
            if (!parseUnsigned(tokens[i].text.substr(prefix.size()), 64, beats) || beats == 0)
                return fail(tokens[i], "beats per bar are 1 to 64", static_cast<int>(prefix.size()));
            tempo_.beatsPerBar = static_cast<int>(beats);
        }
        return true;
    }

    bool parseObject(const TrackTable& kind, std::vector<Token>& tokens)
    {
        object_ = &project_.add(kind.section);
        kind_ = &kind;
        track_ = nullptr;
        size_t i = 1;
        if (i < tokens.size() && tokens[i].text != "from" && tokens[i].text != "to") {
            if (!tokens[i].quoted) object_->label = tokens[i].text;
            ++i;
        }
        for (; i < tokens.size(); i += 2) {
            if (tokens[i].text != "from" && tokens[i].text != "to")
                return fail(tokens[i], "expected 'from' or 'to', not '" + tokens[i].text + "'");
            if (i + 1 >= tokens.size()) return fail(tokens[i], "'" + tokens[i].text + "' needs a time");
            if (!time(tokens[i + 1], tokens[i].text == "from" ? object_->startTime : object_->endTime)) return false;
        }
        return true;
    }

    // A name=value word that gives a value, not a flag operand.
    bool isNamedValue(const Token& token) const
    {
        return !token.quoted && token.text.find('=') != std::string::npos && !isWord(token);
    }

    // Reads the values of a track or key line, named or in order; `other`
    // handles the words that are no values (flag words), false when unknown.
    template <class Other>
    bool readValues(std::vector<Token>& tokens, size_t first, ProjectBuilder::Values& values, bool& named, Other other)
    {
        const Token* firstNamed = nullptr;
        const Token* firstInOrder = nullptr;
        for (size_t i = first; i < tokens.size(); ++i) {
            if (isWord(tokens[i])) continue;
            if (isNamedValue(tokens[i])) {
                if (!firstNamed) firstNamed = &tokens[i];
            } else if (!firstInOrder) {
                firstInOrder = &tokens[i];
            }
        }
        if (firstNamed && firstInOrder)
            return fail(*(firstNamed->column > firstInOrder->column ? firstNamed : firstInOrder),
                        "values are given in order or by name, not both on one line");
        named = firstNamed != nullptr;
        values = named ? defaultValues(row_) : ProjectBuilder::Values{};
        size_t count = 0;
        for (size_t i = first; i < tokens.size(); ++i) {
            const Token& token = tokens[i];
            if (isWord(token)) {
                if (!other(token)) return false;
            } else if (named) {
                const size_t equals = token.text.find('=');
                NamedWordError error;
                if (!applyNamedValue(row_, token.text.substr(0, equals), token.text.substr(equals + 1), labelLookup(),
                                     values, error))
                    return fail(token, error.message, error.inValue ? static_cast<int>(equals) + 1 : 0);
            } else {
                if (count == TRACK_VALUES) return fail(token, "a line has at most 12 values");
                std::string error;
                if (!parseRawValue(token.text, labelLookup(), values[count++], error)) return fail(token, error);
            }
        }
        return true;
    }

    // Quoted names and flag words: anything that is no value.
    bool isWord(const Token& token) const
    {
        if (token.quoted) return true;
        const std::string& t = token.text;
        if (t == "noapply" || t == "still" || t == "unchecked" || t == OLD_FILTERED_WORD) return true;
        if (t.rfind("flags=", 0) == 0) return true;
        const size_t equals = t.find('=');
        if (equals != std::string::npos && isValueName(row_, t.substr(0, equals))) return false;
        for (const FlagField& field : stepFields())
            if ((field.width == 1 && t == field.name) || (equals != std::string::npos && t.substr(0, equals) == field.name))
                return true;
        return false;
    }

    bool parseTrack(std::vector<Token>& tokens, bool isBuild)
    {
        if (!object_) return fail(tokens[0], "a track needs an object above it");
        if (tokens.size() < 2) return fail(tokens[0], "a track needs an id or a name");
        unsigned long id = 0;
        if (parseUnsigned(tokens[1].text, 255, id)) {
            row_ = findTrackRow(*kind_, static_cast<uint8_t>(id));
        } else {
            row_ = findTrackRow(*kind_, tokens[1].text);
            if (!row_) return fail(tokens[1], "a " + std::string(kind_->kind) + " has no track named '" + tokens[1].text + "'");
            id = row_->id;
        }
        track_ = isBuild ? &object_->build(static_cast<uint8_t>(id)) : &object_->param(static_cast<uint8_t>(id));
        still_ = unchecked_ = false;
        std::vector<const Token*> words;
        bool named = false;
        if (!readValues(tokens, 2, track_->value, named, [&](const Token& t) {
                words.push_back(&t);
                return true;
            }))
            return false;
        track_->flags = initialFlags(row_, static_cast<uint8_t>(id), named);
        for (const Token* word : words)
            if (!trackWord(*word)) return false;
        return true;
    }

    bool trackWord(const Token& token)
    {
        const std::string& word = token.text;
        if (token.quoted) {
            if (!track_->name.empty()) return fail(token, "a track has one name only");
            track_->name = word;
            return true;
        }
        if (word == "noapply") track_->flags &= ~TRACK_APPLY;
        else if (word == "still") {
            still_ = true;
            track_->flags &= ~TRACK_ANIMATED;
        } else if (word == "unchecked") unchecked_ = true;
        else if (word == OLD_FILTERED_WORD) track_->flags |= STEP_SMOOTH.bits(1);
        else if (word.rfind("flags=", 0) == 0) {
            unsigned long n = 0;
            if (!parseUnsigned(word.substr(6), 0xFFFFFFFFul, n)) return fail(token, "bad flags value '" + word.substr(6) + "'", 6);
            track_->flags |= static_cast<uint32_t>(n);
        } else {
            return flagOperand(token);
        }
        return true;
    }

    // A flag-word operand: a one-bit one by its name, any by name=value,
    // the value by one of its names or as a number.
    bool flagOperand(const Token& token)
    {
        const std::string& word = token.text;
        for (const FlagField& field : stepFields()) {
            if (field.width == 1 && word == field.name) {
                track_->flags |= field.bits(1);
                return true;
            }
            const std::string prefix = std::string(field.name) + "=";
            if (word.rfind(prefix, 0) != 0) continue;
            const std::string text = word.substr(prefix.size());
            unsigned long n = 0;
            if (const ModeName* mode = field.names ? findMode(*field.names, text) : nullptr)
                n = static_cast<unsigned long>(mode->value);
            else if (!parseUnsigned(text, (1ul << field.width) - 1, n))
                return fail(token, "bad " + prefix + " value '" + text + "'", static_cast<int>(prefix.size()));
            track_->flags = (track_->flags & ~field.mask()) | field.bits(static_cast<uint32_t>(n));
            return true;
        }
        return fail(token, "unknown word '" + word + "'");
    }

    bool parseKey(std::vector<Token>& tokens)
    {
        if (!track_) return fail(tokens[0], "a key needs a track above it");
        if (tokens.size() < 3) return fail(tokens[0], "a key needs a time and a mode");
        float at = 0;
        if (!time(tokens[1], at)) return false;
        unsigned long mode = 0;
        const std::string& m = tokens[2].text;
        if (const ModeName* named = findMode(keyModeNames, m)) mode = static_cast<unsigned long>(named->value);
        else if (!parseUnsigned(m, 255, mode)) return fail(tokens[2], "bad key mode '" + m + "' (step, local, smooth or 0-255)");
        ProjectBuilder::Values values{};
        bool named = false;
        if (!readValues(tokens, 3, values, named,
                        [&](const Token& t) { return fail(t, "a key takes values only, not '" + t.text + "'"); }))
            return false;
        if (!unchecked_ && checkKeyTimes_) {
            if (!track_->keys.empty() && !(at >= track_->keys.back().time))
                return fail(tokens[1], "keys must come in ascending time");
            if (!inObjectTime(*object_, at))
                return fail(tokens[1], "the key at " + floatText(at) + " s lies outside its object's time, " +
                                           floatText(object_->startTime) + " to " + floatText(object_->endTime) + " s");
        }
        track_->key(at, static_cast<uint8_t>(mode), values);
        if (still_) track_->flags &= ~TRACK_ANIMATED;
        return true;
    }

    std::string fileName_;
    ProjectBuilder& project_;
    bool checkKeyTimes_;
    std::map<std::string, LabelTarget> labels_;
    int sectionCounts_[SECTION_COUNT] = {};
    Tempo tempo_;
    int line_ = 0;
    int column_ = 1;
    std::string message_;
    ProjectBuilder::Object* object_ = nullptr;
    const TrackTable* kind_ = nullptr;
    const TrackRow* row_ = nullptr;
    ProjectBuilder::Track* track_ = nullptr;
    bool still_ = false;
    bool unchecked_ = false;
};

}  // namespace

bool parseProjectSource(const std::string& text, const std::string& fileName, ProjectBuilder& project,
                        std::string& error, bool checkKeyTimes)
{
    SourceParser parser(fileName, project, checkKeyTimes);
    return parser.parse(text, error);
}

bool keysInOrderAndTime(const ProjectBuilder::Object& object, const ProjectBuilder::Track& track)
{
    for (size_t k = 0; k < track.keys.size(); ++k) {
        const float t = track.keys[k].time;
        if ((k > 0 && !(t >= track.keys[k - 1].time)) || !inObjectTime(object, t)) return false;
    }
    return true;
}
