#include "tools/tune_source.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>

#include "tools/synth.h"
#include "tools/xm_builder.h"

namespace {

constexpr int MAX_CHANNELS = 32;
constexpr int MAX_ROWS = 256;
constexpr int MAX_INSTRUMENTS = 128;
constexpr int MAX_SAMPLE_FRAMES = 1 << 20;
constexpr double C4_HZ = 261.6255653;

struct SourceError {
    int line;
    std::string message;
};

[[noreturn]] void fail(int line, const std::string& message) { throw SourceError{line, message}; }

using Words = std::vector<std::string>;

struct Line {
    int number;
    Words words;
};

double number(const std::string& word, int line, double low, double high, const char* what)
{
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !std::isfinite(value)) fail(line, std::string(what) + ": '" + word + "' is not a number");
    if (value < low || value > high) {
        std::ostringstream range;
        range << what << " " << word << " is outside " << low << ".." << high;
        fail(line, range.str());
    }
    return value;
}

int integer(const std::string& word, int line, int low, int high, const char* what)
{
    const double value = number(word, line, low, high, what);
    if (value != std::floor(value)) fail(line, std::string(what) + ": '" + word + "' is not a whole number");
    return static_cast<int>(value);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int hex(const std::string& digits)
{
    int value = 0;
    for (char c : digits) {
        if (hexDigit(c) < 0) return -1;
        value = value * 16 + hexDigit(c);
    }
    return digits.empty() ? -1 : value;
}

bool isName(const std::string& word)
{
    if (word.empty() || !std::isalpha(static_cast<unsigned char>(word[0]))) return false;
    return std::all_of(word.begin(), word.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

// ---- instruments ---------------------------------------------------------

struct InstrumentSource {
    std::string name;
    int line = 0;
    std::vector<Line> lines;
};

struct InstrumentBuild {
    Recipe recipe;
    XmBuilder::Instrument instrument;
    XmBuilder::Sample sample;
    bool lengthGiven = false;
    // How much faster than at C-4 the sample plays at the base note: times,
    // rates and cutoffs are written as heard there.
    double heard = 1.0;
    double msRate() const { return recipe.rate * heard; }
};

// Frames, or milliseconds with "ms", at the instrument's rate.
double frames(const std::string& word, int line, double rate)
{
    const bool ms = word.size() > 2 && word.compare(word.size() - 2, 2, "ms") == 0;
    const double value = number(ms ? word.substr(0, word.size() - 2) : word, line, 0.0, MAX_SAMPLE_FRAMES, "a time");
    return ms ? value * rate / 1000.0 : value;
}

double pitch(const std::string& word, int line)
{
    const uint8_t note = XmBuilder::note(word.c_str());
    if (note && note != 97) return C4_HZ * std::pow(2.0, (note - 49) / 12.0);
    return number(word, line, 1.0, 100000.0, "a pitch");
}

// "word value" pairs after the first words of a line.
std::map<std::string, std::string> options(const Words& words, size_t from, int line,
                                           std::initializer_list<const char*> allowed)
{
    std::map<std::string, std::string> result;
    for (size_t i = from; i < words.size(); i += 2) {
        const bool known = std::any_of(allowed.begin(), allowed.end(), [&](const char* a) { return words[i] == a; });
        if (!known) fail(line, "unknown word '" + words[i] + "'");
        if (i + 1 >= words.size()) fail(line, "'" + words[i] + "' needs a value");
        result[words[i]] = words[i + 1];
    }
    return result;
}

void needWords(const Line& line, size_t least, size_t most, const char* usage)
{
    if (line.words.size() < least || line.words.size() > most) fail(line.number, std::string("usage: ") + usage);
}

void envelope(XmBuilder::Envelope& envelope, const Line& line)
{
    size_t i = 1;
    for (; i < line.words.size() && line.words[i].find(':') != std::string::npos; ++i) {
        const std::string& word = line.words[i];
        const size_t colon = word.find(':');
        const int tick = integer(word.substr(0, colon), line.number, 0, 65535, "an envelope tick");
        const int value = integer(word.substr(colon + 1), line.number, 0, 64, "an envelope value");
        if (!envelope.points.empty() && tick <= envelope.points.back()[0])
            fail(line.number, "envelope ticks must rise");
        envelope.points.push_back({static_cast<uint16_t>(tick), static_cast<uint16_t>(value)});
    }
    if (envelope.points.empty() || envelope.points.size() > 12) fail(line.number, "an envelope has 1 to 12 points");
    const int last = static_cast<int>(envelope.points.size()) - 1;
    envelope.on = true;
    while (i < line.words.size()) {
        if (line.words[i] == "sustain" && i + 1 < line.words.size()) {
            envelope.useSustain = true;
            envelope.sustain = static_cast<uint8_t>(integer(line.words[i + 1], line.number, 0, last, "a sustain point"));
            i += 2;
        } else if (line.words[i] == "loop" && i + 2 < line.words.size()) {
            envelope.useLoop = true;
            envelope.loopStart = static_cast<uint8_t>(integer(line.words[i + 1], line.number, 0, last, "a loop point"));
            envelope.loopEnd = static_cast<uint8_t>(integer(line.words[i + 2], line.number, envelope.loopStart, last, "a loop point"));
            i += 3;
        } else {
            fail(line.number, "usage: volenv|panenv T:V ... [sustain I] [loop A B]");
        }
    }
}

using RecipeHandler = void (*)(InstrumentBuild& build, const Line& line);

struct RecipeWord {
    const char* word;
    RecipeHandler handler;
};

void oscillatorLine(InstrumentBuild& b, const Line& line)
{
    if (line.words.size() < 3) fail(line.number, "usage: osc KIND PITCH [level L] [width W] [voices N] [detune C] [seed S]");
    Oscillator o;
    const WaveName* kind = std::find_if(std::begin(WAVE_NAMES), std::end(WAVE_NAMES),
                                        [&](const WaveName& w) { return line.words[1] == w.name; });
    if (kind == std::end(WAVE_NAMES)) fail(line.number, "unknown oscillator '" + line.words[1] + "'");
    o.wave = kind->wave;
    if (o.wave != Wave::Noise) o.frequency = pitch(line.words[2], line.number);
    for (const auto& [word, value] : options(line.words, 3, line.number, {"level", "width", "voices", "detune", "seed"})) {
        if (word == "level") o.level = number(value, line.number, 0.0, 16.0, "a level");
        if (word == "width") o.width = number(value, line.number, 0.01, 0.99, "a width");
        if (word == "voices") o.voices = integer(value, line.number, 1, 16, "a voice count");
        if (word == "detune") o.detune = number(value, line.number, 0.0, 1200.0, "a detune");
        if (word == "seed") o.seed = static_cast<uint32_t>(integer(value, line.number, 0, 1 << 30, "a seed"));
    }
    b.recipe.oscillators.push_back(o);
}

void pitchLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 4, 5, "pitch FROM TO TIME [exp]");
    PitchSweep sweep;
    sweep.from = number(line.words[1], line.number, -96, 96, "a pitch offset");
    sweep.to = number(line.words[2], line.number, -96, 96, "a pitch offset");
    sweep.time = frames(line.words[3], line.number, b.msRate());
    if (line.words.size() == 5) {
        if (line.words[4] != "exp") fail(line.number, "usage: pitch FROM TO TIME [exp]");
        sweep.exponential = true;
    }
    b.recipe.sweeps.push_back(sweep);
}

void vibratoLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 3, 5, "vibrato RATE DEPTH [delay TIME]");
    b.recipe.vibratoRate = number(line.words[1], line.number, 0.01, 50.0, "a vibrato rate") / b.heard;
    b.recipe.vibratoDepth = number(line.words[2], line.number, 0.0, 1200.0, "a vibrato depth");
    if (line.words.size() == 5 && line.words[3] == "delay")
        b.recipe.vibratoDelay = frames(line.words[4], line.number, b.msRate());
    else if (line.words.size() != 3)
        fail(line.number, "usage: vibrato RATE DEPTH [delay TIME]");
}

void filterLine(InstrumentBuild& b, const Line& line)
{
    if (line.words.size() < 3) fail(line.number, "usage: filter lowpass|highpass|resonant HZ ...");
    Filter f;
    const std::string& kind = line.words[1];
    if (kind == "lowpass")
        f.kind = FilterKind::LowPass;
    else if (kind == "highpass")
        f.kind = FilterKind::HighPass;
    else if (kind == "resonant")
        f.kind = FilterKind::Resonant;
    else
        fail(line.number, "unknown filter '" + kind + "'");
    f.from = f.to = number(line.words[2], line.number, 1.0, 100000.0, "a cutoff") / b.heard;
    size_t i = 3;
    while (i < line.words.size()) {
        const std::string& word = line.words[i];
        if (word == "q" && f.kind == FilterKind::Resonant && i + 1 < line.words.size()) {
            f.q = number(line.words[i + 1], line.number, 0.1, 40.0, "a q");
            i += 2;
        } else if (word == "to" && i + 3 < line.words.size() && line.words[i + 2] == "in") {
            f.to = number(line.words[i + 1], line.number, 1.0, 100000.0, "a cutoff") / b.heard;
            f.glide = frames(line.words[i + 3], line.number, b.msRate());
            i += 4;
        } else {
            fail(line.number, "usage: filter KIND HZ [q Q] [to HZ in TIME]");
        }
    }
    b.recipe.filters.push_back(f);
}

void driveLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 2, 2, "drive D");
    b.recipe.drive = number(line.words[1], line.number, 0.0, 100.0, "a drive");
}

void ampLine(InstrumentBuild& b, const Line& line)
{
    if (line.words.size() < 2) fail(line.number, "usage: amp T:V T:V ...");
    b.recipe.amp.clear();
    for (size_t i = 1; i < line.words.size(); ++i) {
        const std::string& word = line.words[i];
        const size_t colon = word.find(':');
        if (colon == std::string::npos) fail(line.number, "usage: amp T:V T:V ...");
        const ShapePoint point{frames(word.substr(0, colon), line.number, b.msRate()),
                               number(word.substr(colon + 1), line.number, 0.0, 16.0, "a level")};
        if (!b.recipe.amp.empty() && point.frame <= b.recipe.amp.back().frame) fail(line.number, "amp times must rise");
        b.recipe.amp.push_back(point);
    }
}

void lengthLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 2, 2, "length TIME");
    b.recipe.length = static_cast<int>(std::lround(frames(line.words[1], line.number, b.msRate())));
    if (b.recipe.length < 1) fail(line.number, "a sample has at least one frame");
    b.lengthGiven = true;
}

void loopLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 3, 3, "loop START END");
    b.recipe.loopStart = static_cast<int>(std::lround(frames(line.words[1], line.number, b.msRate())));
    b.recipe.loopEnd = static_cast<int>(std::lround(frames(line.words[2], line.number, b.msRate())));
    if (b.recipe.loopEnd <= b.recipe.loopStart) fail(line.number, "a loop ends after it starts");
}

void bitsLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 2, 2, "bits 8|16");
    if (line.words[1] != "8" && line.words[1] != "16") fail(line.number, "bits are 8 or 16");
    b.recipe.sixteenBit = line.words[1] == "16";
}

void peakLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 2, 2, "peak P");
    b.recipe.peak = number(line.words[1], line.number, 0.01, 1.0, "a peak");
}

void volumeLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 2, 2, "volume 0..64");
    b.sample.volume = static_cast<uint8_t>(integer(line.words[1], line.number, 0, 64, "a volume"));
}

void panningLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 2, 2, "panning 0..255");
    b.sample.panning = static_cast<uint8_t>(integer(line.words[1], line.number, 0, 255, "a panning"));
}

void fadeoutLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 2, 2, "fadeout 0..4095");
    b.instrument.fadeOut = static_cast<uint16_t>(integer(line.words[1], line.number, 0, 4095, "a fade-out"));
}

void relnoteLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 2, 2, "relnote -96..95");
    b.sample.relativeNote = static_cast<int8_t>(integer(line.words[1], line.number, -96, 95, "a relative note"));
}

void finetuneLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 2, 2, "finetune -128..127");
    b.sample.finetune = static_cast<int8_t>(integer(line.words[1], line.number, -128, 127, "a finetune"));
}

void baseLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 2, 2, "base NOTE");
    const uint8_t note = XmBuilder::note(line.words[1].c_str());
    if (!note || note == 97) fail(line.number, "'" + line.words[1] + "' is not a note");
    b.heard = std::pow(2.0, (note - 49) / 12.0);
}

void volenvLine(InstrumentBuild& b, const Line& line) { envelope(b.instrument.volume, line); }
void panenvLine(InstrumentBuild& b, const Line& line) { envelope(b.instrument.panning, line); }

// These come first: they set the rate every time is read at.
const RecipeWord RATE_WORDS[] = {{"relnote", relnoteLine}, {"finetune", finetuneLine}, {"base", baseLine}};
const RecipeWord RECIPE_WORDS[] = {
    {"osc", oscillatorLine},   {"pitch", pitchLine},       {"vibrato", vibratoLine}, {"filter", filterLine},
    {"drive", driveLine},      {"amp", ampLine},           {"length", lengthLine},   {"loop", loopLine},
    {"bits", bitsLine},        {"peak", peakLine},         {"volume", volumeLine},   {"panning", panningLine},
    {"fadeout", fadeoutLine},  {"volenv", volenvLine},     {"panenv", panenvLine},
};

template <size_t N>
const RecipeWord* findWord(const RecipeWord (&table)[N], const std::string& word)
{
    for (const RecipeWord& entry : table)
        if (word == entry.word) return &entry;
    return nullptr;
}

void buildInstrument(const InstrumentSource& source, XmBuilder& xm)
{
    InstrumentBuild b;
    for (const Line& line : source.lines)
        if (const RecipeWord* entry = findWord(RATE_WORDS, line.words[0])) entry->handler(b, line);
    b.recipe.rate = 8363.0 * std::pow(2.0, (b.sample.relativeNote + b.sample.finetune / 128.0) / 12.0);
    b.recipe.length = static_cast<int>(std::lround(b.recipe.rate));
    for (const Line& line : source.lines) {
        if (findWord(RATE_WORDS, line.words[0])) continue;
        const RecipeWord* entry = findWord(RECIPE_WORDS, line.words[0]);
        if (!entry) fail(line.number, "unknown instrument word '" + line.words[0] + "'");
        entry->handler(b, line);
    }
    Recipe& r = b.recipe;
    // A loop holds whole cycles of the first pitched oscillator, so that
    // tuning every oscillator to whole cycles over it moves no pitch much.
    const auto pitched = std::find_if(r.oscillators.begin(), r.oscillators.end(),
                                      [](const Oscillator& o) { return o.wave != Wave::Noise; });
    if (r.loopEnd > r.loopStart && pitched != r.oscillators.end()) {
        const double period = r.rate / pitched->frequency;
        const double cycles = std::max(1.0, std::round((r.loopEnd - r.loopStart) / period));
        const int end = r.loopStart + static_cast<int>(std::lround(cycles * period));
        if (r.loopEnd == r.length) r.length = end;
        r.loopEnd = end;
    }
    if (r.length > MAX_SAMPLE_FRAMES) fail(source.line, "instrument '" + source.name + "' is longer than a sample may be");
    if (r.loopEnd > r.length) fail(source.line, "the loop of '" + source.name + "' ends past the sample");
    b.sample.values = renderRecipe(r);
    b.sample.sixteenBit = r.sixteenBit;
    if (r.loopEnd > r.loopStart) {
        b.sample.loop = XmBuilder::ForwardLoop;
        b.sample.loopStart = static_cast<uint32_t>(r.loopStart);
        b.sample.loopLength = static_cast<uint32_t>(r.loopEnd - r.loopStart);
        // Nothing after the loop is ever heard.
        b.sample.values.resize(static_cast<size_t>(r.loopEnd));
    }
    b.instrument.samples.push_back(b.sample);
    xm.instruments.push_back(b.instrument);
}

// ---- patterns ------------------------------------------------------------

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
    std::string fileName;
    XmBuilder xm;
    bool channelsFixed = false;
    std::vector<InstrumentSource> instruments;
    std::vector<PatternSource> patterns;
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
        for (PatternSource& p : patterns)
            if (p.name == name) return &p;
        return nullptr;
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
        patterns.push_back(p);
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
        int rows = p.rows;
        for (const PatternSource& l : p.layers) rows = std::max(rows, l.totalRows());
        p.rowCount = rows;
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
        } else if (word == "restart") {
            needWords(line, 2, 2, "restart PATTERN");
            restart = w[1];
            restartLine = line.number;
        } else if (word == "order") {
            for (size_t i = 1; i < w.size(); ++i) {
                const size_t star = w[i].find('*');
                const std::string name = w[i].substr(0, star);
                const int times = star == std::string::npos ? 1 : integer(w[i].substr(star + 1), line.number, 1, 256, "a repeat");
                for (int k = 0; k < times; ++k) order.emplace_back(name, line.number);
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
        for (const InstrumentSource& i : instruments) buildInstrument(i, xm);
        if (order.empty()) fail(lastLine, "the song has no order");
        if (order.size() > 256) fail(order[256].second, "an order has at most 256 entries");
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

Words split(const std::string& text)
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
    return words;
}

}  // namespace

bool compileTuneSource(const std::string& text, const std::string& fileName, std::vector<uint8_t>& module,
                       std::string& error)
{
    Parser parser;
    parser.fileName = fileName;
    parser.xm.name = "";
    parser.xm.tempo = 6;
    parser.xm.bpm = 125;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    try {
        while (std::getline(lines, line)) {
            ++number;
            Words words = split(line);
            if (!words.empty()) parser.statement({number, std::move(words)});
        }
        parser.finish(number);
    } catch (const SourceError& e) {
        error = fileName + ":" + std::to_string(e.line) + ": " + e.message;
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
