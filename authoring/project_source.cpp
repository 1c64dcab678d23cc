#include "authoring/project_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <sstream>

#include "authoring/engine_keys.h"
#include "authoring/float_text.h"
#include "authoring/idle_tracks.h"
#include "authoring/music_clock.h"
#include "authoring/named_values.h"
#include "authoring/source_tokens.h"
#include "core/numeric.h"
#include "core/timeline.h"
#include "mesh/mesh_tracks.h"
#include "scene/object_kinds.h"
#include "texture/operators.h"

namespace {

using Key = ProjectBuilder::Key;

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

// Where a word stood, for messages about it after the line is read.
struct Place {
    int line = 0;
    int column = 1;
};

// A time span of the show: from `start` up to, not including, `end`; a span
// that ends at the show's end includes it (the show draws that frame).
struct Span {
    float start, end;
};

// What the source said about an object beyond what is written into it.
struct ObjectNotes {
    Place at;
    bool toGiven = false, through = false;
    float from = 0, to = 0;            // as written
    std::vector<Token> scenes;          // `in @a,@b`: each label's word
    Place scenesAt;
};

struct TrackNotes {
    size_t object;
    size_t index;       // in the object's param or build tracks
    bool build;
    bool exact = false;  // `exact` or `unchecked`: written as it stands
    Place at;
    std::vector<Place> keys;
};

class SourceParser {
public:
    SourceParser(const std::string& fileName, ProjectBuilder& project, const SourceOptions& options)
        : fileName_(fileName), project_(project), options_(options)
    {
    }

    bool parse(const std::string& text, std::string& error)
    {
        // Labels first, so that any object can refer to any other.
        if (!forEachLine(text, error, [&](std::vector<Token>& tokens) { return collectLabel(tokens); })) return false;
        if (!forEachLine(text, error, [&](std::vector<Token>& tokens) { return parseLine(tokens); })) return false;
        if (!finish()) {
            error = placed(failedAt_, message_);
            return false;
        }
        if (options_.facts) {
            options_.facts->warnings = warnings_;
            options_.facts->tempo = tempo_;
            options_.facts->length = length_;
            options_.facts->musicFile = musicFile_;
        }
        return true;
    }

private:
    std::string placed(const Place& at, const std::string& message) const
    {
        return fileName_ + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + withShortEchoes(message);
    }

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
                error = placed({line_, column_}, message_);
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

    // A fault found after every line is read.
    bool failAt(const Place& at, const std::string& message)
    {
        failedAt_ = at;
        message_ = message;
        return false;
    }

    Place here(const Token& token) const { return {line_, token.column}; }

    bool collectLabel(std::vector<Token>& tokens)
    {
        const ObjectKind* kind = findObjectKind(tokens[0].text);
        if (!kind || tokens[0].quoted) return true;
        const int index = sectionCounts_[static_cast<int>(kind->section)]++;
        if (tokens.size() > 1 && !isObjectWord(tokens[1].text) && !tokens[1].quoted) {
            if (labels_.count(tokens[1].text)) return fail(tokens[1], "the label '" + tokens[1].text + "' is used twice");
            labels_[tokens[1].text] = {kind->section, index};
        }
        return true;
    }

    static bool isObjectWord(const std::string& word)
    {
        return word == "from" || word == "to" || word == "through" || word == "in";
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
        if (word == "music") return parseMusic(tokens);
        if (word == "length") return parseLength(tokens);
        return fail(tokens[0], "expected an object kind, 'param', 'build', 'key', 'tempo', 'music' or 'length', not '" +
                                   word + "'");
    }

    bool time(const Token& token, float& seconds)
    {
        std::string error;
        return parseShowTime(token.text, tempo_, seconds, error) || fail(token, error);
    }

    // beatsPerBar=N, speed=S, rowsPerBeat=R words of a tempo or music line.
    bool clockWords(std::vector<Token>& tokens, size_t first, bool speedAllowed)
    {
        for (size_t i = first; i < tokens.size(); ++i) {
            const std::string& word = tokens[i].text;
            const size_t equals = word.find('=');
            const std::string name = word.substr(0, equals == std::string::npos ? 0 : equals);
            int* target = name == "beatsPerBar" ? &tempo_.beatsPerBar
                        : name == "rowsPerBeat" ? &tempo_.rowsPerBeat
                        : name == "speed" && speedAllowed ? &tempo_.speed
                                                          : nullptr;
            if (!target)
                return fail(tokens[i], std::string("expected beatsPerBar=N") + (speedAllowed ? ", speed=S" : "") +
                                           " or rowsPerBeat=R, not '" + word + "'");
            const unsigned long maximum = name == "speed" ? 31 : name == "beatsPerBar" ? 64 : 256;
            unsigned long n = 0;
            if (!parseUnsigned(word.substr(equals + 1), maximum, n) || n == 0)
                return fail(tokens[i], name + " is 1 to " + std::to_string(maximum), static_cast<int>(equals) + 1);
            *target = static_cast<int>(n);
        }
        return true;
    }

    bool parseTempo(std::vector<Token>& tokens)
    {
        if (tempo_.known()) return fail(tokens[0], "the source names its tempo or music once");
        unsigned long bpm = 0;
        if (tokens.size() < 2 || !parseUnsigned(tokens[1].text, 1000, bpm) || bpm == 0)
            return fail(tokens.size() < 2 ? tokens[0] : tokens[1],
                        "a tempo needs beats per minute, a whole number from 1 to 1000 (the player plays whole ones)");
        tempo_.beatsPerMinute = static_cast<int>(bpm);
        return clockWords(tokens, 2, true);
    }

    bool parseMusic(std::vector<Token>& tokens)
    {
        if (tempo_.known()) return fail(tokens[0], "the source names its tempo or music once");
        if (tokens.size() < 2) return fail(tokens[0], "'music' needs a file: a tune source or an XM module");
        if (!clockWords(tokens, 2, false)) return false;
        musicFile_ = besideSource(tokens[1].text);
        if (!options_.readsFiles) return fail(tokens[1], "this compile reads no files");
        std::string error;
        if (!musicRowFrames(musicFile_, tempo_.rowFrames, error)) return fail(tokens[1], error);
        if (tempo_.rowFrames.size() < 2) return fail(tokens[1], musicFile_ + " plays no rows");
        return true;
    }

    // A file named in the source, from the source's own folder.
    std::string besideSource(const std::string& name) const
    {
        if (!name.empty() && name[0] == '/') return name;
        const size_t slash = fileName_.rfind('/');
        return slash == std::string::npos ? name : fileName_.substr(0, slash + 1) + name;
    }

    bool parseLength(std::vector<Token>& tokens)
    {
        if (lengthAt_.line) return fail(tokens[0], "the source names its length once");
        if (tokens.size() != 2) return fail(tokens[0], "'length' needs one time, when the show ends");
        float seconds = 0;
        if (!time(tokens[1], seconds)) return false;
        if (!(seconds >= TimelineLength::seconds.minimum && seconds <= TimelineLength::seconds.maximum))
            return fail(tokens[1], "a show lasts from " + floatText(TimelineLength::seconds.minimum) + " to " +
                                       floatText(TimelineLength::seconds.maximum) + " seconds");
        length_ = seconds;
        lengthAt_ = here(tokens[1]);
        return true;
    }

    bool parseObject(const TrackTable& kind, std::vector<Token>& tokens)
    {
        object_ = &project_.add(kind.section);
        objectNotes_.push_back({});
        ObjectNotes& notes = objectNotes_.back();
        notes.at = here(tokens[0]);
        // Counts are bytes in project data: refused where they pass one.
        const auto inSection = std::count_if(objects().begin(), objects().end(),
                                             [&](const ProjectBuilder::Object& o) { return o.section == kind.section; });
        if (kind.section != SectionKind::Timeline && inSection > 255)
            return fail(tokens[0], "a project holds at most 255 objects of a kind: this is " + std::string(kind.kind) +
                                       " " + std::to_string(inSection));
        kind_ = &kind;
        track_ = nullptr;
        size_t i = 1;
        if (i < tokens.size() && !isObjectWord(tokens[i].text)) {
            if (!tokens[i].quoted) object_->label = tokens[i].text;
            ++i;
        }
        bool fromGiven = false;
        for (; i < tokens.size(); i += 2) {
            const std::string& word = tokens[i].text;
            if (!isObjectWord(word) || tokens[i].quoted)
                return fail(tokens[i], "expected 'from', 'to', 'through' or 'in', not '" + word + "'");
            if (i + 1 >= tokens.size())
                return fail(tokens[i], "'" + word + "' needs " + (word == "in" ? "a scene, @label" : "a time"));
            if (word == "in") {
                if (fromGiven || notes.toGiven)
                    return fail(tokens[i], "an object 'in' a scene takes its times from the scene, not from 'from' or 'to'");
                if (!parseScenes(tokens[i], tokens[i + 1], notes)) return false;
                continue;
            }
            if (!notes.scenes.empty()) return fail(tokens[i], "an object 'in' a scene takes its times from the scene");
            float& at = word == "from" ? notes.from : notes.to;
            if (!time(tokens[i + 1], at)) return false;
            if (word == "from") {
                fromGiven = true;
            } else {
                if (notes.toGiven) return fail(tokens[i], "give 'to' or 'through' once");
                notes.toGiven = true;
                notes.through = word == "through";
            }
        }
        object_->startTime = notes.from;
        object_->endTime = notes.to;  // placed once the show's length is known
        return true;
    }

    bool parseScenes(const Token& in, const Token& list, ObjectNotes& notes)
    {
        const SectionKind section = object_->section;
        if (section != SectionKind::Mesh && section != SectionKind::Light && section != SectionKind::ParticleSystem)
            return fail(in, "only a mesh, a light or a particle system belongs to scenes ('in')");
        if (!notes.scenes.empty()) return fail(in, "give the scenes in one 'in', as @a,@b");
        notes.scenesAt = here(in);
        size_t start = 0;
        const std::string& text = list.text;
        while (start <= text.size()) {
            const size_t comma = std::min(text.find(',', start), text.size());
            Token scene{text.substr(start, comma - start), false, list.column + static_cast<int>(start)};
            if (scene.text.size() < 2 || scene.text[0] != '@')
                return fail(scene, "a scene is named by its label: @label, not '" + scene.text + "'");
            const LabelTarget* target = labelLookup()(scene.text.substr(1));
            if (!target) return fail(scene, "no object is labelled '" + scene.text.substr(1) + "'");
            if (target->section != SectionKind::Scene) return fail(scene, "'" + scene.text.substr(1) + "' is not a scene");
            notes.scenes.push_back(scene);
            start = comma + 1;
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
        if (t == "noapply" || t == "still" || t == "unchecked" || t == "exact" || t == OLD_FILTERED_WORD) return true;
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
        std::vector<ProjectBuilder::Track>& list = isBuild ? object_->buildTracks : object_->paramTracks;
        track_ = isBuild ? &object_->build(static_cast<uint8_t>(id)) : &object_->param(static_cast<uint8_t>(id));
        if (list.size() > 255)
            return fail(tokens[0], std::string("an object has at most 255 ") + (isBuild ? "build" : "param") +
                                       " tracks: this is track " + std::to_string(list.size()));
        TrackNotes notes;
        notes.object = objectNotes_.size() - 1;
        notes.index = list.size() - 1;
        notes.build = isBuild;
        notes.at = here(tokens[1]);
        trackNotes_.push_back(notes);
        still_ = false;
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
        } else if (word == "unchecked" || word == "exact") trackNotes_.back().exact = true;
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
        TrackNotes& notes = trackNotes_.back();
        if (!notes.exact && options_.checkKeyTimes) {
            if (!track_->keys.empty() && !(at > track_->keys.back().time))
                return fail(tokens[1], track_->keys.back().time == at
                                           ? "two keys at one time: the second would never show ('exact' keeps both)"
                                           : "keys must come in ascending time");
            const ObjectNotes& object = objectNotes_.back();
            // An object in scenes has its times once every line is read; the
            // Timeline animates while the show runs, whatever its own times.
            if (object.scenes.empty() && object_->section != SectionKind::Timeline && !(at >= object.from && at <= object.to))
                return fail(tokens[1], "the key at " + floatText(at) + " s lies outside its object's time, " +
                                           floatText(object.from) + " to " + floatText(object.to) + " s");
        }
        track_->key(at, static_cast<uint8_t>(mode), values);
        if (track_->keys.size() > 255)
            return fail(tokens[0], "a track has at most 255 keys: this is key " + std::to_string(track_->keys.size()));
        notes.keys.push_back(here(tokens[1]));
        if (still_) track_->flags &= ~TRACK_ANIMATED;
        return true;
    }

    // ---- once every line is read ----------------------------------------

    ProjectBuilder::Track& trackOf(const TrackNotes& notes)
    {
        ProjectBuilder::Object& object = objects()[notes.object];
        return (notes.build ? object.buildTracks : object.paramTracks)[notes.index];
    }

    std::vector<ProjectBuilder::Object>& objects() { return const_cast<std::vector<ProjectBuilder::Object>&>(project_.objects()); }

    bool finish()
    {
        if (!checkIdleTracks() || !placeLength()) return false;
        // `to` ends an object before the frame at its time, as a cut does;
        // `through`, or a `to` at the show's end, keeps that frame (the show
        // draws the frame at its very end).
        for (size_t o = 0; o < objectNotes_.size(); ++o) {
            const ObjectNotes& notes = objectNotes_[o];
            if (notes.toGiven && !notes.through && notes.to > notes.from && notes.to < length_)
                objects()[o].endTime = justBefore(notes.to);
        }
        if (!placeInScenes()) return false;
        // Older sources key the Timeline past the show's end (where the last
        // key used to be needed): never reached, so only a warning.
        for (const TrackNotes& notes : trackNotes_) {
            if (objects()[notes.object].section != SectionKind::Timeline || notes.exact) continue;
            const ProjectBuilder::Track& track = trackOf(notes);
            for (size_t k = 0; k < track.keys.size(); ++k)
                if (track.keys[k].time > length_)
                    warnings_.push_back(placed(notes.keys[k], "the key at " + floatText(track.keys[k].time) +
                                                                   " s lies past the show's end at " + floatText(length_) +
                                                                   " s: it is never reached"));
        }
        for (const TrackNotes& notes : trackNotes_) {
            ProjectBuilder::Track& track = trackOf(notes);
            if (notes.exact || notes.build || track.keys.empty() || !(track.flags & TRACK_ANIMATED)) continue;
            track.keys = engineKeys(track.keys, holdUntil(notes.object));
        }
        splitVisits();
        return true;
    }

    // An older source (compiled without the checks, for its upgrade) keeps
    // the tracks the checks would refuse as they stand, as its upgrade marks
    // them `exact` or `unchecked`.
    bool checkIdleTracks()
    {
        for (TrackNotes& notes : trackNotes_) {
            if (notes.exact) continue;
            const ProjectBuilder::Object& object = objects()[notes.object];
            const ProjectBuilder::Track& track = trackOf(notes);
            if (!options_.checkKeyTimes && objectNotes_[notes.object].scenes.empty() && !keysInOrderAndTime(object, track))
                notes.exact = true;
            for (const IdlePart& part : idlePartsOf(*objectKind(object.section).tracks, track, notes.build)) {
                if (part.refused && !options_.checkKeyTimes) notes.exact = true;
                else if (part.refused) return failAt(notes.at, part.reason + " ('exact' keeps it as data)");
                else warnings_.push_back(placed(notes.at, part.reason));
            }
        }
        return true;
    }

    size_t timelineObject()
    {
        for (size_t i = 0; i < objects().size(); ++i)
            if (objects()[i].section == SectionKind::Timeline) return i;
        return objects().size();
    }

    // `length` is the Timeline's Length track; a source that keys one itself
    // gives its length that way.
    bool placeLength()
    {
        // Every timeline entry adds its tracks to the one Timeline.
        const ProjectBuilder::Track* given = nullptr;
        for (const ProjectBuilder::Object& object : objects())
            if (object.section == SectionKind::Timeline)
                for (const ProjectBuilder::Track& track : object.paramTracks)
                    if ((track.flags & 0xFF) == static_cast<uint8_t>(TimelineTrack::Length) && !given) given = &track;
        if (given && lengthAt_.line) return failAt(lengthAt_, "the timeline's Length track gives the length already");
        if (given) {
            length_ = given->value[0];
            return true;
        }
        if (!lengthAt_.line) return true;
        if (timelineObject() == objects().size()) {
            project_.add(SectionKind::Timeline);
            objectNotes_.push_back({});
        }
        objects()[timelineObject()].param(TimelineTrack::Length, {length_});
        return true;
    }

    // The last time an object is active, to which its last key holds.
    float holdUntil(size_t object)
    {
        const ProjectBuilder::Object& o = objects()[object];
        if (o.section == SectionKind::Timeline) return length_;  // it animates while the show runs
        const auto found = visits_.find(object);
        return found == visits_.end() ? o.endTime : found->second.back().end;
    }

    // The spans in which the Timeline shows each scene, from its Scene
    // track's step keys.
    bool sceneSpans(std::vector<std::pair<Span, int32_t>>& spans)
    {
        const size_t timeline = timelineObject();
        const TrackNotes* scene = nullptr;
        for (const TrackNotes& notes : trackNotes_)
            if (notes.object == timeline && !notes.build &&
                (trackOf(notes).flags & 0xFF) == static_cast<uint8_t>(TimelineTrack::Scene) && !scene)
                scene = &notes;
        if (!scene) return failAt(firstInScenes(), "an object 'in' a scene needs a timeline with a Scene track");
        const ProjectBuilder::Track& track = trackOf(*scene);
        if (scene->exact || !(track.flags & TRACK_ANIMATED))
            return failAt(scene->at, "objects 'in' a scene need the timeline's Scene keys as a source writes them, not 'exact' or 'still'");
        const std::vector<Key>& keys = track.keys;
        if (keys.empty()) {
            spans.push_back({{0.0f, length_}, truncToInt32(track.value[0])});
            return true;
        }
        for (size_t k = 0; k < keys.size(); ++k) {
            if (keys[k].mode != static_cast<uint8_t>(KeyMode::Step) && k + 1 < keys.size())
                return failAt(scene->keys[k], "objects 'in' a scene need the timeline's Scene keys to be 'step' keys");
            const float start = k == 0 ? 0.0f : keys[k].time;
            const float end = k + 1 < keys.size() ? keys[k + 1].time : length_;
            if (start < end) spans.push_back({{start, std::min(end, length_)}, truncToInt32(keys[k].value[0])});
        }
        return true;
    }

    Place firstInScenes() const
    {
        for (const ObjectNotes& notes : objectNotes_)
            if (!notes.scenes.empty()) return notes.scenesAt;
        return {};
    }

    // Each object `in` scenes is active on each visit to them: the first
    // visit gives the object its times, every further one a copy.
    bool placeInScenes()
    {
        if (!firstInScenes().line) return true;
        std::vector<std::pair<Span, int32_t>> spans;
        if (!sceneSpans(spans)) return false;
        for (size_t o = 0; o < objectNotes_.size(); ++o) {
            const ObjectNotes& notes = objectNotes_[o];
            if (notes.scenes.empty()) continue;
            std::vector<int32_t> wanted;
            for (const Token& scene : notes.scenes) wanted.push_back(labels_.at(scene.text.substr(1)).index);
            std::vector<Span> visits;
            for (const auto& [span, scene] : spans) {
                if (std::find(wanted.begin(), wanted.end(), scene) == wanted.end()) continue;
                if (!visits.empty() && visits.back().end == span.start) visits.back().end = span.end;
                else visits.push_back(span);
            }
            if (visits.empty()) return failAt(notes.scenesAt, "the timeline never shows " + sceneList(notes.scenes));
            // A key may stand at the cut that ends the last visit, as at `to`.
            if (options_.checkKeyTimes && !keysWithin(o, visits.front().start, visits.back().end, "its scenes' time"))
                return false;
            for (Span& visit : visits)
                if (visit.end < length_) visit.end = justBefore(visit.end);
            ProjectBuilder::Object& object = objects()[o];
            object.startTime = visits.front().start;
            object.endTime = visits.front().end;
            visits_[o] = visits;
        }
        return true;
    }

    static std::string sceneList(const std::vector<Token>& scenes)
    {
        std::string text;
        for (size_t i = 0; i < scenes.size(); ++i)
            text += (i == 0 ? "" : i + 1 == scenes.size() ? " or " : ", ") + scenes[i].text;
        return text;
    }

    bool keysWithin(size_t object, float start, float end, const char* what)
    {
        for (const TrackNotes& notes : trackNotes_) {
            if (notes.object != object || notes.exact) continue;
            const ProjectBuilder::Track& track = trackOf(notes);
            for (size_t k = 0; k < track.keys.size(); ++k)
                if (!(track.keys[k].time >= start && track.keys[k].time <= end))
                    return failAt(notes.keys[k], "the key at " + floatText(track.keys[k].time) + " s lies outside " +
                                                     what + ", " + floatText(start) + " to " + floatText(end) + " s");
        }
        return true;
    }

    int sectionIndex(size_t object)
    {
        int index = 0;
        for (size_t i = 0; i < object; ++i) index += objects()[i].section == objects()[object].section;
        return index;
    }

    // Copies for every visit after the first, at the end of their section so
    // that no index a source wrote moves. A mesh copy draws the geometry of
    // the mesh it copies (unless it is 3D text, whose letters are its own),
    // and points at the copies of the meshes it names that share its visit.
    void splitVisits()
    {
        struct Copy {
            int mesh;  // the copied mesh's index, or -1
            Span span;
            int index;
        };
        std::vector<Copy> meshCopies;
        std::vector<std::pair<size_t, Span>> made;  // object, visit
        for (const auto& [object, visits] : visits_) {
            const int original = objects()[object].section == SectionKind::Mesh ? sectionIndex(object) : -1;
            if (original >= 0) meshCopies.push_back({original, visits[0], original});
            for (size_t v = 1; v < visits.size(); ++v) {
                ProjectBuilder::Object copy = objects()[object];
                copy.label.clear();
                copy.startTime = visits[v].start;
                copy.endTime = visits[v].end;
                project_.add(copy.section) = copy;
                made.push_back({objects().size() - 1, visits[v]});
                if (original >= 0) meshCopies.push_back({original, visits[v], sectionIndex(objects().size() - 1)});
            }
        }
        const TrackTable& meshes = *objectKind(SectionKind::Mesh).tracks;
        for (const auto& [object, span] : made) {
            if (objects()[object].section != SectionKind::Mesh) continue;
            for (ProjectBuilder::Track& track : objects()[object].paramTracks) {
                const TrackRow* row = findTrackRow(meshes, static_cast<uint8_t>(track.flags & 0xFF));
                if (!row) continue;
                for (const TrackValue& value : row->values) {
                    if (value.unit != ValueUnit::MeshIndex) continue;
                    auto remap = [&, s = span](float& index) {
                        for (const Copy& c : meshCopies)
                            if (c.mesh == truncToInt32(index) && c.span.start <= s.start && s.end <= c.span.end) {
                                index = static_cast<float>(c.index);
                                return;
                            }
                    };
                    remap(track.value[value.slot]);
                    for (Key& key : track.keys) remap(key.value[value.slot]);
                }
            }
        }
        for (const auto& [object, span] : made)
            if (objects()[object].section == SectionKind::Mesh) {
                const int copyIndex = sectionIndex(object);
                const float copyStart = span.start;
                const auto original = std::find_if(meshCopies.begin(), meshCopies.end(), [&](const Copy& c) {
                    return c.index == copyIndex && c.span.start == copyStart;
                });
                shareGeometry(objects()[object], original->mesh);
            }
    }

    static void shareGeometry(ProjectBuilder::Object& copy, int original)
    {
        for (const ProjectBuilder::Track& build : copy.buildTracks)
            if ((build.flags & 0xFF) == static_cast<uint8_t>(MeshTrack::Text3D)) return;
        for (const ProjectBuilder::Track& param : copy.paramTracks)
            if ((param.flags & 0xFF) == static_cast<uint8_t>(MeshTrack::ShareGeometry)) {
                copy.buildTracks.clear();  // it draws that other mesh's geometry
                return;
            }
        copy.buildTracks.clear();
        ProjectBuilder::Track share;
        share.flags = TRACK_APPLY | static_cast<uint8_t>(MeshTrack::ShareGeometry);
        share.value[0] = static_cast<float>(original);
        copy.paramTracks.insert(copy.paramTracks.begin(), share);
    }

    std::string fileName_;
    ProjectBuilder& project_;
    SourceOptions options_;
    std::map<std::string, LabelTarget> labels_;
    int sectionCounts_[SECTION_COUNT] = {};
    Tempo tempo_;
    float length_ = ShowEndTime;
    Place lengthAt_;
    std::string musicFile_;
    int line_ = 0;
    int column_ = 1;
    std::string message_;
    Place failedAt_;
    std::vector<std::string> warnings_;
    std::vector<ObjectNotes> objectNotes_;
    std::vector<TrackNotes> trackNotes_;
    std::map<size_t, std::vector<Span>> visits_;
    ProjectBuilder::Object* object_ = nullptr;
    const TrackTable* kind_ = nullptr;
    const TrackRow* row_ = nullptr;
    ProjectBuilder::Track* track_ = nullptr;
    bool still_ = false;
};

}  // namespace

bool parseProjectSource(const std::string& text, const std::string& fileName, ProjectBuilder& project,
                        std::string& error, const SourceOptions& options)
{
    SourceParser parser(fileName, project, options);
    return parser.parse(text, error);
}

bool parseProjectSource(const std::string& text, const std::string& fileName, ProjectBuilder& project,
                        std::string& error, bool checkKeyTimes)
{
    SourceOptions options;
    options.checkKeyTimes = checkKeyTimes;
    return parseProjectSource(text, fileName, project, error, options);
}

bool keysInOrderAndTime(const ProjectBuilder::Object& object, const ProjectBuilder::Track& track)
{
    // A key may stand at `to`, which the object's end is just before. The
    // Timeline runs while the show does, whatever its own times, so its
    // keys (the closing one at the show's end among them) are only ordered.
    const bool timed = object.section != SectionKind::Timeline;
    const float end = object.endTime > object.startTime ? justAfter(object.endTime) : object.endTime;
    for (size_t k = 0; k < track.keys.size(); ++k) {
        const float t = track.keys[k].time;
        if ((k > 0 && !(t > track.keys[k - 1].time)) || (timed && !(t >= object.startTime && t <= end))) return false;
    }
    return true;
}
