#include <gtest/gtest.h>

#include <cstring>

#include "music/module_file.h"
#include "music/xm_module.h"
#include "tests/music/music_fixture.h"

using namespace music_test;

namespace {

XmBuilder::Sample eightBit(std::vector<int16_t> values)
{
    XmBuilder::Sample sample;
    sample.values = std::move(values);
    return sample;
}

TEST(XmLoader, ReadsTheHeader)
{
    XmBuilder xm = tinyModule(3, 16, {flatSample(100)});
    xm.tempo = 5;
    xm.bpm = 140;
    xm.restartPosition = 1;
    xm.addPattern(8);
    xm.order = {1, 0, 1};
    LoadedModule loaded(xm);
    XmModule* module = loaded.module;
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->songLength, 3);
    EXPECT_EQ(module->restartPosition, 1);
    EXPECT_EQ(module->channelCount, 3);
    EXPECT_EQ(module->instrumentCount, 1);
    EXPECT_EQ(module->flags & FLAG_LINEAR_FREQUENCIES, 1);
    EXPECT_EQ(module->defaultTempo, 5);
    EXPECT_EQ(module->defaultBpm, 140);
    EXPECT_EQ(module->orderTable[0], 1);
    EXPECT_EQ(module->referencedPatterns, 2);
    EXPECT_EQ(module->patternSlots, 2);
    EXPECT_EQ(module->initialGlobalVolume, 64);
    EXPECT_NE(module->tickHandler, nullptr);
    EXPECT_EQ(module->patterns[0].rows, 16);
    EXPECT_EQ(module->patterns[1].rows, 8);
}

TEST(XmLoader, RefusesWhatIsNotAnXmModule)
{
    std::vector<uint8_t> bytes = XmBuilder().build();
    bytes[9] = 'm';  // "Extended module: "
    LoadedModule wrongCase(bytes);
    EXPECT_EQ(wrongCase.module, nullptr);
    EXPECT_STREQ(moduleLoadError(), "not an XM module");
    LoadedModule empty(std::vector<uint8_t>{});
    EXPECT_EQ(empty.module, nullptr);
}

TEST(XmLoader, UnpacksPackedAndPlainCellsAlike)
{
    for (XmBuilder::Packing packing : {XmBuilder::Packing::Packed, XmBuilder::Packing::Unpacked}) {
        XmBuilder xm = tinyModule(2, 4, {flatSample(1)});
        xm.patterns[0].packing = packing;
        xm.patterns[0].at(0, 0) = cell("C-4", 1, 0x30, 0x0F, 0x07);
        xm.patterns[0].at(1, 1).effect = 0x0A;  // effect without parameter
        xm.patterns[0].at(2, 1).parameter = 0x12;  // parameter without effect
        xm.patterns[0].at(3, 0).note = 97;
        xm.patterns[0].at(3, 1).instrument = 200;
        LoadedModule loaded(xm);
        ASSERT_NE(loaded.module, nullptr);
        const PatternCell* cells = loaded.module->patterns[0].cells;
        EXPECT_EQ(cells[0].note, 49);
        EXPECT_EQ(cells[0].instrument, 1);
        EXPECT_EQ(cells[0].volume, 0x30);
        EXPECT_EQ(cells[0].effect, 0x0F);
        EXPECT_EQ(cells[0].parameter, 0x07);
        EXPECT_EQ(cells[3].effect, 0x0A);
        EXPECT_EQ(cells[3].parameter, 0);
        EXPECT_EQ(cells[5].effect, 0);
        EXPECT_EQ(cells[5].parameter, 0x12);
        EXPECT_EQ(cells[6].note, NOTE_KEY_OFF);  // 97 is the key-off
        EXPECT_EQ(cells[7].instrument, 0);       // above 128: no instrument
    }
}

TEST(XmLoader, EmptyAndMissingPatterns)
{
    XmBuilder xm = tinyModule(2, 20, {flatSample(1)});
    xm.patterns[0].packing = XmBuilder::Packing::Empty;
    xm.order = {0, 3};
    LoadedModule loaded(xm);
    ASSERT_NE(loaded.module, nullptr);
    EXPECT_EQ(loaded.module->patterns[0].rows, 20);
    EXPECT_EQ(loaded.module->patterns[0].cells[39].note, 0);
    // The order table names patterns 1..3 that the file lacks: 64 empty rows.
    EXPECT_EQ(loaded.module->patternSlots, 4);
    for (int p = 1; p < 4; ++p) EXPECT_EQ(loaded.module->patterns[p].rows, 64);
    EXPECT_EQ(loaded.module->patterns[3].cells[127].instrument, 0);
}

TEST(XmLoader, DecodesEightBitDeltasToSixteenBits)
{
    XmBuilder xm = tinyModule(1, 1, {});
    XmBuilder::Sample sample = eightBit({1, 2, 3});  // stored as the differences 1, 1, 1
    xm.addInstrument(sample);
    LoadedModule loaded(xm);
    ASSERT_NE(loaded.module, nullptr);
    const XmSample* s = loaded.module->instruments[0].samples[0];
    EXPECT_EQ(s->bits, 16);
    EXPECT_EQ(s->length, 3u);
    EXPECT_EQ(s->data[0], 256);
    EXPECT_EQ(s->data[1], 512);
    EXPECT_EQ(s->data[2], 768);
    // Differences wrap at 8 bits before widening: 127 then -128 is a step of 1.
    XmBuilder wrap = tinyModule(1, 1, {eightBit({127, -128, -1})});
    LoadedModule wrapped(wrap);
    const int16_t* data = wrapped.module->instruments[0].samples[0]->data;
    EXPECT_EQ(data[0], 127 * 256);
    EXPECT_EQ(data[1], -128 * 256);
    EXPECT_EQ(data[2], -256);
}

TEST(XmLoader, SixteenBitSamplesAndLoops)
{
    XmBuilder::Sample looped = flatSample(0, 100);
    for (int i = 0; i < 100; ++i) looped.values[i] = static_cast<int16_t>(i * 10 - 500);
    looped.loopStart = 20;
    looped.loopLength = 50;
    XmBuilder::Sample pingPong = looped;
    pingPong.loop = XmBuilder::PingPongLoop;
    XmBuilder::Sample zeroLoop = looped;
    zeroLoop.loopLength = 0;
    LoadedModule loaded(tinyModule(1, 1, {looped, pingPong, zeroLoop}));
    ASSERT_NE(loaded.module, nullptr);

    const XmSample& forward = *loaded.module->instruments[0].samples[0];
    // The file gives bytes; the loader keeps frames.
    EXPECT_EQ(forward.length, 100u);
    EXPECT_EQ(forward.loopStart, 20u);
    EXPECT_EQ(forward.loopLength, 50u);
    EXPECT_EQ(forward.loopMode, LoopMode::Forward);
    EXPECT_EQ(forward.data[99], 490);
    EXPECT_EQ(forward.data[70], forward.data[20]);  // guard: the loop's start follows its end

    const XmSample& mirrored = *loaded.module->instruments[1].samples[0];
    EXPECT_EQ(mirrored.loopMode, LoopMode::PingPong);
    EXPECT_EQ(mirrored.data[70], mirrored.data[69]);  // guard: the end repeats

    // A loop of length 0 is no loop over the whole sample.
    const XmSample& unlooped = *loaded.module->instruments[2].samples[0];
    EXPECT_EQ(unlooped.loopMode, LoopMode::None);
    EXPECT_EQ(unlooped.loopStart, 0u);
    EXPECT_EQ(unlooped.loopLength, 100u);
    EXPECT_EQ(unlooped.data[100], 0);  // zero padding after the data
}

TEST(XmLoader, ReadsInstrumentsAndSampleHeaders)
{
    XmBuilder xm = tinyModule(1, 1, {});
    XmBuilder::Sample a = flatSample(5, 8);
    a.volume = 40;
    a.finetune = -16;
    a.panning = 200;
    a.relativeNote = -12;
    XmBuilder::Instrument& instrument = xm.addInstrument(a);
    instrument.samples.push_back(flatSample(7, 8));
    instrument.sampleMap.fill(0);
    instrument.sampleMap[60] = 1;
    instrument.sampleMap[61] = 20;
    instrument.volume.points = {{0, 64}, {10, 32}, {20, 0}};
    instrument.volume.on = true;
    instrument.volume.useSustain = true;
    instrument.volume.sustain = 1;
    instrument.panning.points = {{0, 32}};  // one point: envelope off
    instrument.panning.on = true;
    instrument.fadeOut = 0x9000;  // doubled as 16 bits: wraps
    LoadedModule loaded(xm);
    ASSERT_NE(loaded.module, nullptr);
    const XmInstrument& in = loaded.module->instruments[0];
    EXPECT_EQ(in.sampleCount, 2);
    EXPECT_EQ(in.samples[1]->data[0], 7);
    for (int s = 2; s < 16; ++s) EXPECT_EQ(in.samples[s], &EmptySample);
    EXPECT_EQ(in.sampleMap[60], 1);
    EXPECT_EQ(in.sampleMap[61], 20);
    EXPECT_EQ(in.volumePointCount, 3);
    EXPECT_EQ(in.volumeEnvelope[1].x, 10);
    EXPECT_EQ(in.volumeEnvelope[1].y, 32);
    EXPECT_EQ(in.volumeType, ENVELOPE_ON | ENVELOPE_SUSTAIN);
    EXPECT_EQ(in.volumeSustain, 1);
    EXPECT_EQ(in.panningType, 0);
    EXPECT_EQ(in.fadeOut, 0x2000);
    const XmSample& s = *in.samples[0];
    EXPECT_EQ(s.volume, 40);
    EXPECT_EQ(s.finetune, -16);
    EXPECT_EQ(s.panning, 200);
    EXPECT_EQ(s.relativeNote, -12);
}

TEST(XmLoader, InstrumentWithoutSamplesHasOnlyEmptySlots)
{
    XmBuilder xm = tinyModule(1, 1, {flatSample(3)});
    xm.instruments.insert(xm.instruments.begin(), XmBuilder::Instrument{});
    LoadedModule loaded(xm);
    ASSERT_NE(loaded.module, nullptr);
    EXPECT_EQ(loaded.module->instruments[0].sampleCount, 0);
    EXPECT_EQ(loaded.module->instruments[0].samples[0], &EmptySample);
    EXPECT_EQ(loaded.module->instruments[1].samples[0]->data[0], 3);
}

TEST(XmLoader, AnInstrumentWithSeventeenSamplesFailsTheLoad)
{
    XmBuilder xm = tinyModule(1, 1, {flatSample(1, 4)});
    xm.instruments[0].samples.resize(17, flatSample(1, 4));
    LoadedModule loaded(xm);
    EXPECT_EQ(loaded.module, nullptr);
    EXPECT_STREQ(moduleLoadError(), "an instrument has more than 16 samples");
    xm.instruments[0].samples.resize(16);
    LoadedModule sixteen(xm);
    EXPECT_NE(sixteen.module, nullptr);
}

TEST(XmLoader, SampleCallbackFillsTheData)
{
    static int calls;
    calls = 0;
    auto callback = [](void* buffer, int32_t byteCount, int32_t bits, int32_t instrument, int32_t sample) {
        ++calls;
        EXPECT_EQ(bits, 8);
        EXPECT_EQ(byteCount, 4);
        EXPECT_EQ(instrument, 0);
        EXPECT_EQ(sample, 0);
        std::memset(buffer, 2, static_cast<size_t>(byteCount));  // decoded already: no sums
    };
    std::vector<uint8_t> bytes = tinyModule(1, 1, {eightBit({9, 9, 9, 9})}).build();
    installResourceCallbacks();
    setModuleResource(bytes.data(), static_cast<int32_t>(bytes.size()));
    XmModule* module = loadModule("x", callback);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(module->instruments[0].samples[0]->data[3], 512);
    freeModule(module);
    setModuleResource(nullptr, 0);
}

// Modules named on the command line come from anywhere: whatever the
// counts and lengths say, the loader keeps inside its buffers.
TEST(XmLoaderUntrusted, CountsBeyondTheFormatAreRefused)
{
    XmBuilder channels = tinyModule(1, 1, {});
    channels.channelsField = 129;
    LoadedModule tooWide(channels);
    EXPECT_EQ(tooWide.module, nullptr);
    EXPECT_STREQ(moduleLoadError(), "more than 128 channels");

    XmBuilder rows = tinyModule(1, 257, {});
    LoadedModule tooLong(rows);
    EXPECT_EQ(tooLong.module, nullptr);
    EXPECT_STREQ(moduleLoadError(), "a pattern has more than 256 rows");

    XmBuilder patterns = tinyModule(1, 1, {});
    patterns.patternCountField = 300;
    LoadedModule tooMany(patterns);
    EXPECT_EQ(tooMany.module, nullptr);

    XmBuilder instruments = tinyModule(1, 1, {});
    instruments.instrumentCountField = 129;
    LoadedModule tooManyInstruments(instruments);
    EXPECT_EQ(tooManyInstruments.module, nullptr);
}

TEST(XmLoaderUntrusted, SongLengthIsHeldToTheOrderTable)
{
    XmBuilder xm = tinyModule(1, 4, {});
    xm.order.assign(256, 0);
    xm.songLengthField = 0xFFFF;
    LoadedModule loaded(xm);
    ASSERT_NE(loaded.module, nullptr);
    EXPECT_EQ(loaded.module->songLength, 256);
}

TEST(XmLoaderUntrusted, SampleLengthsAreCutToTheData)
{
    XmBuilder xm = tinyModule(1, 1, {});
    XmBuilder::Sample sample = eightBit({10, 20, 30, 40});
    sample.lengthField = 0xFFFFFFF0u;  // far more than the file holds
    sample.loop = XmBuilder::PingPongLoop;
    sample.loopStartField = 2;
    sample.loopLengthField = 0x7FFFFFFF;
    xm.addInstrument(sample);
    LoadedModule loaded(xm);
    ASSERT_NE(loaded.module, nullptr);
    const XmSample& s = *loaded.module->instruments[0].samples[0];
    EXPECT_EQ(s.length, 4u);
    EXPECT_EQ(s.loopStart, 2u);
    EXPECT_EQ(s.loopLength, 2u);
    EXPECT_EQ(s.data[3], 40 * 256);

    // A loop starting past the data is no loop.
    XmBuilder late = tinyModule(1, 1, {});
    XmBuilder::Sample past = eightBit({1, 2, 3});
    past.loop = XmBuilder::ForwardLoop;
    past.loopStartField = 1000;
    past.loopLengthField = 10;
    late.addInstrument(past);
    LoadedModule lateLoop(late);
    ASSERT_NE(lateLoop.module, nullptr);
    EXPECT_EQ(lateLoop.module->instruments[0].samples[0]->loopMode, LoopMode::None);
    EXPECT_EQ(lateLoop.module->instruments[0].samples[0]->loopLength, 3u);
}

TEST(XmLoaderUntrusted, EnvelopeCountsAndLoopsStayInsideTheirPoints)
{
    XmBuilder xm = tinyModule(1, 1, {flatSample(1)});
    XmBuilder::Envelope& envelope = xm.instruments[0].volume;
    envelope.points = {{0, 64}, {4, 300}};
    envelope.pointCountField = 200;
    envelope.on = true;
    envelope.useLoop = true;
    envelope.loopStart = 40;
    envelope.loopEnd = 1;
    LoadedModule loaded(xm);
    ASSERT_NE(loaded.module, nullptr);
    const XmInstrument& in = loaded.module->instruments[0];
    EXPECT_EQ(in.volumePointCount, 12);
    EXPECT_EQ(in.volumeType & ENVELOPE_LOOP, 0);
    EXPECT_EQ(in.volumeEnvelope[1].y, 64);
}

TEST(XmLoaderUntrusted, EveryTruncationLoadsOrFailsCleanly)
{
    XmBuilder xm = tinyModule(2, 8, {sineSample(16, 4)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1);
    xm.instruments[0].volume.points = {{0, 64}, {8, 0}};
    xm.instruments[0].volume.on = true;
    const std::vector<uint8_t> whole = xm.build();
    for (size_t size = 0; size <= whole.size(); size += 7) {
        LoadedModule loaded(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(size)));
        // Cut inside the header (up to its order table, or the size it gives): refused.
        if (size < 17) {
            EXPECT_EQ(loaded.module, nullptr);
        } else if (size < 60 + 276u) {
            EXPECT_EQ(loaded.module, nullptr) << size;
            EXPECT_STREQ(moduleLoadError(), "cut short inside its header");
        }
        if (!loaded.module) continue;
        for (int i = 0; i < loaded.module->instrumentCount; ++i) {
            const XmInstrument& in = loaded.module->instruments[i];
            for (int s = 0; s < in.sampleCount; ++s)
                EXPECT_TRUE(in.samples[s]->length == 0 || in.samples[s]->data != nullptr);
        }
    }
}

int readCalls = 0;
int32_t countedRead(void* buffer, int32_t count, void* handle)
{
    ++readCalls;
    return resourceRead(buffer, count, handle);
}

TEST(XmLoaderUntrusted, APatternCutByTheFileEndIsNotReadPastIt)
{
    // 128 channels of 256 rows, the file ending a few cells in: the cells
    // read keep their values, the rest stay empty, and the loader stops
    // reading where the file stops (a byte-wise read of the rest took
    // 160,000 calls).
    XmBuilder xm = tinyModule(128, 256, {flatSample(1)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1);
    xm.patterns[0].at(0, 3) = cell("E-4", 1);
    std::vector<uint8_t> bytes = xm.build();
    bytes.resize(60 + 276 + 9 + 40);
    installResourceCallbacks();
    setModuleResource(bytes.data(), static_cast<int32_t>(bytes.size()));
    setFileCallbacks(resourceOpen, resourceClose, countedRead, resourceSeek, resourceTell);
    readCalls = 0;
    XmModule* module = loadModule("cut.xm", nullptr);
    EXPECT_LT(readCalls, 1000);
    ASSERT_NE(module, nullptr) << moduleLoadError();
    const PatternCell* cells = module->patterns[0].cells;
    EXPECT_EQ(cells[0].note, 49);
    EXPECT_EQ(cells[3].note, 53);
    for (int i = 40; i < 256 * 128; ++i) ASSERT_EQ(cells[i].note | cells[i].instrument | cells[i].effect, 0) << i;
    freeModule(module);
    installResourceCallbacks();
    setModuleResource(nullptr, 0);
}

}  // namespace
