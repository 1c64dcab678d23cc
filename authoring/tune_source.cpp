#include "authoring/tune_source.h"
#include "authoring/source_tokens.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <sstream>

#include "authoring/tune_instrument.h"
#include "authoring/tune_words.h"
#include "authoring/xm_builder.h"

using namespace tune;

namespace {

constexpr int MAX_CHANNELS = 32;
constexpr int MAX_ROWS = 256;
constexpr int MAX_INSTRUMENTS = 128;

// Patterns: rows of cells, or layers of other patterns.

struct PatternSource {
    std::string name;
    int line = 0;
    int rows = -1;  // -1: as many as lines
    int firstChannel = 0, channelCount = 0;
    std::vector<XmBuilder::Cell> cells;  // rows x channelCount
    int rowCount = 0;
    std::vector<PatternSource> layers;
    bool layered = false;
    int totalRows() const { return rows > 0 ? rows : std::max(rowCount, 1); }
};

struct VolumeWord {
    const char* prefix;
    uint8_t command;
};
const VolumeWord VOLUME_WORDS[] = {{"dn", 0x60}, {"up", 0x70}, {"fd", 0x80}, {"fu", 0x90},
                                   {"pn", 0xC0}, {"pl", 0xD0}, {"pr", 0xE0}, {"gp", 0xF0}};

struct Parser {
    TuneLimits limits;
    XmBuilder xm;
    bool channelsFixed = false;
    std::vector<InstrumentSource> instruments;
    std::vector<PatternSource> patterns;
    std::map<std::string, size_t> patternIndex;
    int64_t cellsSpent = 0;
    std::vector<std::pair<std::string, int>> order;  // name, line
    std::string restart;
    int restartLine = 0;
    enum class Block { None, Instrument, Pattern } block = Block::None;

    int instrumentNumber(const std::string& word, int line) const
    {
        if (word == "..") return 0;
        if (word.size() == 2 && hex(word) >= 0) {
            const int n = hex(word);
            if (n < 1 || n > static_cast<int>(instruments.size())) fail(line, "no instrument " + word);
            return n;
        }
        for (size_t i = 0; i < instruments.size(); ++i)
            if (instruments[i].name == word) return static_cast<int>(i) + 1;
        fail(line, "no instrument named '" + word + "'");
    }

    PatternSource* findPattern(const std::string& name)
    {
        const auto found = patternIndex.find(name);
        return found == patternIndex.end() ? nullptr : &patterns[found->second];
    }

    // Every cell a pattern, a layer or a part of one holds is counted
    // before it is written.
    void spendCells(int64_t cells, int line)
    {
        cellsSpent += cells;
        if (cellsSpent > limits.patternCells)
            fail(line, "the patterns come to " + std::to_string(cellsSpent) + " cells here, past the budget of " +
                           std::to_string(limits.patternCells));
    }

    XmBuilder::Cell cell(const Words& w, size_t at, int line) const
    {
        XmBuilder::Cell c;
        const std::string& note = w[at];
        if (note != "...") {
            c.note = XmBuilder::note(note.c_str());
            if (!c.note) fail(line, "'" + note + "' is not a note");
        }
        c.instrument = static_cast<uint8_t>(instrumentNumber(w[at + 1], line));
        const std::string& volume = w[at + 2];
        if (volume != "...") {
            const int x = volume.size() == 3 ? hex(volume.substr(1)) : -1;
            const int digit = volume.size() == 3 ? hexDigit(volume[2]) : -1;
            const VolumeWord* command = std::find_if(std::begin(VOLUME_WORDS), std::end(VOLUME_WORDS), [&](const VolumeWord& v) {
                return volume.compare(0, 2, v.prefix) == 0;
            });
            if (volume[0] == 'v' && x >= 0 && x <= 0x40)
                c.volume = static_cast<uint8_t>(0x10 + x);
            else if (volume.size() == 3 && command != std::end(VOLUME_WORDS) && digit >= 0)
                c.volume = static_cast<uint8_t>(command->command | digit);
            else
                fail(line, "'" + volume + "' is not a volume column command");
        }
        const std::string& effect = w[at + 3];
        if (effect != "...") {
            const char letter = effect.empty() ? 0 : effect[0];
            const int kind = std::isdigit(static_cast<unsigned char>(letter)) ? letter - '0'
                             : (letter >= 'A' && letter <= 'Z') ? letter - 'A' + 10
                                                                 : -1;
            const int parameter = effect.size() == 3 ? hex(effect.substr(1)) : -1;
            if (kind < 0 || parameter < 0) fail(line, "'" + effect + "' is not an effect");
            c.effect = static_cast<uint8_t>(kind);
            c.parameter = static_cast<uint8_t>(parameter);
        }
        return c;
    }

    void rowLine(PatternSource& p, const Line& line)
    {
        const Words& w = line.words;
        Words words;
        for (const std::string& word : w)
            if (word != "|") words.push_back(word);
        if (words.empty()) fail(line.number, "a row has four words a channel");
        int emptyRows = 0;
        if (words[0] == ".") {
            if (words.size() > 2) fail(line.number, "usage: . [COUNT]");
            emptyRows = words.size() == 2 ? integer(words[1], line.number, 1, MAX_ROWS, "a row count") : 1;
        }
        if (p.layered) fail(line.number, "a layered pattern has no rows of its own");
        if (!emptyRows && words.size() % 4 != 0) fail(line.number, "a row has four words a channel");
        if (!emptyRows && static_cast<int>(words.size() / 4) > p.channelCount)
            fail(line.number, "this row has more channels than the pattern's " + std::to_string(p.channelCount));
        const int add = emptyRows ? emptyRows : 1;
        if (p.rowCount + add > (p.rows > 0 ? p.rows : MAX_ROWS))
            fail(line.number, "more rows than the pattern's " + std::to_string(p.rows > 0 ? p.rows : MAX_ROWS));
        spendCells(int64_t{add} * p.channelCount, line.number);
        p.cells.resize(static_cast<size_t>(p.rowCount + add) * p.channelCount);
        if (!emptyRows)
            for (size_t c = 0; c < words.size() / 4; ++c)
                p.cells[static_cast<size_t>(p.rowCount) * p.channelCount + c] = cell(words, c * 4, line.number);
        p.rowCount += add;
    }

    void channelsLine(const Line& line)
    {
        needWords(line, 2, 2, "channels 1..32");
        if (channelsFixed) fail(line.number, "channels come before the first pattern");
        xm.channels = integer(line.words[1], line.number, 1, MAX_CHANNELS, "a channel count");
    }

    void patternLine(const Line& line)
    {
        const Words& w = line.words;
        if (w.size() < 2 || !isName(w[1])) fail(line.number, "usage: pattern NAME [rows N] [channels A-B] [= LAYERS]");
        if (findPattern(w[1])) fail(line.number, "pattern '" + w[1] + "' is defined twice");
        channelsFixed = true;
        spendCells(xm.channels, line.number);
        PatternSource p;
        p.name = w[1];
        p.line = line.number;
        p.channelCount = xm.channels;
        size_t i = 2;
        while (i < w.size()) {
            if (w[i] == "rows" && i + 1 < w.size()) {
                p.rows = integer(w[i + 1], line.number, 1, MAX_ROWS, "a row count");
                i += 2;
            } else if (w[i] == "channels" && i + 1 < w.size()) {
                const std::string& range = w[i + 1];
                const size_t dash = range.find('-');
                const int first = integer(range.substr(0, dash), line.number, 1, xm.channels, "a channel");
                const int last = dash == std::string::npos ? first
                                                           : integer(range.substr(dash + 1), line.number, first, xm.channels, "a channel");
                p.firstChannel = first - 1;
                p.channelCount = last - first + 1;
                i += 2;
            } else if (w[i] == "=") {
                p.layered = true;
                for (++i; i < w.size(); ++i) p.layers.push_back(layer(w[i], line.number));
                if (p.layers.empty()) fail(line.number, "a layered pattern names its layers");
            } else {
                fail(line.number, "usage: pattern NAME [rows N] [channels A-B] [= LAYERS]");
            }
        }
        if (p.layered) layerPattern(p, line.number);
        patternIndex[p.name] = patterns.size();
        patterns.push_back(std::move(p));
    }

    // A layer: parts joined by commas play one after another, each
    // transposed by its own +N or -N.
    PatternSource layer(const std::string& word, int line)
    {
        PatternSource sequence;
        sequence.name = word;
        for (size_t start = 0; start <= word.size();) {
            const size_t comma = std::min(word.find(',', start), word.size());
            const std::string element = word.substr(start, comma - start);
            const size_t sign = element.find_first_of("+-");
            const std::string name = element.substr(0, sign);
            const int transpose = sign == std::string::npos ? 0 : integer(element.substr(sign), line, -95, 95, "a transposition");
            const PatternSource* part = findPattern(name);
            if (!part) fail(line, "no pattern named '" + name + "' above");
            if (start == 0) {
                sequence.firstChannel = part->firstChannel;
                sequence.channelCount = part->channelCount;
            } else if (part->firstChannel != sequence.firstChannel || part->channelCount != sequence.channelCount) {
                fail(line, "the parts of '" + word + "' do not fill the same channels");
            }
            const int rows = part->totalRows();
            if (sequence.rowCount + rows > MAX_ROWS) fail(line, "'" + word + "' is longer than 256 rows");
            spendCells(int64_t{rows} * sequence.channelCount, line);
            const size_t at = static_cast<size_t>(sequence.rowCount) * sequence.channelCount;
            sequence.cells.resize(at + static_cast<size_t>(rows) * sequence.channelCount);
            for (size_t i = 0; i < part->cells.size(); ++i) {
                XmBuilder::Cell cell = part->cells[i];
                if (cell.note >= 1 && cell.note <= 96 && transpose) {
                    const int note = cell.note + transpose;
                    if (note < 1 || note > 96) fail(line, "'" + element + "' takes notes out of range");
                    cell.note = static_cast<uint8_t>(note);
                }
                sequence.cells[at + i] = cell;
            }
            sequence.rowCount += rows;
            start = comma + 1;
        }
        return sequence;
    }

    void layerPattern(PatternSource& p, int line)
    {
        if (p.firstChannel != 0 || p.channelCount != xm.channels) fail(line, "a layered pattern spans every channel");
        // Rows given hold every layer whole; otherwise the longest sets them.
        int rows = p.rows;
        if (rows < 1)
            for (const PatternSource& l : p.layers) rows = std::max(rows, l.totalRows());
        p.rowCount = rows;
        spendCells(int64_t{rows} * p.channelCount, line);
        for (const PatternSource& l : p.layers) spendCells(int64_t{rows} * l.channelCount, line);
        p.cells.assign(static_cast<size_t>(rows) * p.channelCount, XmBuilder::Cell{});
        std::vector<bool> written(p.cells.size(), false);
        for (const PatternSource& source : p.layers) {
            const int sourceRows = source.totalRows();
            if (rows % sourceRows != 0)
                fail(line, "layer '" + source.name + "' has " + std::to_string(sourceRows) + " rows, which do not divide " +
                               std::to_string(rows));
            for (int row = 0; row < rows; ++row) {
                for (int c = 0; c < source.channelCount; ++c) {
                    const size_t from = static_cast<size_t>(row % sourceRows) * source.channelCount + c;
                    if (from >= source.cells.size()) continue;
                    const XmBuilder::Cell& cell = source.cells[from];
                    if (!cell.note && !cell.instrument && !cell.volume && !cell.effect && !cell.parameter) continue;
                    const size_t at = static_cast<size_t>(row) * p.channelCount + source.firstChannel + c;
                    if (written[at])
                        fail(line, "layer '" + source.name + "' writes row " + std::to_string(row) + ", channel " +
                                       std::to_string(source.firstChannel + c + 1) + ", which another layer wrote");
                    written[at] = true;
                    p.cells[at] = cell;
                }
            }
        }
    }

    void instrumentLine(const Line& line)
    {
        needWords(line, 2, 2, "instrument NAME");
        const std::string& name = line.words[1];
        if (!isName(name)) fail(line.number, "an instrument name is a word starting with a letter");
        if (name.size() == 2 && hex(name) >= 0) fail(line.number, "instrument name '" + name + "' reads as a number");
        for (const InstrumentSource& i : instruments)
            if (i.name == name) fail(line.number, "instrument '" + name + "' is defined twice");
        if (instruments.size() >= MAX_INSTRUMENTS) fail(line.number, "at most 128 instruments");
        instruments.push_back({name, line.number, {}});
    }

    void statement(const Line& line)
    {
        const Words& w = line.words;
        const std::string& word = w[0];
        if (word == "title") {
            std::string title;
            for (size_t i = 1; i < w.size(); ++i) title += (i > 1 ? " " : "") + w[i];
            if (title.size() >= 2 && title.front() == '"' && title.back() == '"') title = title.substr(1, title.size() - 2);
            if (title.size() > 20) fail(line.number, "a title has at most 20 characters");
            xm.name = title;
        } else if (word == "channels") {
            channelsLine(line);
        } else if (word == "speed") {
            needWords(line, 2, 2, "speed 1..31");
            xm.tempo = static_cast<uint16_t>(integer(w[1], line.number, 1, 31, "a speed"));
        } else if (word == "bpm") {
            needWords(line, 2, 2, "bpm 32..255");
            xm.bpm = static_cast<uint16_t>(integer(w[1], line.number, 32, 255, "a BPM"));
        } else if (word == "frequencies") {
            needWords(line, 2, 2, "frequencies linear|amiga");
            if (w[1] != "linear" && w[1] != "amiga") fail(line.number, "frequencies are linear or amiga");
            xm.linearFrequencies = w[1] == "linear";
        } else if (word == "player") {
            // The player the module asks for: the engine's exact one unless
            // the author wants it to play as FastTracker 2 plays it.
            needWords(line, 2, 2, "player exact|ft2");
            if (w[1] != "exact" && w[1] != "ft2") fail(line.number, "the player is exact or ft2");
            xm.tracker = w[1] == "ft2" ? ENGINE_FT2_TRACKER_NAME : ENGINE_TRACKER_NAME;
        } else if (word == "restart") {
            needWords(line, 2, 2, "restart PATTERN");
            restart = w[1];
            restartLine = line.number;
        } else if (word == "order") {
            for (size_t i = 1; i < w.size(); ++i) {
                const size_t star = w[i].find('*');
                const std::string name = w[i].substr(0, star);
                const int times = star == std::string::npos ? 1 : integer(w[i].substr(star + 1), line.number, 1, 256, "a repeat");
                for (int k = 0; k < times; ++k) {
                    if (order.size() == 256) fail(line.number, "an order has at most 256 entries");
                    order.emplace_back(name, line.number);
                }
            }
        } else if (word == "instrument") {
            instrumentLine(line);
            block = Block::Instrument;
            return;
        } else if (word == "pattern") {
            patternLine(line);
            block = Block::Pattern;
            return;
        } else if (block == Block::Instrument) {
            instruments.back().lines.push_back(line);
            return;
        } else if (block == Block::Pattern) {
            rowLine(patterns.back(), line);
            return;
        } else {
            fail(line.number, "unknown statement '" + word + "'");
        }
        block = Block::None;
    }

    void finish(int lastLine)
    {
        // Every recipe is read and its work counted before any is rendered.
        std::vector<InstrumentRecipe> recipes;
        int64_t work = 0, sampleBytes = 0;
        for (const InstrumentSource& i : instruments) {
            recipes.push_back(readInstrument(i));
            work += recipeWork(recipes.back().recipe);
            if (work > limits.synthesisWork)
                fail(i.line, "instrument '" + i.name + "' brings the samples to " + std::to_string(work) +
                                 " frame terms, past the budget of " + std::to_string(limits.synthesisWork));
            sampleBytes += 2 * int64_t{std::max(recipes.back().recipe.length, 1)};
            if (sampleBytes > limits.sampleBytes)
                fail(i.line, "instrument '" + i.name + "' brings the module's samples to " +
                                 std::to_string(sampleBytes) + " bytes, past the limit of " +
                                 std::to_string(limits.sampleBytes));
        }
        for (const InstrumentRecipe& recipe : recipes) addInstrument(recipe, xm);
        if (order.empty()) fail(lastLine, "the song has no order");
        std::vector<const PatternSource*> written;
        for (const auto& [name, line] : order) {
            const PatternSource* p = findPattern(name);
            if (!p) fail(line, "no pattern named '" + name + "'");
            auto at = std::find(written.begin(), written.end(), p);
            if (at == written.end()) {
                written.push_back(p);
                at = written.end() - 1;
            }
            xm.order.push_back(static_cast<uint8_t>(at - written.begin()));
        }
        for (const PatternSource* p : written) {
            if (p->firstChannel != 0 || p->channelCount != xm.channels)
                fail(p->line, "pattern '" + p->name + "' is in the order but does not span every channel");
            XmBuilder::Pattern& out = xm.addPattern(p->totalRows());
            std::copy(p->cells.begin(), p->cells.end(), out.cells.begin());
        }
        if (!restart.empty()) {
            const PatternSource* p = findPattern(restart);
            if (!p) fail(restartLine, "no pattern named '" + restart + "'");
            const auto first = std::find(written.begin(), written.end(), p);
            if (first == written.end()) fail(restartLine, "pattern '" + restart + "' is not in the order");
            xm.restartPosition = static_cast<uint16_t>(
                std::find(xm.order.begin(), xm.order.end(), first - written.begin()) - xm.order.begin());
        }
    }
};

// The words of a line; `unclosed` tells of a quote opened and not closed,
// which a project source refuses too.
Words split(const std::string& text, bool& unclosed)
{
    Words words;
    std::string word;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (!quoted && c == '#' && word.empty()) break;  // not the sharp of C#4
        if (!quoted && std::isspace(static_cast<unsigned char>(c))) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    unclosed = quoted;
    return words;
}

}  // namespace

bool compileTuneSource(const std::string& text, const std::string& fileName, std::vector<uint8_t>& module,
                       std::string& error, const TuneLimits& limits)
{
    Parser parser;
    parser.limits = limits;
    parser.xm.name = "";
    parser.xm.tempo = 6;
    parser.xm.bpm = 125;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    size_t read = 0;
    try {
        while (std::getline(lines, line)) {
            ++number;
            // What a line holds costs many times its size: a source read
            // whole (the show reads modules of up to 256 MiB) is cut short.
            read += line.size() + 1;
            if (read > limits.sourceBytes)
                fail(number, "a tune source has at most " + std::to_string(limits.sourceBytes) + " bytes");
            bool unclosed = false;
            Words words = split(line, unclosed);
            if (unclosed) fail(number, "a quoted text has no closing quote");
            if (!words.empty()) parser.statement({number, std::move(words)});
        }
        parser.finish(number);
    } catch (const SourceError& e) {
        error = fileName + ":" + std::to_string(e.line) + ": " + withShortEchoes(e.message);
        return false;
    }
    module = parser.xm.build();
    return true;
}

bool looksLikeXm(const std::vector<uint8_t>& bytes)
{
    static const char MAGIC[] = "Extended Module: ";
    return bytes.size() >= sizeof MAGIC - 1 && std::memcmp(bytes.data(), MAGIC, sizeof MAGIC - 1) == 0;
}

