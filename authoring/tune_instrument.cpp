#include "authoring/tune_instrument.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "authoring/synth.h"

namespace tune {

namespace {

constexpr int MAX_SAMPLE_FRAMES = 1 << 20;
constexpr double C4_HZ = 261.6255653;

struct InstrumentBuild {
    Recipe recipe;
    XmBuilder::Instrument instrument;
    XmBuilder::Sample sample;
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

// A place in the sample, in whole frames. A time in milliseconds at a high
// rate may come to more frames than any sample holds.
int sampleFrame(const std::string& word, int line, double rate)
{
    const double value = frames(word, line, rate);
    if (value > MAX_SAMPLE_FRAMES)
        fail(line, "'" + word + "' is past the longest sample, " + std::to_string(MAX_SAMPLE_FRAMES) + " frames");
    return static_cast<int>(std::lround(value));
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
    const WaveKind* kind = std::find_if(std::begin(WAVE_KINDS), std::end(WAVE_KINDS),
                                        [&](const WaveKind& w) { return line.words[1] == w.name; });
    if (kind == std::end(WAVE_KINDS)) fail(line.number, "unknown oscillator '" + line.words[1] + "'");
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
    b.recipe.length = sampleFrame(line.words[1], line.number, b.msRate());
    if (b.recipe.length < 1) fail(line.number, "a sample has at least one frame");
}

void loopLine(InstrumentBuild& b, const Line& line)
{
    needWords(line, 3, 3, "loop START END");
    b.recipe.loopStart = sampleFrame(line.words[1], line.number, b.msRate());
    b.recipe.loopEnd = sampleFrame(line.words[2], line.number, b.msRate());
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

}  // namespace

InstrumentRecipe readInstrument(const InstrumentSource& source)
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
    return {b.recipe, b.instrument, b.sample};
}

void addInstrument(const InstrumentRecipe& read, XmBuilder& xm)
{
    const Recipe& r = read.recipe;
    XmBuilder::Sample sample = read.sample;
    sample.values = renderRecipe(r);
    sample.sixteenBit = r.sixteenBit;
    if (r.loopEnd > r.loopStart) {
        sample.loop = XmBuilder::ForwardLoop;
        sample.loopStart = static_cast<uint32_t>(r.loopStart);
        sample.loopLength = static_cast<uint32_t>(r.loopEnd - r.loopStart);
        // Nothing after the loop is ever heard.
        sample.values.resize(static_cast<size_t>(r.loopEnd));
    }
    XmBuilder::Instrument instrument = read.instrument;
    instrument.samples.push_back(sample);
    xm.instruments.push_back(instrument);
}

}  // namespace tune
