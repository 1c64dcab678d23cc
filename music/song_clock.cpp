#include "music/song_clock.h"

#include <set>
#include <utility>

#include "core/numeric.h"
#include "music/effects.h"
#include "music/mixer.h"
#include "music/playback.h"

int32_t framesPerTickAt(int32_t bpm)
{
    XmModule probe{};
    setTempo(&probe, bpm);
    return probe.framesPerTick;
}

std::vector<SongRow> songRows(const XmModule& module, size_t maxRows)
{
    std::vector<SongRow> rows;
    int32_t speed = module.defaultTempo;
    int32_t framesPerTick = framesPerTickAt(module.defaultBpm);
    int32_t order = 0, row = 0;
    int64_t frame = 0;
    std::set<std::pair<int32_t, int32_t>> played;
    while (rows.size() < maxRows) {
        if (row >= rowsAtOrder(&module, order)) row = 0;
        rows.push_back({order, row, frame});
        if (!played.insert({order, row}).second) break;  // the song loops here

        // Tick 0 of the row, in the player's channel order: the last break
        // and the last speed or tempo of the row win.
        int32_t nextRow = -1, nextOrder = -1;
        if (const XmPattern* pattern = patternAtOrder(&module, order)) {
            const PatternCell* cells = pattern->cells + static_cast<size_t>(row) * module.channelCount;
            for (int32_t c = 0; c < module.channelCount; ++c) {
                const PatternCell& cell = cells[c];
                if (cell.effect == static_cast<uint8_t>(Effect::PatternBreak)) {
                    nextRow = (cell.parameter >> 4) * 10 + (cell.parameter & 0x0F);
                    if (nextRow > 63) nextRow = 0;
                    nextOrder = order + 1 >= module.songLength ? 0 : order + 1;
                } else if (cell.effect == static_cast<uint8_t>(Effect::SetSpeed)) {
                    if (cell.parameter < 32) speed = cell.parameter;
                    else framesPerTick = framesPerTickAt(cell.parameter);
                }
            }
        }
        // A speed of 0 plays every tick as a row's first, as a speed of 1.
        frame += static_cast<int64_t>(speed < 1 ? 1 : speed) * framesPerTick;

        if (nextRow == -1) {
            nextRow = row + 1;
            nextOrder = order;
            if (nextRow >= rowsAtOrder(&module, order)) {
                nextOrder = order + 1;
                if (nextOrder >= module.songLength) nextOrder = module.restartPosition;
                if (nextOrder < 0 || nextOrder >= module.songLength) nextOrder = 0;
                nextRow = 0;
            }
        }
        order = nextOrder;
        row = nextRow;
    }
    return rows;
}
