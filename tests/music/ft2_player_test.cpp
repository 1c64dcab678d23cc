// The FastTracker 2 player, tick by tick: one crafted module per effect
// family, each with what the tracker plays on every tick of its rows.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "music/ft2_player.h"
#include "music/song_clock.h"
#include "tests/music/music_fixture.h"

using namespace music_test;

namespace {

constexpr const char* OTHER_TRACKER = "FastTracker v2.00";

struct Row {
    const char* note;
    uint8_t volume, effect, parameter;
};

// One channel, one instrument (a long flat 16-bit loop at volume 64), the
// rows given, speed 6.
XmBuilder oneChannel(const std::vector<Row>& rows, bool linear = true)
{
    XmBuilder xm = tinyModule(1, static_cast<int>(rows.size()), {flatSample(8000, 4096)});
    xm.tracker = OTHER_TRACKER;
    xm.linearFrequencies = linear;
    for (size_t r = 0; r < rows.size(); ++r) {
        const uint8_t instrument = rows[r].note[0] != '.' && rows[r].note[0] != '=' ? 1 : 0;
        xm.patterns[0].at(static_cast<int>(r), 0) =
            cell(rows[r].note, instrument, rows[r].volume, rows[r].effect, rows[r].parameter);
    }
    return xm;
}

using Probe = std::function<int32_t(const Ft2Channel&, const MixVoice&)>;

const Probe period = [](const Ft2Channel& c, const MixVoice&) { return c.outPeriod; };
const Probe finalPeriod = [](const Ft2Channel& c, const MixVoice&) { return c.finalPeriod; };
const Probe volume = [](const Ft2Channel& c, const MixVoice&) { return c.outVolume; };
const Probe panning = [](const Ft2Channel& c, const MixVoice&) { return c.finalPanning; };
const Probe voiceIndex = [](const Ft2Channel&, const MixVoice& v) { return v.index; };
const Probe globalVolume = [](const Ft2Channel&, const MixVoice&) { return ft2State()->song.globalVolume; };

std::vector<int32_t> ticks(const XmBuilder& xm, const Probe& probe, int count)
{
    Playing playing(xm);
    EXPECT_TRUE(playing.started);
    EXPECT_EQ(playing.module->playerMode, PlayerMode::Ft2);
    std::vector<int32_t> seen;
    for (int i = 0; i < count && ft2State(); ++i) {
        playing.tick();
        const Ft2Channel& channel = ft2State()->channels[0];
        seen.push_back(probe(channel, *channel.voice));
    }
    return seen;
}

struct TickCase {
    const char* what;
    std::vector<Row> rows;
    Probe probe;
    std::vector<int32_t> expected;  // every tick of the rows, speed 6
};

TEST(Ft2Effects, EachFamilyTickByTick)
{
    // C-4 plays period 4608 (linear: 64 a semitone, 4 a finetune step).
    const TickCase cases[] = {
        {"arpeggio, its order read from the tick counter that counts down", {{"C-4", 0, 0x0, 0x37}}, period,
         {4608, 4160, 4416, 4608, 4160, 4416}},
        {"portamento up", {{"C-4", 0, 0x1, 0x02}}, period, {4608, 4600, 4592, 4584, 4576, 4568}},
        {"portamento down, the memory reused by 200",
         {{"C-4", 0, 0x2, 0x01}, {"...", 0, 0x2, 0x00}},
         period,
         {4608, 4612, 4616, 4620, 4624, 4628, 4628, 4632, 4636, 4640, 4644, 4648}},
        {"tone portamento to the new note, not restarting it",
         {{"C-4", 0, 0, 0}, {"D-4", 0, 0x3, 0x10}},
         period,
         {4608, 4608, 4608, 4608, 4608, 4608, 4608, 4544, 4480, 4480, 4480, 4480}},
        {"vibrato", {{"C-4", 0, 0x4, 0x4F}}, period, {4608, 4608, 4653, 4692, 4718, 4727}},
        {"vibrato and volume slide", {{"C-4", 0, 0x6, 0x04}}, volume, {64, 60, 56, 52, 48, 44}},
        {"tremolo around the channel's volume", {{"C-4", 0x30, 0x7, 0x84}}, volume, {32, 32, 43, 47, 43, 32}},
        {"panning 255 is right", {{"C-4", 0, 0x8, 0xFF}}, panning, {255, 255, 255, 255, 255, 255}},
        {"volume slide down", {{"C-4", 0, 0xA, 0x04}}, volume, {64, 60, 56, 52, 48, 44}},
        {"volume slide up", {{"C-4", 0x30, 0xA, 0x40}}, volume, {32, 36, 40, 44, 48, 52}},
        {"set volume", {{"C-4", 0, 0xC, 0x20}}, volume, {32, 32, 32, 32, 32, 32}},
        {"fine portamento up, once on the row", {{"C-4", 0, 0xE, 0x12}}, period, {4600, 4600, 4600, 4600, 4600, 4600}},
        {"finetune E5x", {{"C-4", 0, 0xE, 0x58}}, period, {4608, 4608, 4608, 4608, 4608, 4608}},
        {"finetune E5F: almost a semitone up", {{"C-4", 0, 0xE, 0x5F}}, period, {4552, 4552, 4552, 4552, 4552, 4552}},
        {"fine volume up", {{"C-4", 0x30, 0xE, 0xA2}}, volume, {34, 34, 34, 34, 34, 34}},
        {"fine volume down, the memory reused by EB0",
         {{"C-4", 0x30, 0xE, 0xB2}, {"...", 0, 0xE, 0xB0}},
         volume,
         {30, 30, 30, 30, 30, 30, 28, 28, 28, 28, 28, 28}},
        {"note cut on tick 3", {{"C-4", 0, 0xE, 0xC3}}, volume, {64, 64, 64, 0, 0, 0}},
        {"retrigger every 3 ticks: the note moves to the twin voice", {{"C-4", 0, 0xE, 0x93}}, voiceIndex,
         {0, 0, 0, 32, 32, 32}},
        {"note delay: the note starts on tick 2", {{"C-4", 0, 0xE, 0xD2}}, volume, {0, 0, 64, 64, 64, 64}},
        {"global volume", {{"C-4", 0, 0x10, 0x20}}, globalVolume, {32, 32, 32, 32, 32, 32}},
        {"global volume slide down", {{"C-4", 0, 0x11, 0x04}}, globalVolume, {64, 60, 56, 52, 48, 44}},
        {"key off on tick 3 cuts a note without volume envelope", {{"C-4", 0, 0x14, 0x03}}, volume,
         {64, 64, 64, 0, 0, 0}},
        {"panning slide right", {{"C-4", 0, 0x19, 0x20}}, panning, {128, 130, 132, 134, 136, 138}},
        {"panning slide left", {{"C-4", 0, 0x19, 0x03}}, panning, {128, 125, 122, 119, 116, 113}},
        {"multi retrigger every 2 ticks, volume - 4", {{"C-4", 0, 0x1B, 0x32}}, volume, {64, 64, 60, 60, 56, 56}},
        {"tremor: 3 ticks on, 2 off", {{"C-4", 0, 0x1D, 0x21}}, volume, {64, 64, 64, 64, 0, 0}},
        {"extra fine portamento up", {{"C-4", 0, 0x21, 0x12}}, period, {4606, 4606, 4606, 4606, 4606, 4606}},
        {"extra fine portamento down", {{"C-4", 0, 0x21, 0x23}}, period, {4611, 4611, 4611, 4611, 4611, 4611}},
        {"volume column slide down", {{"C-4", 0x65, 0, 0}}, volume, {64, 59, 54, 49, 44, 39}},
        {"volume column fine slide down", {{"C-4", 0x85, 0, 0}}, volume, {59, 59, 59, 59, 59, 59}},
        {"volume column panning", {{"C-4", 0xC4, 0, 0}}, panning, {64, 64, 64, 64, 64, 64}},
        {"volume column panning slide right", {{"C-4", 0xE3, 0, 0}}, panning, {128, 131, 134, 137, 140, 143}},
        {"volume column vibrato (speed from Ax, depth from Bx)",
         {{"C-4", 0xA4, 0, 0}, {"...", 0xBF, 0, 0}},
         period,
         {4608, 4608, 4608, 4608, 4608, 4608, 4608, 4608, 4653, 4692, 4718, 4727}},
        {"volume column tone portamento",
         {{"C-4", 0, 0, 0}, {"D-4", 0xF1, 0, 0}},
         period,
         {4608, 4608, 4608, 4608, 4608, 4608, 4608, 4544, 4480, 4480, 4480, 4480}},
    };
    for (const TickCase& c : cases) {
        const XmBuilder xm = oneChannel(c.rows);
        EXPECT_EQ(ticks(xm, c.probe, static_cast<int>(c.expected.size())), c.expected) << c.what;
    }
}

TEST(Ft2Effects, SampleOffsetStartsThereAndPastTheEndPlaysNothing)
{
    const struct {
        uint8_t parameter;
        bool plays;
        int64_t frame;
    } cases[] = {{0x02, true, 512}, {0x0F, true, 3840}, {0x10, false, 0}};
    for (const auto& c : cases) {
        Playing playing(oneChannel({{"C-4", 0, 0x9, c.parameter}}));
        playing.tick();
        const MixVoice& voice = *ft2State()->channels[0].voice;
        EXPECT_EQ(voice.sample != nullptr, c.plays) << int(c.parameter);
        EXPECT_EQ(voice.position >> 32, c.frame) << int(c.parameter);
    }
}

TEST(Ft2Frequencies, LinearAndAmigaPeriodsAndTheirPitch)
{
    const struct {
        const char* note;
        bool linear;
        int32_t period;
        double hz;
    } cases[] = {
        {"C-4", true, 4608, 8363.0},     {"C-5", true, 3840, 16726.0},  {"A-4", true, 4032, 14064.0},
        {"C-4", false, 1712, 8363.0},    {"C-5", false, 856, 16726.0},  {"C#4", false, 1616, 8860.2},
        {"C-3", false, 3424, 4181.5},
    };
    for (const auto& c : cases) {
        Playing playing(oneChannel({{c.note, 0, 0, 0}}, c.linear));
        playing.tick();
        const Ft2Channel& channel = ft2State()->channels[0];
        EXPECT_EQ(channel.outPeriod, c.period) << c.note << (c.linear ? " linear" : " amiga");
        const double step = static_cast<double>(channel.voice->step) / 4294967296.0;
        EXPECT_NEAR(step * MIX_RATE, c.hz, c.hz * 2e-4) << c.note << (c.linear ? " linear" : " amiga");
    }
}

TEST(Ft2Song, TicksAreTheTrackersWholeFrames)
{
    // rate x 5 / (2 x bpm), cut to whole frames; 126 BPM is 875 exactly.
    const struct {
        int bpm, frames;
    } cases[] = {{125, 882}, {126, 875}, {49, 2250}, {120, 918}, {255, 432}, {32, 3445}};
    for (const auto& c : cases) {
        XmBuilder xm = oneChannel({{"C-4", 0, 0, 0}});
        xm.bpm = static_cast<uint16_t>(c.bpm);
        Playing playing(xm);
        playing.tick();
        EXPECT_EQ(playing.module->framesPerTick, c.frames) << c.bpm;
    }
}

// The rows that play, in order, at speed 1 (a tick a row).
std::vector<int32_t> rowsPlayed(const XmBuilder& xm, int count)
{
    Playing playing(xm);
    std::vector<int32_t> rows;
    for (int i = 0; i < count; ++i) {
        playing.tick();
        rows.push_back(playing.module->orderPosition * 100 + playing.module->row);
    }
    return rows;
}

TEST(Ft2Song, LoopsBreaksJumpsAndDelays)
{
    struct Effect {
        int order, row;
        uint8_t effect, parameter;
        int channel = 0;
    };
    const struct {
        const char* what;
        std::vector<Effect> effects;
        std::vector<int32_t> rows;  // order x 100 + row
    } cases[] = {
        {"plain: three orders of four rows", {}, {0, 1, 2, 3, 100, 101, 102, 103, 200}},
        // As in the tracker, the next pattern then starts at the loop's row.
        {"pattern loop twice", {{0, 1, 0xE, 0x60}, {0, 2, 0xE, 0x62}}, {0, 1, 2, 1, 2, 1, 2, 3, 101}},
        {"pattern break to row 2", {{0, 1, 0xD, 0x02}}, {0, 1, 102, 103, 200}},
        {"position jump", {{0, 1, 0xB, 0x02}}, {0, 1, 200, 201}},
        {"jump then break on one row: the break's row in the jump's order",
         {{0, 1, 0xB, 0x02, 0}, {0, 1, 0xD, 0x03, 1}},
         {0, 1, 203, 100}},
        {"break then jump: the jump sets the row back to 0",
         {{0, 1, 0xD, 0x03, 0}, {0, 1, 0xB, 0x02, 1}},
         {0, 1, 200, 201}},
        {"pattern delay repeats the row", {{0, 1, 0xE, 0xE2}}, {0, 1, 1, 1, 2, 3}},
        {"past the song: the restart position", {{2, 0, 0xB, 0x09}}, {0, 1, 2, 3, 100, 101, 102, 103, 200, 100}},
    };
    for (const auto& c : cases) {
        XmBuilder xm;
        xm.tracker = OTHER_TRACKER;
        xm.channels = 2;
        xm.tempo = 1;
        xm.restartPosition = 1;
        xm.addInstrument(flatSample(1000));
        for (int p = 0; p < 3; ++p) xm.addPattern(4);
        xm.order = {0, 1, 2};
        for (const Effect& e : c.effects) {
            XmBuilder::Cell& target = xm.patterns[e.order].at(e.row, e.channel);
            target.effect = e.effect;
            target.parameter = e.parameter;
        }
        EXPECT_EQ(rowsPlayed(xm, static_cast<int>(c.rows.size())), c.rows) << c.what;
    }
}

TEST(Ft2Instruments, EnvelopesFadeOutAndAutoVibrato)
{
    XmBuilder held = oneChannel({{"C-4", 0, 0, 0}, {"===", 0, 0, 0}});
    // One point: the envelope holds its value, and a key-off fades the note
    // out instead of cutting it.
    held.instruments[0].volume.points = {{0, 32}};
    held.instruments[0].volume.on = true;
    held.instruments[0].fadeOut = 8192;  // a quarter a tick
    const Probe faded = [](const Ft2Channel& c, const MixVoice&) {
        return static_cast<int32_t>(c.finalVolume * 1000.0f + 0.5f);
    };
    EXPECT_EQ(ticks(held, faded, 12), (std::vector<int32_t>{500, 500, 500, 500, 500, 500, 375, 250, 125, 0, 0, 0}));

    XmBuilder envelope = oneChannel({{"C-4", 0, 0, 0}, {"===", 0, 0, 0}});
    // Up to 64 over 4 ticks, sustained at point 1 until the key-off; the
    // key-off pulls the counter back to that point, so the fall to 0 over 2
    // ticks starts on the tick after it.
    envelope.instruments[0].volume.points = {{0, 0}, {4, 64}, {6, 0}};
    envelope.instruments[0].volume.on = envelope.instruments[0].volume.useSustain = true;
    envelope.instruments[0].volume.sustain = 1;
    const Probe env = [](const Ft2Channel& c, const MixVoice&) { return c.volumeValue >> 8; };
    EXPECT_EQ(ticks(envelope, env, 10), (std::vector<int32_t>{0, 16, 32, 48, 64, 64, 64, 32, 0, 0}));

    XmBuilder panned = oneChannel({{"C-4", 0, 0, 0}});
    panned.instruments[0].panning.points = {{0, 32}, {2, 64}};
    panned.instruments[0].panning.on = true;
    EXPECT_EQ(ticks(panned, panning, 4), (std::vector<int32_t>{128, 192, 255, 255}));

    XmBuilder vibrato = oneChannel({{"C-4", 0, 0, 0}});
    vibrato.instruments[0].vibratoDepth = 8;
    vibrato.instruments[0].vibratoRate = 64;
    EXPECT_EQ(ticks(vibrato, finalPeriod, 6), (std::vector<int32_t>{4600, 4608, 4616, 4608, 4600, 4608}));
}

TEST(Ft2Player, TheExactPlayerIsUntouchedByTheOther)
{
    // The same module in both modes: only the FastTracker 2 one plays pan 255 right.
    XmBuilder xm = oneChannel({{"C-4", 0, 0x8, 0xFF}});
    for (const PlayerMode mode : {PlayerMode::Exact, PlayerMode::Ft2}) {
        xm.tracker = mode == PlayerMode::Exact ? ENGINE_TRACKER_NAME : OTHER_TRACKER;
        Playing playing(xm);
        EXPECT_EQ(ft2State() != nullptr, mode == PlayerMode::Ft2);
        const std::vector<int16_t> pcm = playing.render(4);
        const bool rightLouder = sideEnergy(pcm, 1) > sideEnergy(pcm, 0);
        EXPECT_EQ(rightLouder, mode == PlayerMode::Ft2) << playerModeName(mode);
    }
}

}  // namespace

namespace {

TEST(Ft2Song, TheSongClockKnowsWhenEachRowStarts)
{
    XmBuilder xm;
    xm.tracker = OTHER_TRACKER;
    xm.channels = 2;
    xm.bpm = 126;
    xm.addInstrument(flatSample(1000));
    for (int p = 0; p < 3; ++p) xm.addPattern(8);
    xm.order = {0, 1, 2};
    const struct {
        int order, row, channel;
        uint8_t effect, parameter;
    } effects[] = {{0, 1, 0, 0xF, 0x05}, {0, 2, 1, 0xF, 0x61}, {0, 3, 0, 0xE, 0xE2},
                   {0, 5, 1, 0xD, 0x03}, {1, 6, 0, 0xB, 0x02}, {2, 2, 0, 0xB, 0x00}};
    for (const auto& e : effects) {
        xm.patterns[e.order].at(e.row, e.channel).effect = e.effect;
        xm.patterns[e.order].at(e.row, e.channel).parameter = e.parameter;
    }
    Playing playing(xm);
    const std::vector<SongRow> clock = songRows(*playing.module);
    ASSERT_GT(clock.size(), 10u);
    int64_t frame = 0;
    size_t next = 0;
    int32_t lastRow = -1, lastOrder = -1;
    for (int tick = 0; tick < 400 && next + 1 < clock.size(); ++tick) {
        playing.tick();
        const Ft2Song& song = ft2State()->song;
        // A row starts where its first tick runs (a delayed row's repeats are no new rows).
        const bool newRow = song.timer == song.speed && (song.row != lastRow || song.songPosition != lastOrder);
        if (newRow) {
            EXPECT_EQ(clock[next].order * 100 + clock[next].row, song.songPosition * 100 + song.row) << next;
            EXPECT_EQ(clock[next].frame, frame) << next;
            ++next;
            lastRow = song.row;
            lastOrder = song.songPosition;
        }
        frame += playing.module->framesPerTick;
    }
    EXPECT_GE(next, 10u);
}

}  // namespace
