// Writes XM modules: the tune compiler (tools/tune_source.h) writes the
// show's music with this, and tests build small modules (well-formed or
// deliberately broken) the same way.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "music/player_mode.h"

class XmBuilder {
public:
    struct Cell {
        uint8_t note = 0;  // 1..96 (C-0 is 1), 97 key-off
        uint8_t instrument = 0;
        uint8_t volume = 0;
        uint8_t effect = 0;
        uint8_t parameter = 0;
    };

    enum class Packing { Packed, Unpacked, Empty };

    struct Pattern {
        int rows = 64;
        int channels = 0;
        std::vector<Cell> cells;
        Packing packing = Packing::Packed;
        Cell& at(int row, int channel) { return cells.at(static_cast<size_t>(row) * channels + channel); }
    };

    enum LoopType : uint8_t { NoLoop = 0, ForwardLoop = 1, PingPongLoop = 2 };

    struct Sample {
        std::vector<int16_t> values;  // 8-bit samples hold -128..127
        bool sixteenBit = false;
        LoopType loop = NoLoop;
        uint32_t loopStart = 0, loopLength = 0;  // frames
        uint8_t volume = 64;
        int8_t finetune = 0;
        uint8_t panning = 128;
        int8_t relativeNote = 0;
        // Raw header fields (bytes) written instead of the true ones.
        std::optional<uint32_t> lengthField, loopStartField, loopLengthField;
    };

    struct Envelope {
        std::vector<std::array<uint16_t, 2>> points;  // {tick, value}
        uint8_t sustain = 0, loopStart = 0, loopEnd = 0;
        bool on = false, useSustain = false, useLoop = false;
        std::optional<uint8_t> pointCountField;
    };

    struct Instrument {
        std::vector<Sample> samples;
        std::array<uint8_t, 96> sampleMap{};
        Envelope volume, panning;
        uint16_t fadeOut = 0;  // as stored in the file
        uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;  // auto-vibrato
    };

    int channels = 4;
    bool linearFrequencies = true;
    uint16_t tempo = 6;  // ticks per row
    uint16_t bpm = 125;
    uint16_t restartPosition = 0;
    std::vector<uint8_t> order;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
    std::string name = "untitled";
    // The header's tracker field: the engine's own name plays with the
    // exact player, ENGINE_FT2_TRACKER_NAME with the FastTracker 2 one.
    std::string tracker = ENGINE_TRACKER_NAME;
    // Raw header fields written instead of the true ones.
    std::optional<uint16_t> songLengthField, patternCountField, instrumentCountField, channelsField;
    uint32_t headerSize = 276;

    Pattern& addPattern(int rows);
    // An instrument with one sample that every note plays.
    Instrument& addInstrument(const Sample& sample);

    std::vector<uint8_t> build() const;
    bool writeFile(const std::string& path, std::string& error) const;

    // Note number of a name such as "C-4", "F#3" ("===" is the key-off):
    // 0 for anything else.
    static uint8_t note(const char* name);
};
