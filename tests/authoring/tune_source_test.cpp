#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/music/music_fixture.h"
#include "authoring/synth.h"
#include "authoring/tune_source.h"

namespace {

std::vector<uint8_t> compile(const std::string& text)
{
    std::vector<uint8_t> module;
    std::string error;
    EXPECT_TRUE(compileTuneSource(text, "song.tune", module, error)) << error;
    return module;
}

const char* const SMALL_SONG = R"(# two instruments, a part repeated and transposed
title "small song"
channels 3
speed 5
bpm 130
frequencies linear

instrument lead
  osc pulse 518.92714 width 0.3 voices 2 detune 10   # 32 frames a cycle at this rate
  filter resonant 3000 q 2 to 800 in 80ms
  vibrato 5 20 delay 100
  amp 0:0 40:1
  length 2048
  loop 1024 2048
  bits 8
  volume 40
  panning 96
  relnote 12
  finetune -16
  volenv 0:0 4:64 20:32 40:16 sustain 2 loop 1 3
  panenv 0:32 10:20 sustain 1
  fadeout 700

instrument hat
  osc noise - seed 9
  filter highpass 3000
  amp 0:1 60ms:0

pattern beat rows 4 channels 3
... hat v20 ...
.
... 02  fd3 ...

pattern riff channels 1-2
C-4 lead v40 037  | === .. ... ...
D#4 01 dn2 A0F    | ... .. pn4 R13
. 2

pattern verse = beat riff+2
pattern bridge = riff,riff-12 beat
order verse bridge*2 verse
restart bridge
)";

TEST(TuneSource, SameSourceSameBytes)
{
    const std::vector<uint8_t> first = compile(SMALL_SONG);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, compile(SMALL_SONG));
    EXPECT_TRUE(looksLikeXm(first));
    EXPECT_FALSE(looksLikeXm(std::vector<uint8_t>(SMALL_SONG, SMALL_SONG + 40)));
}

// The player's own loader reads back what the source says.
TEST(TuneSource, LoaderReadsWhatWasWritten)
{
    music_test::LoadedModule loaded(compile(SMALL_SONG));
    const XmModule* m = loaded.module;
    ASSERT_NE(m, nullptr) << moduleLoadError();
    EXPECT_EQ(m->channelCount, 3);
    EXPECT_EQ(m->defaultTempo, 5);
    EXPECT_EQ(m->defaultBpm, 130);
    EXPECT_TRUE(m->flags & FLAG_LINEAR_FREQUENCIES);
    ASSERT_EQ(m->songLength, 4);
    EXPECT_EQ(std::vector<int>(m->orderTable, m->orderTable + 4), (std::vector<int>{0, 1, 1, 0}));
    EXPECT_EQ(m->restartPosition, 1);
    ASSERT_EQ(m->instrumentCount, 2);

    const XmInstrument& lead = m->instruments[0];
    const XmSample& s = *lead.samples[0];
    EXPECT_EQ(s.length, 2048u);
    EXPECT_EQ(s.loopMode, LoopMode::Forward);
    EXPECT_EQ(s.loopStart, 1024u);
    EXPECT_EQ(s.loopLength, 1024u);
    EXPECT_EQ(s.volume, 40);
    EXPECT_EQ(s.panning, 96);
    EXPECT_EQ(s.relativeNote, 12);
    EXPECT_EQ(s.finetune, -16);
    EXPECT_EQ(s.data[0] % 256, 0);  // stored in 8 bits
    EXPECT_EQ(lead.volumePointCount, 4);
    EXPECT_EQ(lead.volumeEnvelope[2].x, 20);
    EXPECT_EQ(lead.volumeEnvelope[2].y, 32);
    EXPECT_EQ(lead.volumeType, ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP);
    EXPECT_EQ(lead.volumeSustain, 2);
    EXPECT_EQ(lead.volumeLoopStart, 1);
    EXPECT_EQ(lead.volumeLoopEnd, 3);
    EXPECT_EQ(lead.panningPointCount, 2);
    EXPECT_EQ(lead.panningType, ENVELOPE_ON | ENVELOPE_SUSTAIN);
    EXPECT_EQ(lead.fadeOut, 1400);  // the loader keeps twice the file's value
    const XmSample& hat = *m->instruments[1].samples[0];
    EXPECT_EQ(hat.loopMode, LoopMode::None);
    EXPECT_EQ(hat.length, 8363u);  // one second by default
    EXPECT_EQ(hat.data[hat.length - 1], 0);  // the shape ends at zero

    struct Expected {
        int pattern, row, channel;
        PatternCell cell;
    };
    const Expected cells[] = {
        {0, 0, 0, {49 + 2, 1, 0x50, 0x0, 0x37}},  // C-4 + 2
        {0, 0, 1, {NOTE_KEY_OFF, 0, 0, 0, 0}},
        {0, 1, 0, {52 + 2, 1, 0x62, 0xA, 0x0F}},
        {0, 1, 1, {0, 0, 0xC4, 0x1B, 0x13}},
        {0, 0, 2, {0, 2, 0x30, 0, 0}},
        {0, 2, 2, {0, 2, 0x83, 0, 0}},
        {1, 4, 2, {0, 2, 0x30, 0, 0}},  // the 4-row beat repeats
        {0, 3, 0, {0, 0, 0, 0, 0}},
        {1, 0, 0, {49, 1, 0x50, 0x0, 0x37}},
        {1, 4, 0, {37, 1, 0x50, 0x0, 0x37}},  // the riff again, an octave down
    };
    EXPECT_EQ(m->patterns[0].rows, 4);
    EXPECT_EQ(m->patterns[1].rows, 8);
    for (const Expected& e : cells) {
        const PatternCell& got = m->patterns[e.pattern].cells[e.row * 3 + e.channel];
        SCOPED_TRACE("pattern " + std::to_string(e.pattern) + " row " + std::to_string(e.row) + " channel " +
                     std::to_string(e.channel));
        EXPECT_EQ(got.note, e.cell.note);
        EXPECT_EQ(got.instrument, e.cell.instrument);
        EXPECT_EQ(got.volume, e.cell.volume);
        EXPECT_EQ(got.effect, e.cell.effect);
        EXPECT_EQ(got.parameter, e.cell.parameter);
    }
}

TEST(TuneSource, ErrorsNameTheLine)
{
    const std::string head = "channels 2\ninstrument sq\n  osc square C-4\n";  // lines 1-3
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"speed 0", "song.tune:1: a speed 0 is outside 1..31"},
        {"tempo 6", "song.tune:1: unknown statement 'tempo'"},
        {"title \"Ignition", "song.tune:1: a quoted text has no closing quote"},
        {head + "  osc buzz C-4", "song.tune:4: unknown oscillator 'buzz'"},
        {head + "  volume 65", "song.tune:4: a volume 65 is outside 0..64"},
        {head + "  wobble 3", "song.tune:4: unknown instrument word 'wobble'"},
        {head + "  length 100\n  loop 50 200\norder", "song.tune:2: the loop of 'sq' ends past the sample"},
        {head + "  volenv 0:64 0:32", "song.tune:4: envelope ticks must rise"},
        {head + "  relnote 95\n  finetune 127\n  base B-7\n  length 132898.4ms",
         "song.tune:7: '132898.4ms' is past the longest sample, 1048576 frames"},
        {head + "pattern p\nC-4 sq v40 ...\nC-9 sq ... ...", "song.tune:6: 'C-9' is not a note"},
        {head + "pattern p\nC-4 bass ... ...", "song.tune:5: no instrument named 'bass'"},
        {head + "pattern p\nC-4 07 ... ...", "song.tune:5: no instrument 07"},
        {head + "pattern p\nC-4 sq v41 ...", "song.tune:5: 'v41' is not a volume column command"},
        {head + "pattern p\nC-4 sq ... a01", "song.tune:5: 'a01' is not an effect"},
        {head + "pattern p\nC-4 sq ... ... ...", "song.tune:5: a row has four words a channel"},
        {head + "pattern p\n|", "song.tune:5: a row has four words a channel"},
        {head + "pattern p rows 1\n.\n.", "song.tune:6: more rows than the pattern's 1"},
        {head + "pattern p\n.\npattern p", "song.tune:6: pattern 'p' is defined twice"},
        {head + "pattern a rows 3 channels 1\n.\npattern b rows 2 channels 2\n.\npattern c = a b",
         "song.tune:8: layer 'b' has 2 rows, which do not divide 3"},
        {head + "pattern a\n. 4\npattern b rows 2 = a", "song.tune:6: layer 'a' has 4 rows, which do not divide 2"},
        {head + "pattern a channels 1\nC-4 sq ... ...\npattern c = a a",
         "song.tune:6: layer 'a' writes row 0, channel 1, which another layer wrote"},
        {head + "pattern p\n.\norder p q", "song.tune:6: no pattern named 'q'"},
        {head + "pattern p\n.\norder p*200\norder p*56 p", "song.tune:7: an order has at most 256 entries"},
        {head + "pattern a channels 1\n.\npattern b channels 2\n.\npattern c = a,b",
         "song.tune:8: the parts of 'a,b' do not fill the same channels"},
        {head + "pattern p channels 2\n.\norder p", "song.tune:4: pattern 'p' is in the order but does not span every channel"},
        {head, "song.tune:3: the song has no order"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> module;
        std::string error;
        EXPECT_FALSE(compileTuneSource(c.text, "song.tune", module, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_TRUE(module.empty());
    }
}

// The work a source asks for is counted from its lines before anything is
// done: the hostile source would take minutes if it were rendered first.
TEST(TuneSource, WorkPastTheBudgetIsRefusedUpFront)
{
    // a: 1000 frames x (1 + sine + filter); b: 1000 x (1 + 2 saw voices x 96).
    const std::string two = "instrument a\n osc sine C-4\n filter lowpass 900\n length 1000\n"
                            "instrument b\n osc saw C-4 voices 2\n length 1000\npattern p\n.\norder p\n";
    std::string hostile = "instrument wall\n length 1000000\n";
    for (int i = 0; i < 40; ++i) hostile += " osc saw C-1 voices 16\n";
    // Cells: a 2 + 4, then b 2, its layers' parts 8 + 4, b itself 16 and 8 + 8 more
    // for its layers.
    const std::string layered = "channels 2\npattern a channels 1\n. 4\npattern b = a,a a\norder b\n";
    // Seventeen sines of a million frames: little work, 34 MB of samples.
    std::string longOnes;
    for (int i = 0; i < 17; ++i) longOnes += "instrument i" + std::to_string(i) + "\n osc sine C-4\n length 1000000\n";
    longOnes += "pattern p\n.\norder p\n";
    const int64_t work = TuneLimits{}.synthesisWork, cells = TuneLimits{}.patternCells;
    const struct {
        std::string text;
        TuneLimits limits;
        const char* error;  // none: compiles
    } cases[] = {
        {two, {196000, cells}, nullptr},
        {two, {195999, cells}, "song.tune:5: instrument 'b' brings the samples to 196000 frame terms, past the budget of 195999"},
        {two, {2999, cells}, "song.tune:1: instrument 'a' brings the samples to 3000 frame terms, past the budget of 2999"},
        {hostile, {},
         "song.tune:1: instrument 'wall' brings the samples to 61441000000 frame terms, past the budget of 268435456"},
        {layered, {work, 52}, nullptr},
        {layered, {work, 51}, "song.tune:4: the patterns come to 52 cells here, past the budget of 51"},
        {layered, {work, 5}, "song.tune:3: the patterns come to 6 cells here, past the budget of 5"},
        {layered, {work, cells, layered.size()}, nullptr},
        {layered, {work, cells, 35}, "song.tune:3: a tune source has at most 35 bytes"},
        // Cheap to render but a module too large to play: counted before rendering.
        {two, {work, cells, 1 << 22, 3999},
         "song.tune:5: instrument 'b' brings the module's samples to 4000 bytes, past the limit of 3999"},
        {longOnes, {},
         "song.tune:49: instrument 'i16' brings the module's samples to 34000000 bytes, past the limit of 33554432"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> module;
        std::string error;
        EXPECT_EQ(compileTuneSource(c.text, "song.tune", module, error, c.limits), c.error == nullptr) << error;
        EXPECT_EQ(error, c.error ? c.error : "");
    }
}

// Whatever a looped recipe holds (layers, a filter, vibrato), the jump from
// the loop's end back to its start is no bigger than a step inside it.
TEST(Synth, LoopsJoinWithoutAStep)
{
    const Wave waves[] = {Wave::Saw, Wave::Pulse, Wave::Triangle, Wave::Noise};
    for (Wave wave : waves) {
        Recipe r;
        Oscillator o;
        o.wave = wave;
        o.frequency = 110.0;
        o.voices = 3;
        o.detune = 15.0;
        r.oscillators.push_back(o);
        r.filters.push_back({FilterKind::Resonant, 2000.0, 600.0, 500.0, 2.0});
        r.vibratoRate = 4.0;
        r.vibratoDepth = 30.0;
        r.length = 6000;
        r.loopStart = 2000;
        r.loopEnd = 6000;
        const std::vector<int16_t> v = renderRecipe(r);
        int largestStep = 0;
        for (int i = r.loopStart + 1; i < r.loopEnd; ++i) largestStep = std::max(largestStep, std::abs(v[i] - v[i - 1]));
        EXPECT_LE(std::abs(v[r.loopStart] - v[r.loopEnd - 1]), largestStep) << static_cast<int>(wave);
    }
}

// A sine in a one-cycle loop is the pitch asked for, to the nearest whole
// cycle; a pitch sweep takes the note from where it starts.
TEST(Synth, PitchesAndSweeps)
{
    Recipe r;
    r.oscillators.push_back(Oscillator{});  // a sine at C-4
    r.length = r.loopEnd = 32;
    std::vector<int16_t> v = renderRecipe(r);
    int rises = 0;
    for (size_t i = 0; i < v.size(); ++i) rises += v[(i + v.size() - 1) % v.size()] < 0 && v[i] >= 0;
    EXPECT_EQ(rises, 1);
    EXPECT_NEAR(*std::max_element(v.begin(), v.end()), 0.9 * 32767, 1);

    r.loopEnd = 0;
    r.length = 8363;
    r.sweeps.push_back({12.0, 0.0, 4181.5, false});  // an octave down over half a second
    v = renderRecipe(r);
    auto crossings = [&](int from, int to) {
        int n = 0;
        for (int i = from + 1; i < to; ++i) n += v[i - 1] < 0 && v[i] >= 0;
        return n;
    };
    EXPECT_NEAR(crossings(0, 500) / 500.0, 2.0 * crossings(6000, 8000) / 2000.0, 0.01);
}

}  // namespace

namespace {

// The show's own tune: within its budget, and 61 bars of 2 s that the
// pictures are cut to (15 patterns of 4 bars, then one silent bar).
TEST(TuneSource, TheShowsTuneKeepsItsBudgetAndItsBars)
{
    std::ifstream file(std::string(SOURCE_DIR) + "/content/music.tune");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::vector<uint8_t> bytes = compile(text);
    EXPECT_LE(bytes.size(), 65536u);
    music_test::LoadedModule loaded(bytes);
    const XmModule* m = loaded.module;
    ASSERT_NE(m, nullptr) << moduleLoadError();
    EXPECT_EQ(m->defaultTempo, 6);
    EXPECT_EQ(m->defaultBpm, 120);  // a row is 1/8 s
    ASSERT_EQ(m->songLength, 16);
    for (int position = 0; position < m->songLength; ++position) {
        const XmPattern& pattern = m->patterns[m->orderTable[position]];
        EXPECT_EQ(pattern.rows, position < 15 ? 64 : 16) << "position " << position;
        for (int i = 0; i < pattern.rows * m->channelCount; ++i)
            EXPECT_TRUE(pattern.cells[i].effect != 0xF && pattern.cells[i].effect != 0xD) << "the tempo stays";
    }
}

}  // namespace
