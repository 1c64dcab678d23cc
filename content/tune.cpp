// The show's soundtrack, composed in code: a placeholder tune in A minor on
// six channels (kick, snare and hats, bass, lead, echo of the lead, chord
// pad), every instrument a waveform synthesised here.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tools/xm_builder.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr int CYCLE = 64;  // single-cycle waveforms; relative note +12 puts C-4 at 261 Hz

enum Channel { KICK, SNARE, BASS, LEAD, ECHO, PAD, CHANNELS };
enum InstrumentNumber { I_KICK = 1, I_SNARE, I_HAT, I_BASS, I_LEAD, I_PAD };

int16_t clip16(double value)
{
    if (value > 32767.0) return 32767;
    if (value < -32768.0) return -32768;
    return static_cast<int16_t>(std::lround(value));
}

XmBuilder::Sample cycle(double (*shape)(double), double level)
{
    XmBuilder::Sample sample;
    sample.sixteenBit = true;
    for (int i = 0; i < CYCLE; ++i) sample.values.push_back(clip16(shape(static_cast<double>(i) / CYCLE) * level));
    sample.loop = XmBuilder::ForwardLoop;
    sample.loopStart = 0;
    sample.loopLength = CYCLE;
    sample.relativeNote = 12;
    return sample;
}

// A saw with its top harmonics rolled off, so the bass does not buzz.
double softSaw(double phase)
{
    double value = 0.0;
    for (int h = 1; h <= 12; ++h) value += std::sin(2.0 * PI * h * phase) / h * (1.0 - h / 14.0);
    return value * 0.55;
}

double pulse(double phase)
{
    double value = 0.0;
    for (int h = 1; h <= 15; h += 2) value += std::sin(2.0 * PI * h * phase) / h;
    return value * 0.9 + 0.25 * std::sin(4.0 * PI * phase);
}

double triangle(double phase) { return phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase; }

// A falling sine with a click at its head: 0.3 s at the C-4 rate of 8363 Hz.
XmBuilder::Sample kick()
{
    XmBuilder::Sample sample;
    sample.sixteenBit = true;
    double phase = 0.0;
    const int length = 2600;
    for (int i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / 8363.0;
        const double frequency = 45.0 + 120.0 * std::exp(-t * 28.0);
        phase += frequency / 8363.0;
        const double body = std::sin(2.0 * PI * phase) * std::exp(-t * 9.0);
        sample.values.push_back(clip16(body * 30000.0));
    }
    return sample;
}

// Noise through a gentle decay; `brightness` mixes the raw noise with a
// smoothed copy.
XmBuilder::Sample noiseBurst(int length, double decay, double brightness, uint32_t seed)
{
    XmBuilder::Sample sample;
    sample.sixteenBit = true;
    uint32_t state = seed;
    double smooth = 0.0;
    for (int i = 0; i < length; ++i) {
        state = state * 1664525u + 1013904223u;
        const double white = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
        smooth = smooth * 0.6 + white * 0.4;
        const double tone = i < length / 3 ? 0.35 * std::sin(2.0 * PI * 190.0 * i / 8363.0) : 0.0;
        const double value = (white * brightness + smooth * (1.0 - brightness) + tone) * std::exp(-i * decay);
        sample.values.push_back(clip16(value * 24000.0));
    }
    return sample;
}

void addEnvelope(XmBuilder::Envelope& envelope, std::vector<std::array<uint16_t, 2>> points, int sustain)
{
    envelope.points = std::move(points);
    envelope.on = true;
    if (sustain >= 0) {
        envelope.useSustain = true;
        envelope.sustain = static_cast<uint8_t>(sustain);
    }
}

// One token a row: a note name such as "A-4", "===" for a key-off, "..."
// for nothing.
void putLine(XmBuilder::Pattern& pattern, int channel, uint8_t instrument, const std::string& line,
             uint8_t volume = 0)
{
    std::istringstream tokens(line);
    std::string token;
    for (int row = 0; row < pattern.rows && tokens >> token; ++row) {
        const uint8_t note = XmBuilder::note(token.c_str());
        if (!note) continue;
        XmBuilder::Cell& cell = pattern.at(row, channel);
        cell.note = note;
        if (note != 97) {
            cell.instrument = instrument;
            cell.volume = volume;
        }
    }
}

void drums(XmBuilder::Pattern& pattern, bool full)
{
    for (int row = 0; row < pattern.rows; ++row) {
        if (row % 8 == 0 || (full && row % 16 == 10)) {
            XmBuilder::Cell& kickCell = pattern.at(row, KICK);
            kickCell.note = XmBuilder::note("C-4");
            kickCell.instrument = I_KICK;
        }
        XmBuilder::Cell& cell = pattern.at(row, SNARE);
        if (full && row % 8 == 4) {
            cell.note = XmBuilder::note("C-4");
            cell.instrument = I_SNARE;
        } else if (row % 2 == 0) {
            cell.note = XmBuilder::note(row % 4 == 2 ? "C-5" : "G-4");
            cell.instrument = I_HAT;
            cell.volume = static_cast<uint8_t>(0x10 + (row % 4 == 2 ? 34 : 22));
        }
    }
}

const char* const CHORD_ROOTS[4] = {"A-2", "F-2", "C-3", "G-2"};
// Arpeggio parameters: minor, major, major, major.
const uint8_t CHORD_SHAPES[4] = {0x37, 0x47, 0x47, 0x47};
const char* const PAD_NOTES[4] = {"A-4", "F-4", "C-4", "G-4"};

void bassAndPad(XmBuilder::Pattern& pattern, bool busy)
{
    for (int chord = 0; chord < 4; ++chord) {
        const int base = chord * 16;
        const uint8_t root = XmBuilder::note(CHORD_ROOTS[chord]);
        for (int step = 0; step < 16; step += busy ? 2 : 4) {
            XmBuilder::Cell& cell = pattern.at(base + step, BASS);
            cell.note = static_cast<uint8_t>(root + (busy && step % 4 == 2 ? 12 : 0));
            cell.instrument = I_BASS;
        }
        XmBuilder::Cell& pad = pattern.at(base, PAD);
        pad.note = XmBuilder::note(PAD_NOTES[chord]);
        pad.instrument = I_PAD;
        for (int step = 0; step < 16; ++step) {
            XmBuilder::Cell& cell = pattern.at(base + step, PAD);
            cell.effect = 0x0;
            cell.parameter = CHORD_SHAPES[chord];
        }
        pattern.at(base + 15, PAD).note = 97;
    }
}

// The lead and its echo, three rows later, quieter and to the other side.
void melody(XmBuilder::Pattern& pattern, const std::string& line)
{
    putLine(pattern, LEAD, I_LEAD, line);
    for (int row = 0; row + 3 < pattern.rows; ++row) {
        XmBuilder::Cell source = pattern.at(row, LEAD);
        if (!source.note) continue;
        XmBuilder::Cell& echo = pattern.at(row + 3, ECHO);
        echo = source;
        if (source.note != 97) echo.volume = 0x10 + 20;
        echo.effect = 0x8;
        echo.parameter = 0x30;
    }
}

}  // namespace

XmBuilder composeTune()
{
    XmBuilder xm;
    xm.name = "placeholder theme";
    xm.channels = CHANNELS;
    xm.tempo = 6;
    xm.bpm = 122;

    XmBuilder::Sample kickSample = kick();
    kickSample.volume = 60;
    xm.addInstrument(kickSample);

    XmBuilder::Sample snare = noiseBurst(2400, 0.0016, 0.7, 0x1234567u);
    snare.volume = 44;
    snare.panning = 112;
    xm.addInstrument(snare);

    XmBuilder::Sample hat = noiseBurst(700, 0.007, 1.0, 0x89ABCDEu);
    hat.volume = 30;
    hat.panning = 150;
    hat.relativeNote = 12;
    xm.addInstrument(hat);

    XmBuilder::Instrument& bass = xm.addInstrument(cycle(softSaw, 15000.0));
    bass.samples[0].volume = 50;
    addEnvelope(bass.volume, {{0, 64}, {6, 48}, {40, 30}, {60, 0}}, -1);

    XmBuilder::Instrument& lead = xm.addInstrument(cycle(pulse, 11000.0));
    lead.samples[0].volume = 40;
    lead.samples[0].panning = 96;
    addEnvelope(lead.volume, {{0, 0}, {2, 64}, {10, 44}, {30, 36}}, 3);
    addEnvelope(lead.panning, {{0, 28}, {24, 36}, {48, 28}}, -1);
    lead.panning.useLoop = true;
    lead.panning.loopStart = 0;
    lead.panning.loopEnd = 2;
    lead.fadeOut = 1200;

    XmBuilder::Instrument& pad = xm.addInstrument(cycle(triangle, 12000.0));
    pad.samples[0].volume = 26;
    pad.samples[0].panning = 170;
    addEnvelope(pad.volume, {{0, 0}, {24, 64}, {40, 52}}, 2);
    pad.fadeOut = 600;

    const std::string themeA =
        "A-4 ... ... ... C-5 ... E-5 ... D-5 ... C-5 ... B-4 ... === ... "
        "A-4 ... ... ... F-4 ... A-4 ... C-5 ... ... ... A-4 ... === ... "
        "G-4 ... ... ... C-5 ... E-5 ... G-5 ... F-5 ... E-5 ... === ... "
        "D-5 ... ... ... B-4 ... G-4 ... B-4 ... D-5 ... ... ... === ...";
    const std::string themeB =
        "E-5 ... ... ... ... ... D-5 ... C-5 ... D-5 ... E-5 ... A-5 ... "
        "F-5 ... ... ... E-5 ... C-5 ... A-4 ... ... ... C-5 ... === ... "
        "E-5 ... G-5 ... ... ... E-5 ... C-5 ... ... ... D-5 ... E-5 ... "
        "D-5 ... ... ... ... ... B-4 ... G-4 ... ... ... ... ... === ...";

    XmBuilder::Pattern& intro = xm.addPattern(64);
    drums(intro, false);
    bassAndPad(intro, false);

    XmBuilder::Pattern& verse = xm.addPattern(64);
    drums(verse, true);
    bassAndPad(verse, true);
    melody(verse, themeA);

    XmBuilder::Pattern& chorus = xm.addPattern(64);
    drums(chorus, true);
    bassAndPad(chorus, true);
    melody(chorus, themeB);

    XmBuilder::Pattern& bridge = xm.addPattern(64);
    bassAndPad(bridge, false);
    melody(bridge, themeA);
    // A slow glide into the last phrase.
    bridge.at(48, LEAD).effect = 0x3;
    bridge.at(48, LEAD).parameter = 0x08;

    xm.order = {0, 1, 2, 1, 2, 3, 1, 2, 2, 3, 1, 2, 0, 1, 2, 3, 0};
    xm.restartPosition = 1;
    return xm;
}
