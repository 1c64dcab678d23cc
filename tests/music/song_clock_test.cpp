#include <gtest/gtest.h>

#include <vector>

#include "music/song_clock.h"
#include "music_fixture.h"

namespace {

using namespace music_test;

// The rows as the player itself plays them, tick by tick: the frame each row
// starts at, with every tick as long as the player makes it.
std::vector<SongRow> playedRows(Playing& song, size_t count)
{
    std::vector<SongRow> rows;
    int64_t frame = 0;
    while (rows.size() < count) {
        const bool rowStarts = song.module->tickInRow == 0;
        song.tick();
        if (rowStarts) rows.push_back({song.module->orderPosition, song.module->row, frame});
        frame += song.module->framesPerTick;
    }
    return rows;
}

TEST(SongClock, RowsStartWhereThePlayerPlaysThem)
{
    // Speed and tempo changes, a break into the middle of a pattern, a
    // pattern the order names twice and a speed of 0.
    XmBuilder xm = tinyModule(2, 8, {flatSample(100)});
    xm.bpm = 120;
    xm.addPattern(4);
    xm.order = {0, 1, 0};
    xm.patterns[0].at(1, 1) = cell("C-4", 1, 0, 0xF, 3);    // speed 3
    xm.patterns[0].at(2, 0) = cell("---", 0, 0, 0xF, 140);  // 140 BPM
    xm.patterns[0].at(5, 1) = cell("---", 0, 0, 0xD, 0x02); // break to row 2 of the next
    xm.patterns[1].at(3, 0) = cell("---", 0, 0, 0xF, 0);    // speed 0 plays as 1
    Playing song(xm);
    ASSERT_TRUE(song.started);
    const std::vector<SongRow> predicted = songRows(*song.module);
    ASSERT_GT(predicted.size(), 12u);
    const std::vector<SongRow> played = playedRows(song, predicted.size());
    for (size_t i = 0; i < predicted.size(); ++i) {
        EXPECT_EQ(predicted[i].order, played[i].order) << "row " << i;
        EXPECT_EQ(predicted[i].row, played[i].row) << "row " << i;
        EXPECT_EQ(predicted[i].frame, played[i].frame) << "row " << i;
    }
    // 120 BPM plays 918 frames a tick, not 918.75: the first row of six.
    EXPECT_EQ(predicted[1].frame, 6 * 918);
}

}  // namespace
