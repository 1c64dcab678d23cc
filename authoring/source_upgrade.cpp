#include "authoring/source_upgrade.h"

#include <map>
#include <sstream>

#include "authoring/float_text.h"
#include "authoring/idle_tracks.h"
#include "authoring/named_values.h"
#include "authoring/project_source.h"
#include "authoring/source_tokens.h"
#include "scene/object_kinds.h"

namespace {

// The compiled project walked line by line, in the order the compiler adds
// objects, tracks and keys.
class Upgrade {
public:
    Upgrade(const ProjectBuilder& project, const std::string& fileName, std::vector<std::string>* notes)
        : project_(project), fileName_(fileName), notes_(notes)
    {
    }

    std::string rewrite(const std::string& text)
    {
        collectLabels(text);
        std::istringstream lines(text);
        std::string line, out;
        std::vector<Token> tokens;
        std::string error;
        int column = 0;
        size_t commentAt = 0;
        while (std::getline(lines, line)) {
            ++lineNumber_;
            tokenizeLine(line, tokens, error, column, &commentAt);
            std::string rewritten = tokens.empty() ? line : rewriteLine(line, tokens, commentAt);
            if (rewritten != line && !line.empty() && line.back() == '\r' && rewritten.back() != '\r') rewritten += '\r';
            out += rewritten + "\n";
        }
        return out;
    }

private:
    void collectLabels(const std::string& text)
    {
        std::istringstream lines(text);
        std::string line, error;
        std::vector<Token> tokens;
        int column = 0;
        while (std::getline(lines, line)) {
            tokenizeLine(line, tokens, error, column);
            const ObjectKind* kind = tokens.empty() || tokens[0].quoted ? nullptr : findObjectKind(tokens[0].text);
            if (kind && tokens.size() > 1 && tokens[1].text != "from" && tokens[1].text != "to" && tokens[1].text != "through" && tokens[1].text != "in")
                labels_[tokens[1].text] = kind->section;
        }
    }

    std::string rewriteLine(const std::string& line, const std::vector<Token>& tokens, size_t commentAt)
    {
        const std::string& word = tokens[0].text;
        if (const ObjectKind* kind = findObjectKind(word)) {
            object_ = &objectAt(kind->section, seen_[static_cast<int>(kind->section)]++);
            table_ = kind->tracks;
            return line;
        }
        if ((word == "param" || word == "build") && object_) {
            const auto& list = word == "param" ? object_->paramTracks : object_->buildTracks;
            size_t& next = word == "param" ? nextParam_ : nextBuild_;
            if (object_ != trackOwner_) nextParam_ = nextBuild_ = 0, trackOwner_ = object_;
            track_ = &list[next++];
            row_ = findTrackRow(*table_, static_cast<uint8_t>(track_->flags & 0xFF));
            nextKey_ = 0;
            std::vector<const Token*> inOrder;
            bool oldWord = false, unchecked = false;  // `smooth` for the filtering bit
            for (const Token& t : tokens) {
                oldWord |= !t.quoted && t.text == "smooth";
                unchecked |= !t.quoted && (t.text == "unchecked" || t.text == "exact");
            }
            bool refused = false;
            for (const IdlePart& part : idlePartsOf(*table_, *track_, word == "build")) refused |= part.refused;
            const bool keysNeedUnchecked = !unchecked && (refused || !keysInOrderAndTime(*object_, *track_));
            if (keysNeedUnchecked && notes_)
                notes_->push_back(fileName_ + ":" + std::to_string(lineNumber_) + ":" + std::to_string(tokens[0].column) +
                                  (refused ? ": holds what the engine never reads, kept under 'exact'"
                                           : ": keys out of order or outside their object's time, kept under 'unchecked'"));
            std::string text;
            if (givenInOrder(tokens, 2, inOrder) || (oldWord && !namesValues(tokens))) {
                text = line.substr(0, tokens[0].column - 1) + word + " " + tokens[1].text;
                if (!track_->name.empty()) text += " " + quoted(track_->name);
                const std::vector<std::string> values = namedValueWords(row_, track_->value, spelling(inOrder));
                for (const std::string& v : values) text += " " + v;
                for (const std::string& f : flagWords(row_, track_->flags, !track_->keys.empty(), !values.empty()))
                    text += " " + f;
                if (unchecked) text += " unchecked";
            } else if (keysNeedUnchecked) {
                text = line.substr(0, commentAt == std::string::npos ? line.size() : commentAt);
                while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.pop_back();
            } else {
                return line;
            }
            if (keysNeedUnchecked) text += refused ? " exact" : " unchecked";
            return withComment(text, line, commentAt);
        }
        if (word == "key" && track_ && tokens.size() >= 3) {
            const ProjectBuilder::Key& key = track_->keys[nextKey_++];
            std::vector<const Token*> inOrder;
            if (!givenInOrder(tokens, 3, inOrder)) return line;
            std::string text = line.substr(0, tokens[0].column - 1) + "key " + tokens[1].text + " " + tokens[2].text;
            for (const std::string& v : namedValueWords(row_, key.value, spelling(inOrder))) text += " " + v;
            return withComment(text, line, commentAt);
        }
        return line;
    }

    // The values written in order on the line; false when there are none
    // or the line already names them.
    bool givenInOrder(const std::vector<Token>& tokens, size_t first, std::vector<const Token*>& inOrder) const
    {
        for (size_t i = first; i < tokens.size(); ++i) {
            const Token& t = tokens[i];
            if (t.quoted) continue;
            float x = 0;
            if (t.text[0] == '@' || parseFloatText(t.text, x)) inOrder.push_back(&t);
            else if (t.text.find('=') != std::string::npos && isValueName(row_, t.text.substr(0, t.text.find('='))))
                return false;
        }
        return !inOrder.empty();
    }

    bool namesValues(const std::vector<Token>& tokens) const
    {
        for (const Token& t : tokens)
            if (!t.quoted && t.text.find('=') != std::string::npos && isValueName(row_, t.text.substr(0, t.text.find('='))))
                return true;
        return false;
    }

    // The author's labels where they still name an object of the right kind.
    ValueSpelling spelling(const std::vector<const Token*>& inOrder) const
    {
        return [this, inOrder](int slot, float value, const TrackValue* declared) {
            if (slot < static_cast<int>(inOrder.size()) && inOrder[slot]->text[0] == '@') {
                const auto label = labels_.find(inOrder[slot]->text.substr(1));
                SectionKind section{};
                if (label != labels_.end() && (!declared || (isIndexUnit(declared->unit, section) && section == label->second)))
                    return inOrder[slot]->text;
            }
            return floatText(value);
        };
    }

    static std::string withComment(const std::string& text, const std::string& line, size_t commentAt)
    {
        return commentAt == std::string::npos ? text : text + " " + line.substr(commentAt);
    }

    const ProjectBuilder::Object& objectAt(SectionKind section, int index) const
    {
        int n = 0;
        for (const ProjectBuilder::Object& object : project_.objects())
            if (object.section == section && n++ == index) return object;
        return project_.objects().front();  // not reached: the source compiled
    }

    const ProjectBuilder& project_;
    std::string fileName_;
    std::vector<std::string>* notes_;
    int lineNumber_ = 0;
    std::map<std::string, SectionKind> labels_;
    int seen_[SECTION_COUNT] = {};
    const ProjectBuilder::Object* object_ = nullptr;
    const ProjectBuilder::Object* trackOwner_ = nullptr;
    const TrackTable* table_ = nullptr;
    const TrackRow* row_ = nullptr;
    const ProjectBuilder::Track* track_ = nullptr;
    size_t nextParam_ = 0, nextBuild_ = 0, nextKey_ = 0;
};

}  // namespace

bool upgradeProjectSource(const std::string& text, const std::string& fileName, std::string& upgraded,
                          std::string& error, std::vector<std::string>* notes)
{
    ProjectBuilder before, after;
    std::vector<uint8_t> bytesBefore, bytesAfter;
    if (!parseProjectSource(text, fileName, before, error, false) || !before.write(bytesBefore, error)) return false;
    upgraded = Upgrade(before, fileName, notes).rewrite(text);
    if (!parseProjectSource(upgraded, fileName + " (upgraded)", after, error) || !after.write(bytesAfter, error))
        return false;
    if (bytesAfter != bytesBefore) {
        error = fileName + ": the upgraded source would compile to other bytes; nothing is written";
        return false;
    }
    return true;
}
