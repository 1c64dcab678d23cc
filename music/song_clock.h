// When each row of a song starts, as the engine's player plays it: the
// speed and tempo rows set, the breaks that end a pattern early, and ticks
// of a whole number of output frames (setTempo). Worked out from the
// module's patterns alone, without the player, so it can be asked while
// another module plays.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "music/xm_module.h"

struct SongRow {
    int32_t order;
    int32_t row;
    int64_t frame;  // output frames (at the mix rate) from the song's start
};

// The output frames of one tick at `bpm`, as the player plays it: 918 at 120.
int32_t framesPerTickAt(int32_t bpm);

// The rows in the order they play, each with the frame it starts at, up to
// the first row that the song plays a second time (where it loops) or
// `maxRows` rows; the last entry is where that row would start, so every
// row before it has a length.
// A module for the FastTracker 2 player has its rows worked out as that
// player plays them (whole-frame ticks, jumps, pattern delays).
std::vector<SongRow> songRows(const XmModule& module, size_t maxRows = 1 << 16);
std::vector<SongRow> ft2SongRows(const XmModule& module, size_t maxRows = 1 << 16);
