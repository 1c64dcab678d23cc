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

namespace {

// The FastTracker 2 player's tick: whole frames, in integers.
int32_t ft2FramesPerTick(int32_t bpm) { return MIX_RATE * 5 / (2 * (bpm < 1 ? 1 : bpm > 255 ? 255 : bpm)); }

}  // namespace

std::vector<SongRow> songRows(const XmModule& module, size_t maxRows)
{
    if (module.playerMode == PlayerMode::Ft2) return ft2SongRows(module, maxRows);
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

std::vector<SongRow> ft2SongRows(const XmModule& module, size_t maxRows)
{
    std::vector<SongRow> rows;
    const int32_t length = module.songLength < 1 ? 1 : module.songLength;
    auto rowsAt = [&](int32_t order) {
        const int32_t count = rowsAtOrder(&module, order);
        return count > 0 ? count : 64;  // a missing pattern plays 64 empty rows
    };
    int32_t speed = module.defaultTempo > 0 ? module.defaultTempo : 1;
    int32_t framesPerTick = ft2FramesPerTick(module.defaultBpm);
    int32_t order = 0, row = 0;
    int64_t frame = 0;
    std::set<std::pair<int32_t, int32_t>> played;
    while (rows.size() < maxRows) {
        rows.push_back({order, row, frame});
        if (!played.insert({order, row}).second) break;

        // The row's first tick, channel by channel; pattern loops are not
        // followed (a loop plays its rows once here).
        int32_t breakRow = -1, jumpOrder = -1, delay = 0;
        bool jump = false;
        if (const XmPattern* pattern = patternAtOrder(&module, order)) {
            if (pattern->cells && row < pattern->rows) {
                const PatternCell* cells = pattern->cells + static_cast<size_t>(row) * module.channelCount;
                for (int32_t c = 0; c < module.channelCount; ++c) {
                    const PatternCell& cell = cells[c];
                    if (cell.effect == 0x0B) {
                        jumpOrder = cell.parameter;
                        breakRow = 0;
                        jump = true;
                    } else if (cell.effect == 0x0D) {
                        const int32_t target = (cell.parameter >> 4) * 10 + (cell.parameter & 0x0F);
                        breakRow = target <= 63 ? target : 0;
                        jump = true;
                    } else if (cell.effect == 0x0F && cell.parameter >= 32) {
                        framesPerTick = ft2FramesPerTick(cell.parameter);
                    } else if (cell.effect == 0x0F && cell.parameter > 0) {
                        speed = cell.parameter;
                    } else if (cell.effect == 0x0E && (cell.parameter >> 4) == 0x0E && delay == 0) {
                        delay = cell.parameter & 0x0F;
                    }
                }
            }
        }
        frame += static_cast<int64_t>(speed) * framesPerTick * (1 + delay);

        row += 1;
        if (row >= rowsAt(order) || jump) {
            row = breakRow > 0 ? breakRow : 0;
            order = jumpOrder >= 0 ? jumpOrder : order + 1;
            if (order >= length) order = module.restartPosition;
            if (order < 0 || order >= length) order = 0;
            if (row >= rowsAt(order)) row = 0;
        }
    }
    return rows;
}
