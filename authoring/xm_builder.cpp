#include "authoring/xm_builder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct Writer {
    std::vector<uint8_t> bytes;

    void u8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void text(const std::string& s, size_t width)
    {
        for (size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
    void zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
    void put32At(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
};

void writeCells(Writer& out, const XmBuilder::Pattern& pattern)
{
    for (const XmBuilder::Cell& cell : pattern.cells) {
        if (pattern.packing == XmBuilder::Packing::Unpacked) {
            out.u8(cell.note);
            out.u8(cell.instrument);
            out.u8(cell.volume);
            out.u8(cell.effect);
            out.u8(cell.parameter);
            continue;
        }
        uint8_t mask = 0x80;
        if (cell.note) mask |= 0x01;
        if (cell.instrument) mask |= 0x02;
        if (cell.volume) mask |= 0x04;
        if (cell.effect) mask |= 0x08;
        if (cell.parameter) mask |= 0x10;
        out.u8(mask);
        if (cell.note) out.u8(cell.note);
        if (cell.instrument) out.u8(cell.instrument);
        if (cell.volume) out.u8(cell.volume);
        if (cell.effect) out.u8(cell.effect);
        if (cell.parameter) out.u8(cell.parameter);
    }
}

void writeEnvelopePoints(Writer& out, const XmBuilder::Envelope& envelope)
{
    for (size_t i = 0; i < 12; ++i) {
        const bool used = i < envelope.points.size();
        out.u16(used ? envelope.points[i][0] : 0);
        out.u16(used ? envelope.points[i][1] : 0);
    }
}

uint8_t envelopeType(const XmBuilder::Envelope& envelope)
{
    return static_cast<uint8_t>((envelope.on ? 1 : 0) | (envelope.useSustain ? 2 : 0) | (envelope.useLoop ? 4 : 0));
}

void writeSampleData(Writer& out, const XmBuilder::Sample& sample)
{
    // Stored as differences between successive values.
    int32_t previous = 0;
    for (int16_t value : sample.values) {
        const int32_t delta = value - previous;
        previous = value;
        if (sample.sixteenBit)
            out.u16(static_cast<uint16_t>(delta));
        else
            out.u8(static_cast<uint8_t>(delta));
    }
}

}  // namespace

XmBuilder::Pattern& XmBuilder::addPattern(int rows)
{
    Pattern pattern;
    pattern.rows = rows;
    pattern.channels = channels;
    pattern.cells.resize(static_cast<size_t>(rows) * channels);
    patterns.push_back(pattern);
    return patterns.back();
}

XmBuilder::Instrument& XmBuilder::addInstrument(const Sample& sample)
{
    Instrument instrument;
    instrument.samples.push_back(sample);
    instruments.push_back(instrument);
    return instruments.back();
}

std::vector<uint8_t> XmBuilder::build() const
{
    Writer out;
    out.text("Extended Module: ", 17);
    out.text(name, 20);
    out.u8(0x1A);
    out.text(tracker, 20);
    out.u16(0x0104);
    out.u32(headerSize);
    out.u16(songLengthField.value_or(static_cast<uint16_t>(order.size())));
    out.u16(restartPosition);
    out.u16(channelsField.value_or(static_cast<uint16_t>(channels)));
    out.u16(patternCountField.value_or(static_cast<uint16_t>(patterns.size())));
    out.u16(instrumentCountField.value_or(static_cast<uint16_t>(instruments.size())));
    out.u16(linearFrequencies ? 1 : 0);
    out.u16(tempo);
    out.u16(bpm);
    for (size_t i = 0; i < 256; ++i) out.u8(i < order.size() ? order[i] : 0);
    // A header larger than the fields written is padded out.
    if (headerSize > 276) out.zeros(headerSize - 276);

    for (const Pattern& pattern : patterns) {
        out.u32(9);
        out.u8(0);
        out.u16(static_cast<uint16_t>(pattern.rows));
        const size_t sizeAt = out.bytes.size();
        out.u16(0);
        if (pattern.packing == Packing::Empty) continue;
        const size_t start = out.bytes.size();
        writeCells(out, pattern);
        const size_t packed = out.bytes.size() - start;
        out.bytes[sizeAt] = static_cast<uint8_t>(packed);
        out.bytes[sizeAt + 1] = static_cast<uint8_t>(packed >> 8);
    }

    for (const Instrument& instrument : instruments) {
        const size_t start = out.bytes.size();
        out.u32(0);  // header size, filled in below
        out.text("", 22);
        out.u8(0);
        out.u16(static_cast<uint16_t>(instrument.samples.size()));
        if (!instrument.samples.empty()) {
            out.u32(40);
            for (uint8_t slot : instrument.sampleMap) out.u8(slot);
            writeEnvelopePoints(out, instrument.volume);
            writeEnvelopePoints(out, instrument.panning);
            out.u8(instrument.volume.pointCountField.value_or(static_cast<uint8_t>(instrument.volume.points.size())));
            out.u8(instrument.panning.pointCountField.value_or(static_cast<uint8_t>(instrument.panning.points.size())));
            out.u8(instrument.volume.sustain);
            out.u8(instrument.volume.loopStart);
            out.u8(instrument.volume.loopEnd);
            out.u8(instrument.panning.sustain);
            out.u8(instrument.panning.loopStart);
            out.u8(instrument.panning.loopEnd);
            out.u8(envelopeType(instrument.volume));
            out.u8(envelopeType(instrument.panning));
            out.u8(instrument.vibratoType);
            out.u8(instrument.vibratoSweep);
            out.u8(instrument.vibratoDepth);
            out.u8(instrument.vibratoRate);
            out.u16(instrument.fadeOut);
            out.zeros(22);
        }
        out.put32At(start, static_cast<uint32_t>(out.bytes.size() - start));
        for (const Sample& sample : instrument.samples) {
            const uint32_t width = sample.sixteenBit ? 2 : 1;
            out.u32(sample.lengthField.value_or(static_cast<uint32_t>(sample.values.size()) * width));
            out.u32(sample.loopStartField.value_or(sample.loopStart * width));
            out.u32(sample.loopLengthField.value_or(sample.loopLength * width));
            out.u8(sample.volume);
            out.u8(static_cast<uint8_t>(sample.finetune));
            out.u8(static_cast<uint8_t>(sample.loop | (sample.sixteenBit ? 0x10 : 0)));
            out.u8(sample.panning);
            out.u8(static_cast<uint8_t>(sample.relativeNote));
            out.u8(0);
            out.text("", 22);
        }
        for (const Sample& sample : instrument.samples) writeSampleData(out, sample);
    }
    return out.bytes;
}

bool XmBuilder::writeFile(const std::string& path, std::string& error) const
{
    const std::vector<uint8_t> bytes = build();
    FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && std::fclose(file) != 0) ok = false;
    if (!ok) error = "cannot write " + path + ": " + std::strerror(errno);
    return ok;
}

uint8_t XmBuilder::note(const char* name)
{
    if (!name || std::strlen(name) != 3) return 0;
    if (std::strcmp(name, "===") == 0) return 97;
    static const char* const names[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
    for (int semitone = 0; semitone < 12; ++semitone) {
        if (std::strncmp(name, names[semitone], 2) != 0) continue;
        const int octave = name[2] - '0';
        if (octave < 0 || octave > 7) return 0;
        return static_cast<uint8_t>(octave * 12 + semitone + 1);
    }
    return 0;
}
