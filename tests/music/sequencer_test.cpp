#include <gtest/gtest.h>

#include "music/playback.h"
#include "music/sequencer.h"
#include "tests/music/music_fixture.h"

using namespace music_test;

namespace {

uint64_t stepOf(int32_t frequency)
{
    const uint64_t f = static_cast<uint64_t>(frequency);
    return (f / 44100) << 32 | ((f % 44100) << 32) / 44100;
}

TEST(Tempo, FramesPerTickFollowTheBpm)
{
    XmModule module{};
    setTempo(&module, 125);
    EXPECT_EQ(module.framesPerTick, 882);
    EXPECT_EQ(module.bpm, 125);
    setTempo(&module, 150);
    EXPECT_EQ(module.framesPerTick, 735);
    setTempo(&module, 32);
    EXPECT_EQ(module.framesPerTick, 3445);  // 44100 x (1000 / 12.8) / 1000, truncated
    // Only a header can ask for less than 1 BPM; it plays at 1 BPM.
    // 2 x 1 / 5 as a 32-bit float is a hair above 0.4: 110249, not 110250.
    setTempo(&module, 0);
    EXPECT_EQ(module.framesPerTick, 110249);
    setTempo(&module, 30000);
    EXPECT_GE(module.framesPerTick, 1);
}

TEST(Frequency, LinearAndAmigaPeriods)
{
    EXPECT_EQ(periodFrequency(4608, 0, true), 8363);  // realNote 48, finetune 0
    EXPECT_EQ(periodFrequency(4608 - 768, 0, true), 16726);  // an octave up doubles
    EXPECT_EQ(periodFrequency(4608 + 768, 0, true), 4181);
    EXPECT_EQ(periodFrequency(4608, 768, true), 16726);  // the offset raises the pitch
    EXPECT_EQ(periodFrequency(20000, 0, true), 100);     // never below 100 Hz
    EXPECT_EQ(periodFrequency(428, 0, false), 14317056 / 428);
    EXPECT_EQ(periodFrequency(-50, 0, false), 100);
    // A period so low that the frequency leaves int32 falls back to the floor.
    EXPECT_EQ(periodFrequency(-20000, 0, true), 100);
}

TEST(Sequencer, NoteSetsPeriodAndStep)
{
    XmBuilder xm = tinyModule(2, 4, {flatSample(1000)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1);
    XmBuilder::Sample tuned = flatSample(1000);
    tuned.finetune = -16;
    tuned.relativeNote = 12;
    xm.addInstrument(tuned);
    xm.patterns[0].at(0, 1) = cell("C-4", 2);
    Playing p(xm);
    p.tick();
    EXPECT_EQ(p.channel(0).realNote, 48);
    EXPECT_EQ(p.channel(0).period, 4608);
    EXPECT_EQ(p.voiceOf(0).step, stepOf(8363));
    EXPECT_EQ(p.channel(1).realNote, 60);
    EXPECT_EQ(p.channel(1).period, 7680 - 60 * 64 + 8);
    EXPECT_EQ(p.voiceOf(1).step, stepOf(periodFrequency(7680 - 60 * 64 + 8, 0, true)));
    // Full volume, centred: 127 split over both sides.
    EXPECT_EQ(p.voiceOf(0).volume, 127);
    EXPECT_EQ(p.voiceOf(0).targetFirst, 127 * 128 / 255);
    EXPECT_EQ(p.voiceOf(0).targetSecond, 127 * 127 / 255);
}

TEST(Sequencer, RowsTicksOrderAndRestart)
{
    XmBuilder xm = tinyModule(1, 2, {flatSample(1)});
    xm.addPattern(3);
    xm.order = {0, 1, 0};
    xm.restartPosition = 1;
    xm.tempo = 2;
    Playing p(xm);
    std::vector<std::pair<int, int>> seen;
    for (int t = 0; t < 2 * 10; ++t) {
        p.tick();
        if (t % 2 == 0) seen.emplace_back(p.module->orderPosition, p.module->row);
    }
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2},
                                                       {2, 0}, {2, 1}, {1, 0}, {1, 1}, {1, 2}};
    EXPECT_EQ(seen, expected);
}

TEST(Sequencer, RestartPastTheSongStartsItOver)
{
    XmBuilder xm = tinyModule(1, 1, {flatSample(1)});
    xm.order = {0, 0};
    xm.restartPosition = 9;
    xm.tempo = 1;
    Playing p(xm);
    p.ticks(3);
    EXPECT_EQ(p.module->orderPosition, 0);
}

TEST(Sequencer, EmptySongsAndPatternsWithoutRowsPlayNothing)
{
    // A song of length 0 and a pattern of 0 rows: each "row" is a tick of
    // silence, and the order position stays inside the song.
    XmBuilder xm = tinyModule(2, 0, {flatSample(1000)});
    xm.songLengthField = 0;
    xm.tempo = 1;
    Playing p(xm);
    for (int t = 0; t < 20; ++t) {
        p.tick();
        EXPECT_EQ(p.module->orderPosition, 0);
        EXPECT_EQ(p.module->row, 0);
    }
    const std::vector<int16_t> pcm = p.render(5);
    EXPECT_EQ(sideEnergy(pcm, 0) + sideEnergy(pcm, 1), 0.0);
}

TEST(Sequencer, PatternBreaks)
{
    XmBuilder xm = tinyModule(1, 8, {flatSample(1)});
    xm.addPattern(16);
    xm.addPattern(8);
    xm.order = {0, 1, 2};
    xm.tempo = 1;
    xm.patterns[0].at(0, 0).effect = 0xD;
    xm.patterns[0].at(0, 0).parameter = 0x64;  // row 64: none, so row 0
    xm.patterns[1].at(0, 0).effect = 0xD;
    xm.patterns[1].at(0, 0).parameter = 0x12;  // decimal digits: row 12 ...
    xm.patterns[2].at(0, 0).effect = 0xD;
    xm.patterns[2].at(0, 0).parameter = 0x05;  // ... and from the last order back to 0
    xm.patterns[0].at(5, 0).effect = 0xD;
    xm.patterns[0].at(5, 0).parameter = 0x10;  // row 10 of an 16-row pattern
    Playing p(xm);
    p.tick();
    p.tick();
    EXPECT_EQ(p.module->orderPosition, 1);
    EXPECT_EQ(p.module->row, 0);
    p.tick();
    EXPECT_EQ(p.module->orderPosition, 2);
    EXPECT_EQ(p.module->row, 0);  // the 8-row pattern has no row 12
    p.tick();
    EXPECT_EQ(p.module->orderPosition, 0);
    EXPECT_EQ(p.module->row, 5);
    p.tick();
    EXPECT_EQ(p.module->orderPosition, 1);
    EXPECT_EQ(p.module->row, 10);
}

TEST(Sequencer, SpeedZeroMakesEveryTickARow)
{
    XmBuilder xm = tinyModule(1, 8, {flatSample(1)});
    xm.patterns[0].at(0, 0).effect = 0xF;
    xm.patterns[0].at(0, 0).parameter = 0x00;
    xm.patterns[0].at(4, 0).effect = 0xF;
    xm.patterns[0].at(4, 0).parameter = 0x96;  // 150 BPM
    Playing p(xm);
    for (int row = 0; row < 6; ++row) {
        p.tick();
        EXPECT_EQ(p.module->row, row);
        EXPECT_EQ(p.module->tickInRow, 0);
    }
    EXPECT_EQ(p.module->speed, 0);
    EXPECT_EQ(p.module->framesPerTick, 735);
}

TEST(Effects, ArpeggioCyclesThroughThreeOffsets)
{
    XmBuilder xm = tinyModule(1, 2, {flatSample(1)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1, 0, 0x0, 0x37);
    Playing p(xm);
    const int expected[6] = {0, 192, 448, 0, 192, 448};
    for (int t = 0; t < 6; ++t) {
        p.tick();
        EXPECT_EQ(p.channel(0).periodOffset, expected[t]) << t;
        EXPECT_EQ(p.voiceOf(0).step, stepOf(periodFrequency(4608, expected[t], true))) << t;
    }
    EXPECT_EQ(p.channel(0).period, 4608);
}

TEST(Effects, PortamentoUpStopsAt56AndDownHasNoBound)
{
    XmBuilder xm = tinyModule(2, 64, {flatSample(1)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1, 0, 0x1, 0xFF);
    xm.patterns[0].at(0, 1) = cell("C-4", 1, 0, 0x2, 0xFF);
    for (int row = 1; row < 64; ++row) {
        xm.patterns[0].at(row, 0).effect = 0x1;  // parameter 0: the memory
        xm.patterns[0].at(row, 1).effect = 0x2;
    }
    Playing p(xm);
    p.tick();
    p.tick();
    EXPECT_EQ(p.channel(0).period, 4608 - 1020);
    EXPECT_EQ(p.channel(1).period, 4608 + 1020);
    for (int t = 0; t < 40; ++t) {
        p.tick();
        EXPECT_GE(p.channel(0).period, 56);
    }
    EXPECT_EQ(p.channel(0).period, 56);
    EXPECT_GT(p.channel(1).period, 4608 + 30 * 1020);
    EXPECT_EQ(p.voiceOf(1).step, stepOf(100));
}

TEST(Effects, TonePortamentoSlidesWithoutRetriggering)
{
    XmBuilder xm = tinyModule(1, 4, {flatSample(1)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1);
    xm.patterns[0].at(1, 0) = cell("D-4", 1, 0, 0x3, 0x20);  // 2 semitones, 128 a tick
    Playing p(xm);
    p.ticks(6);
    MixVoice* voice = p.channel(0).voice;
    p.tick();  // row 1, tick 0: no restart, no pitch change yet
    EXPECT_EQ(p.channel(0).voice, voice);
    EXPECT_EQ(p.channel(0).period, 4608);
    EXPECT_EQ(p.channel(0).tonePortaTarget, 4608 - 128);
    p.tick();
    EXPECT_EQ(p.channel(0).period, 4608 - 128);
    p.tick();
    EXPECT_EQ(p.channel(0).period, 4608 - 128);  // not beyond the target
    EXPECT_EQ(p.voiceOf(0).step, stepOf(periodFrequency(4608 - 128, 0, true)));
}

TEST(Effects, VolumeSlidePanningAndVolumeColumn)
{
    XmBuilder xm = tinyModule(2, 4, {flatSample(1)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1, 0x30, 0xA, 0x02);  // volume 32, then down 2 a tick
    xm.patterns[0].at(1, 0).effect = 0xA;  // the memory
    xm.patterns[0].at(2, 0).volume = 0x75;  // up 5 on every tick
    xm.patterns[0].at(0, 1) = cell("C-4", 1, 0xC0, 0x8, 0xFF);  // the effect's panning wins
    xm.patterns[0].at(1, 1).volume = 0xD3;                      // pan slide left on every tick
    Playing p(xm);
    p.tick();
    EXPECT_EQ(p.channel(0).volume, 32);
    EXPECT_EQ(p.channel(1).panning, 255);
    EXPECT_EQ(p.voiceOf(1).targetFirst, 127);
    EXPECT_EQ(p.voiceOf(1).targetSecond, 0);
    p.ticks(5);
    EXPECT_EQ(p.channel(0).volume, 22);
    p.ticks(6);
    EXPECT_EQ(p.channel(0).volume, 12);
    EXPECT_EQ(p.channel(1).panning, 255 - 18);
    p.ticks(6);
    EXPECT_EQ(p.channel(0).volume, 42);
    p.ticks(6);
    EXPECT_EQ(p.channel(0).volume, 42);  // the slide memory is not used by a row without A
}

TEST(Effects, PanningExtremesGoToOneSideEach)
{
    XmBuilder::Sample left = flatSample(8000);
    left.panning = 255;
    XmBuilder::Sample right = flatSample(8000);
    right.panning = 0;
    XmBuilder xm = tinyModule(2, 64, {left, right});
    xm.patterns[0].at(0, 0) = cell("C-4", 1);
    Playing first(xm);
    std::vector<int16_t> pcm = first.render(4);
    EXPECT_GT(sideEnergy(pcm, 0), 1e9);
    EXPECT_EQ(sideEnergy(pcm, 1), 0.0);

    xm.patterns[0].at(0, 0) = cell("C-4", 2);
    Playing second(xm);
    pcm = second.render(4);
    EXPECT_EQ(sideEnergy(pcm, 0), 0.0);
    EXPECT_GT(sideEnergy(pcm, 1), 1e9);
}

TEST(Effects, MultiRetriggerRestartsOnItsTick)
{
    XmBuilder xm = tinyModule(1, 2, {flatSample(1000)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1, 0x40, 0x1B, 0x63);  // volume 48, every 3 ticks x 2/3
    Playing p(xm);
    p.tick();
    MixVoice* first = p.channel(0).voice;
    EXPECT_EQ(first->index, 0);
    p.ticks(2);
    EXPECT_EQ(p.channel(0).voice, first);
    EXPECT_EQ(p.channel(0).volume, 48);
    first->position = 5 * FIXED_ONE;  // as if it had played a while
    p.tick();                         // tick 3
    EXPECT_EQ(p.channel(0).volume, 32);
    EXPECT_EQ(p.channel(0).voice->index, 32);
    EXPECT_EQ(p.channel(0).voice->position, 0);
    EXPECT_EQ(first->targetFirst, 0);
    p.ticks(2);  // ticks 4 and 5: no restart
    EXPECT_EQ(p.channel(0).voice->index, 32);
    EXPECT_EQ(p.channel(0).volume, 32);
}

TEST(Voices, NotesAlternateBetweenTwinsAndTheOldOneFadesOut)
{
    XmBuilder xm = tinyModule(6, 4, {flatSample(1000)});
    xm.tempo = 1;
    for (int row = 0; row < 3; ++row) xm.patterns[0].at(row, 5) = cell("C-4", 1);
    Playing p(xm);
    p.tick();
    EXPECT_EQ(p.channel(5).voice->index, 5);
    MixVoice& old = thePlayer.voices[5];
    std::vector<float> buffer(2 * 256, 0.0f);
    mixVoices(&old, 1, buffer.data(), 200);  // the note sounds: its ramp runs to the end
    EXPECT_EQ(old.currentFirst, old.targetFirst * 256);
    EXPECT_GT(old.currentFirst, 0);
    p.tick();
    EXPECT_EQ(p.channel(5).voice->index, 37);
    EXPECT_EQ(old.volume, 0);
    EXPECT_EQ(old.targetFirst, 0);
    EXPECT_NE(old.sample, nullptr);  // plays on while it fades
    mixVoices(&old, 1, buffer.data(), 64);
    EXPECT_GT(old.currentFirst, 0);
    mixVoices(&old, 1, buffer.data(), 64);
    EXPECT_EQ(old.currentFirst, 0);  // faded out after 128 frames
    EXPECT_EQ(old.rampFramesLeft, 0);
    p.tick();
    EXPECT_EQ(p.channel(5).voice->index, 5);
}

TEST(Voices, WideModulesUseTheUpperHalfForTwins)
{
    XmBuilder xm = tinyModule(40, 2, {flatSample(1000)});
    xm.tempo = 1;
    xm.patterns[0].at(0, 39) = cell("C-4", 1);
    xm.patterns[0].at(1, 39) = cell("C-4", 1);
    Playing p(xm);
    p.ticks(2);
    EXPECT_EQ(p.channel(39).voice->index, 39 + 128);
    EXPECT_FALSE(p.render(1).empty());
}

TEST(Voices, NoteOnAFreshChannelWithoutInstrumentIsSilent)
{
    XmBuilder xm = tinyModule(1, 4, {flatSample(8000)});
    xm.patterns[0].at(0, 0).note = XmBuilder::note("C-4");
    Playing p(xm);
    const std::vector<int16_t> pcm = p.render(10);
    EXPECT_EQ(sideEnergy(pcm, 0) + sideEnergy(pcm, 1), 0.0);
    EXPECT_NE(thePlayer.voices[0].sample, nullptr);  // it plays, at volume 0
}

TEST(KeyOff, CutsAnInstrumentWithoutEnvelope)
{
    XmBuilder xm = tinyModule(2, 4, {flatSample(1000)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1);
    xm.patterns[0].at(1, 0).note = 97;
    xm.patterns[0].at(0, 1) = cell("C-4", 1);
    xm.patterns[0].at(1, 1).effect = 0x14;
    Playing p(xm);
    p.ticks(6);
    EXPECT_EQ(p.voiceOf(0).volume, 127);
    p.tick();
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(p.channel(c).keyReleased, 1);
        EXPECT_EQ(p.channel(c).volumeEnvelope.output, 0);
        EXPECT_EQ(p.voiceOf(c).volume, 0);
        EXPECT_EQ(p.voiceOf(c).targetFirst, 0);
    }
}

TEST(KeyOff, ReleasesTheSustainAndStartsTheFadeOut)
{
    XmBuilder xm = tinyModule(1, 8, {flatSample(1000)});
    XmBuilder::Instrument& instrument = xm.instruments[0];
    instrument.volume.points = {{0, 64}, {2, 32}, {6, 0}};
    instrument.volume.on = true;
    instrument.volume.useSustain = true;
    instrument.volume.sustain = 1;
    instrument.fadeOut = 0x1000;  // 0x2000 a tick once doubled
    xm.patterns[0].at(0, 0) = cell("C-4", 1);
    xm.patterns[0].at(2, 0).note = 97;
    Playing p(xm);
    const int outputs[6] = {64, 48, 32, 32, 32, 32};
    for (int t = 0; t < 6; ++t) {
        p.tick();
        EXPECT_EQ(p.channel(0).volumeEnvelope.output, outputs[t]) << t;
    }
    p.ticks(6);
    EXPECT_EQ(p.channel(0).volumeEnvelope.output, 32);  // held at the sustain point
    EXPECT_EQ(p.channel(0).fadeOutVolume, 65536);
    p.tick();  // key-off
    EXPECT_EQ(p.channel(0).volumeEnvelope.output, 32);
    EXPECT_EQ(p.channel(0).fadeOutVolume, 65536 - 0x2000);
    p.tick();
    EXPECT_EQ(p.channel(0).volumeEnvelope.output, 24);
    EXPECT_EQ(p.channel(0).fadeOutVolume, 65536 - 2 * 0x2000);
    p.ticks(10);
    EXPECT_EQ(p.channel(0).volumeEnvelope.output, 0);
    EXPECT_TRUE(p.channel(0).volumeEnvelope.ended);
    EXPECT_EQ(p.channel(0).fadeOutVolume, 0);
    EXPECT_EQ(p.voiceOf(0).volume, 0);
}

TEST(Envelope, LoopsBetweenItsPoints)
{
    XmChannel channel{};
    const EnvelopePoint points[3] = {{0, 0}, {2, 64}, {4, 32}};
    EnvelopeState envelope{};
    const uint8_t type = ENVELOPE_ON | ENVELOPE_LOOP;
    std::vector<int32_t> outputs;
    for (int t = 0; t < 9; ++t) {
        stepEnvelope(channel, envelope, type, 3, points, 2, 1, 0, UPDATE_PANNING);
        outputs.push_back(envelope.output);
    }
    // At the loop end's tick it goes back to the loop start's.
    EXPECT_EQ(outputs, (std::vector<int32_t>{0, 32, 64, 48, 64, 48, 64, 48, 64}));
    EXPECT_EQ(channel.updateFlags, UPDATE_PANNING);
    EXPECT_FALSE(envelope.ended);
}

TEST(Envelope, EndsOnItsLastPoint)
{
    XmChannel channel{};
    const EnvelopePoint points[2] = {{0, 10}, {3, 40}};
    EnvelopeState envelope{};
    std::vector<int32_t> outputs;
    for (int t = 0; t < 6; ++t) {
        stepEnvelope(channel, envelope, ENVELOPE_ON, 2, points, 0, 0, 0, UPDATE_VOLUME);
        outputs.push_back(envelope.output);
    }
    EXPECT_EQ(outputs, (std::vector<int32_t>{10, 20, 30, 40, 40, 40}));
    EXPECT_TRUE(envelope.ended);
    EXPECT_EQ(envelope.tick, 3);
}

TEST(Envelope, PanningEnvelopeMovesThePanningWithinReach)
{
    XmBuilder xm = tinyModule(1, 4, {flatSample(1000)});
    XmBuilder::Instrument& instrument = xm.instruments[0];
    instrument.panning.points = {{0, 40}, {10, 40}};
    instrument.panning.on = true;
    instrument.samples[0].panning = 128;
    xm.patterns[0].at(0, 0) = cell("C-4", 1);
    Playing p(xm);
    p.tick();
    EXPECT_EQ(p.voiceOf(0).panning, 128 + 8 * 4);
    XmBuilder edge = xm;
    edge.instruments[0].samples[0].panning = 240;
    Playing q(edge);
    q.tick();
    EXPECT_EQ(q.voiceOf(0).panning, 240);  // reach (128 - 112) / 32 = 0
}

}  // namespace
