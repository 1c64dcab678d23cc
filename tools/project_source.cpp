#include "tools/project_source.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "app/object_kinds.h"

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

bool tokenize(const std::string& line, std::vector<Token>& tokens, std::string& error)
{
    tokens.clear();
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Token token;
            token.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    const char e = line[i + 1];
                    token.text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                    i += 2;
                } else if (line[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    token.text += line[i++];
                }
            }
            if (!closed) {
                error = "a quoted text has no closing quote";
                return false;
            }
            tokens.push_back(token);
        } else {
            Token token;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#')
                token.text += line[i++];
            tokens.push_back(token);
        }
    }
    return true;
}

bool parseFloat(const std::string& text, float& out)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(text.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(value)) return false;
    out = value;
    return true;
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

struct Label {
    SectionKind section;
    int index;
};

class SourceParser {
public:
    SourceParser(const std::string& fileName, ProjectBuilder& project) : fileName_(fileName), project_(project) {}

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
            if (!tokenize(line, tokens, message_) || (!tokens.empty() && !handler(tokens))) {
                error = fileName_ + ":" + std::to_string(line_) + ": " + message_;
                return false;
            }
        }
        return true;
    }

    bool fail(const std::string& message)
    {
        message_ = message;
        return false;
    }

    bool collectLabel(std::vector<Token>& tokens)
    {
        const ObjectKind* kind = findObjectKind(tokens[0].text);
        if (!kind || tokens[0].quoted) return true;
        const int index = sectionCounts_[static_cast<int>(kind->section)]++;
        if (tokens.size() > 1 && tokens[1].text != "from" && tokens[1].text != "to" && !tokens[1].quoted) {
            if (labels_.count(tokens[1].text)) return fail("the label '" + tokens[1].text + "' is used twice");
            labels_[tokens[1].text] = {kind->section, index};
        }
        return true;
    }

    bool parseLine(std::vector<Token>& tokens)
    {
        const std::string& word = tokens[0].text;
        if (const ObjectKind* kind = findObjectKind(word)) return parseObject(*kind, tokens);
        if (word == "param" || word == "build") return parseTrack(tokens, word == "build");
        if (word == "key") return parseKey(tokens);
        return fail("expected an object kind, 'param', 'build' or 'key', not '" + word + "'");
    }

    bool parseObject(const ObjectKind& kind, std::vector<Token>& tokens)
    {
        object_ = &project_.add(kind.section);
        kind_ = &kind;
        track_ = nullptr;
        size_t i = 1;
        if (i < tokens.size() && tokens[i].text != "from" && tokens[i].text != "to") ++i;  // the label
        for (; i < tokens.size(); i += 2) {
            if (i + 1 >= tokens.size()) return fail("'" + tokens[i].text + "' needs a time");
            float seconds = 0;
            if (!parseFloat(tokens[i + 1].text, seconds)) return fail("bad time '" + tokens[i + 1].text + "'");
            if (tokens[i].text == "from") object_->startTime = seconds;
            else if (tokens[i].text == "to") object_->endTime = seconds;
            else return fail("expected 'from' or 'to', not '" + tokens[i].text + "'");
        }
        return true;
    }

    bool value(const std::string& text, float& out)
    {
        if (!text.empty() && text[0] == '@') {
            const auto label = labels_.find(text.substr(1));
            if (label == labels_.end()) return fail("no object is labelled '" + text.substr(1) + "'");
            out = static_cast<float>(label->second.index);
            return true;
        }
        if (!parseFloat(text, out)) return fail("bad value '" + text + "'");
        return true;
    }

    bool parseTrack(std::vector<Token>& tokens, bool isBuild)
    {
        if (!object_) return fail("a track needs an object above it");
        if (tokens.size() < 2) return fail("a track needs an id or a name");
        unsigned long id = 0;
        if (!parseUnsigned(tokens[1].text, 255, id)) {
            const int named = kind_->trackId ? kind_->trackId(tokens[1].text) : -1;
            if (named < 0) return fail("a " + std::string(kind_->keyword) + " has no track named '" + tokens[1].text + "'");
            id = static_cast<unsigned long>(named);
        }
        track_ = isBuild ? &object_->build(static_cast<uint8_t>(id)) : &object_->param(static_cast<uint8_t>(id));
        still_ = false;
        size_t valueCount = 0;
        for (size_t i = 2; i < tokens.size(); ++i) {
            const Token& token = tokens[i];
            if (token.quoted) {
                if (!track_->name.empty()) return fail("a track has one name only");
                track_->name = token.text;
                continue;
            }
            if (!flagWord(token.text)) {
                if (!message_.empty()) return false;
                float v = 0;
                if (!value(token.text, v)) return false;
                if (valueCount == TRACK_VALUES) return fail("a track has at most 12 values");
                track_->value[valueCount++] = v;
            }
        }
        return true;
    }

    // True when the word is a flag word (and applies it); message_ is set
    // when it looks like one but is malformed.
    bool flagWord(const std::string& word)
    {
        message_.clear();
        unsigned long n = 0;
        auto field = [&](const char* prefix, unsigned long maximum, int shift, uint32_t mask) {
            const std::string text = word.substr(std::string(prefix).size());
            if (!parseUnsigned(text, maximum, n)) {
                message_ = "bad " + std::string(prefix) + " value '" + text + "'";
                return false;
            }
            track_->flags = (track_->flags & ~mask) | (static_cast<uint32_t>(n) << shift);
            return true;
        };
        if (word == "smooth") track_->flags |= 1u << 16;
        else if (word == "noapply") track_->flags &= ~TRACK_APPLY;
        else if (word == "still") {
            still_ = true;
            track_->flags &= ~TRACK_ANIMATED;
        } else if (word.rfind("mode=", 0) == 0) return field("mode=", 255, 8, 0xFF00u);
        else if (word.rfind("edge=", 0) == 0) return field("edge=", 3, 17, 0x60000u);
        else if (word.rfind("flags=", 0) == 0) {
            if (!parseUnsigned(word.substr(6), 0xFFFFFFFFul, n)) {
                message_ = "bad flags value '" + word.substr(6) + "'";
                return false;
            }
            track_->flags |= static_cast<uint32_t>(n);
        } else return false;
        return true;
    }

    bool parseKey(std::vector<Token>& tokens)
    {
        if (!track_) return fail("a key needs a track above it");
        if (tokens.size() < 3) return fail("a key needs a time and a mode");
        float time = 0;
        if (!parseFloat(tokens[1].text, time)) return fail("bad key time '" + tokens[1].text + "'");
        unsigned long mode = 0;
        const std::string& m = tokens[2].text;
        if (m == "step") mode = static_cast<unsigned long>(KeyMode::Step);
        else if (m == "local") mode = static_cast<unsigned long>(KeyMode::Local);
        else if (m == "smooth") mode = static_cast<unsigned long>(KeyMode::Smooth);
        else if (!parseUnsigned(m, 255, mode)) return fail("bad key mode '" + m + "' (step, local, smooth or 0-255)");
        ProjectBuilder::Values values{};
        size_t count = 0;
        for (size_t i = 3; i < tokens.size(); ++i) {
            if (count == TRACK_VALUES) return fail("a key has at most 12 values");
            if (!value(tokens[i].text, values[count++])) return false;
        }
        if (!track_->keys.empty() && time < track_->keys.back().time)
            return fail("keys must come in ascending time");
        track_->key(time, static_cast<uint8_t>(mode), values);
        if (still_) track_->flags &= ~TRACK_ANIMATED;
        return true;
    }

    std::string fileName_;
    ProjectBuilder& project_;
    std::map<std::string, Label> labels_;
    int sectionCounts_[SECTION_COUNT] = {};
    int line_ = 0;
    std::string message_;
    ProjectBuilder::Object* object_ = nullptr;
    const ObjectKind* kind_ = nullptr;
    ProjectBuilder::Track* track_ = nullptr;
    bool still_ = false;
};

}  // namespace

bool parseProjectSource(const std::string& text, const std::string& fileName, ProjectBuilder& project,
                        std::string& error)
{
    SourceParser parser(fileName, project);
    return parser.parse(text, error);
}
