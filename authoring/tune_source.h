// The text form of the music, compiled by xmtune (and by the show, for
// --module) into an XM module: instruments as synthesis recipes, patterns in
// tracker notation, an order list. docs/music.md describes the format.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// How much work one source may ask for, counted from what it says before
// any of it is done, so a hostile source is refused at once. The defaults
// leave the show's own tune wide room; a fuzzer sets them lower.
struct TuneLimits {
    // Sample frames times the terms each frame sums, over every instrument
    // (recipeWork in tools/synth.h). The show's tune takes 5.1 million.
    int64_t synthesisWork = int64_t{1} << 28;
    // Cells of patterns, of their layers and of the parts of those, as each
    // is written. The show's tune writes 38,385.
    int64_t patternCells = int64_t{1} << 24;
    // The text itself. The show's tune has 77,380 bytes.
    size_t sourceBytes = size_t{1} << 22;
    // Sample data of the module, two bytes a frame, over every instrument:
    // the module must load in the player (which reads at most 256 MiB) and
    // compile without holding up a preview. The show's tune has 56 KB.
    int64_t sampleBytes = int64_t{1} << 25;
};

// The module's bytes, or false with "file:line: message" in `error`. The
// same text always gives the same bytes.
bool compileTuneSource(const std::string& text, const std::string& fileName, std::vector<uint8_t>& module,
                       std::string& error, const TuneLimits& limits = {});

// Whether `bytes` are an XM module rather than a tune source.
bool looksLikeXm(const std::vector<uint8_t>& bytes);
