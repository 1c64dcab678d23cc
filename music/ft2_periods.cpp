// Note periods and frequencies of the FastTracker 2 player, linear and Amiga.
#include <algorithm>
#include <cmath>

#include "music/ft2_player.h"

namespace ft2 {

namespace {

constexpr int32_t INDEX_COUNT = 121 * 16;  // notes 0..119 and the finetune steps past them
constexpr int32_t HIGHEST_ARPEGGIO_INDEX = 8 * 12 * 16 + 15;

// Amiga periods: C-4 is 1712 (8363 Hz), 192 steps an octave, rounded to
// whole periods as the tracker's table holds them.
int32_t amigaPeriod(int32_t index)
{
    return static_cast<int32_t>(std::lround(27392.0 * std::exp2(-(index - 16) / 192.0)));
}

}  // namespace

const uint8_t vibratoSine[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212, 224, 235, 244, 250, 253,
                                 255, 253, 250, 244, 235, 224, 212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

int32_t notePeriod(int32_t index, bool linear)
{
    index = std::clamp(index, 0, INDEX_COUNT - 1);
    return linear ? 7744 - 4 * index : amigaPeriod(index);
}

int32_t relocatePeriod(int32_t period, int32_t semitones, int8_t finetune, bool linear)
{
    // The lowest note (with the channel's finetune) whose pitch is at or
    // above the period's, found by halving as the tracker does.
    const int32_t fine = (finetune >> 3) + 16;
    int32_t low = 0, high = 8 * 12 * 16;
    for (int32_t i = 0; i < 8; ++i) {
        const int32_t middle = (((low + high) >> 1) & ~15) + fine;
        const int32_t index = std::max(middle - 16, 0);
        if (period >= notePeriod(index, linear))
            high = middle - fine;
        else
            low = middle - fine;
    }
    int32_t index = low + fine + semitones * 16;
    if (index >= HIGHEST_ARPEGGIO_INDEX) index = HIGHEST_ARPEGGIO_INDEX;
    return notePeriod(index, linear);
}

double periodHz(int32_t period, bool linear)
{
    if (period <= 0) return 0.0;
    if (linear) return 8363.0 * std::exp2((4608 - period) / 768.0);
    return 8363.0 * 1712.0 / period;
}

int32_t autoVibratoSine(uint8_t position)
{
    return -static_cast<int32_t>(std::lround(64.0 * std::sin(2.0 * M_PI * position / 256.0)));
}

}  // namespace ft2
