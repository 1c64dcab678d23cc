#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/audio.h"
#include "platform/clock.h"
#include "tests/music/music_fixture.h"

using namespace music_test;

namespace {

// Two channels of sines with notes, effects and envelopes on every row, so
// that rendering runs through most of the player.
XmBuilder busyModule()
{
    XmBuilder xm = tinyModule(2, 32, {sineSample(32, 4), sineSample(16, 8)});
    xm.instruments[1].volume.points = {{0, 64}, {4, 20}, {8, 50}};
    xm.instruments[1].volume.on = true;
    xm.instruments[1].volume.useLoop = true;
    xm.instruments[1].volume.loopStart = 0;
    xm.instruments[1].volume.loopEnd = 2;
    const char* notes[4] = {"C-4", "E-4", "G-4", "C-5"};
    for (int row = 0; row < 32; row += 2) {
        xm.patterns[0].at(row, 0) = cell(notes[row / 2 % 4], 1, 0x30, 0x0, 0x47);
        xm.patterns[0].at(row, 1) = cell(notes[(row / 2 + 1) % 4], 2, 0, 0x1B, 0x82);
        xm.patterns[0].at(row + 1, 1).note = 97;
    }
    xm.order = {0, 0};
    return xm;
}

TEST(Playback, StartFailsWithoutModuleOrCallbacks)
{
    EXPECT_FALSE(startPlayback(nullptr));
    EXPECT_FALSE(stopPlayback(nullptr));
    EXPECT_FALSE(freeModule(nullptr));
    LoadedModule loaded(busyModule());
    ASSERT_NE(loaded.module, nullptr);
    setFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(startPlayback(loaded.module));
    EXPECT_EQ(thePlayer.module, nullptr);
    installResourceCallbacks();
}

TEST(Playback, StartFailsWhenNoDeviceOpens)
{
    static const AudioBackend noDevice = {
        [](const int16_t*, int32_t, int32_t) { return false; }, [](int32_t) {}, [] { return int64_t{0}; }, [] {},
        [] {}};
    Sys_UseAudio(noDevice);
    LoadedModule loaded(busyModule());
    ASSERT_NE(loaded.module, nullptr);
    EXPECT_FALSE(startPlayback(loaded.module));
    // Nothing is left half set up.
    EXPECT_EQ(thePlayer.module, nullptr);
    EXPECT_EQ(thePlayer.output, nullptr);
    Sys_UseAudio(nullAudio);
}

// The silent device goes through its loop by the clock from the frame it
// was started at, and the mix thread keeps refilling behind it.
TEST(Playback, TheNullDeviceConsumesItsLoopInRealTime)
{
    Sys_UseAudio(nullAudio);
    LoadedModule loaded(busyModule());
    ASSERT_NE(loaded.module, nullptr);
    const int64_t firstFrame = int64_t{CHUNK_FRAMES} * 5 + 17;
    const int64_t before = Sys_Counter();
    ASSERT_TRUE(startPlayback(loaded.module, firstFrame));
    EXPECT_FALSE(Sys_OpenAudio(thePlayer.output, TOTAL_FRAMES, MIX_RATE)) << "one device at a time";
    Sys_Sleep(300);
    const int64_t position = Sys_AudioPosition();
    const double seconds = double(Sys_Counter() - before) / double(Sys_CounterFrequency());
    const int64_t start = firstFrame % CHUNK_FRAMES;
    EXPECT_GE(position, start + int64_t(0.3 * MIX_RATE));
    EXPECT_LE(position, start + int64_t(seconds * MIX_RATE) + 1);
    // Every chunk the device has left is mixed again (give the thread two).
    const int32_t refilled = thePlayer.heardChunk;
    const int64_t later = Sys_AudioPosition();
    ASSERT_LT(later, TOTAL_FRAMES) << "the loop went round: the counts below wrap";
    EXPECT_GE(refilled, position / CHUNK_FRAMES - 2);
    EXPECT_LE(refilled, later / CHUNK_FRAMES);
    EXPECT_TRUE(stopPlayback(loaded.module));
    EXPECT_EQ(thePlayer.exited, 1);
}

TEST(Playback, SetsUpTheModuleForItsFirstRow)
{
    XmBuilder xm = busyModule();
    xm.tempo = 4;
    xm.bpm = 150;
    Playing p(xm);
    ASSERT_TRUE(p.started);
    EXPECT_EQ(p.module->speed, 4);
    EXPECT_EQ(p.module->framesPerTick, 735);
    EXPECT_EQ(p.module->globalVolume, 64);
    EXPECT_EQ(p.module->nextRow, -1);
    EXPECT_EQ(p.module->nextOrder, -1);
    EXPECT_EQ(thePlayer.channels[1].voice, &thePlayer.voices[1]);
    EXPECT_EQ(thePlayer.voices[200].index, 200);
    EXPECT_EQ(thePlayer.voices[200].step, static_cast<uint64_t>(FIXED_ONE));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(thePlayer.mixBuffer) % 16, 0u);
}

TEST(Playback, ChunksRunTicksAsTheyFallDue)
{
    XmBuilder xm = tinyModule(1, 64, {flatSample(1)});
    xm.tempo = 1;
    Playing p(xm);
    mixChunk();  // ticks at frames 0 and 882
    EXPECT_EQ(p.module->row, 1);
    EXPECT_EQ(p.module->framesLeftInTick, 882 - 2);
    EXPECT_EQ(thePlayer.writeCursor, 1);
    for (int i = 0; i < 99; ++i) mixChunk();
    EXPECT_EQ(thePlayer.writeCursor, 0);  // wrapped after the last chunk
    // 100 chunks of 884 frames hold 100 whole ticks of 882 and 200 frames more.
    EXPECT_EQ(p.module->row, 100 % 64);
    // Every run of a chunk loses its fraction of a millisecond.
    EXPECT_LE(p.module->elapsedMs, 2004);
    EXPECT_GE(p.module->elapsedMs, 1900);
}

TEST(Playback, PositionQueriesReadTheHeardChunksLog)
{
    EXPECT_EQ(playingRow(), 0);  // no log
    XmBuilder xm = tinyModule(1, 64, {flatSample(1)});
    xm.tempo = 1;
    Playing p(xm);
    mixChunk();
    EXPECT_EQ(playingRow(), 1);
    EXPECT_EQ(playingOrderPosition(), 0);
    EXPECT_GE(playingElapsedMs(), 19);
    EXPECT_LE(playingElapsedMs(), 20);
}

TEST(Playback, NothingIsAllocatedWhilePlaying)
{
    Playing p(busyModule());
    p.render(2);
    const size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 500; ++i) renderNextChunk();
    EXPECT_EQ(mallinfo2().uordblks, before);
}

std::vector<int16_t> readRawFrames(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<int16_t> values(bytes.size() / 2);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    return values;
}

// The device path end to end, through SDL's file-writing driver at about
// four to five times real time: what the device played must be what the mixer
// renders offline, so the MixThread refilled every chunk in time.
TEST(Playback, DeviceLoopIsRefilledBehindThePlayPosition)
{
    const std::string path = ::testing::TempDir() + "device_output.raw";
    std::remove(path.c_str());
    Sys_UseAudio(sdlAudio);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "5", 1);
    {
        LoadedModule loaded(busyModule());
        ASSERT_NE(loaded.module, nullptr);
        if (!startPlayback(loaded.module)) {
            unsetenv("SDL_AUDIODRIVER");
            Sys_UseAudio(nullAudio);
            GTEST_SKIP() << "SDL's disk audio driver is not available";
        }
        Sys_Sleep(1500);
        EXPECT_TRUE(stopPlayback(loaded.module));
        EXPECT_EQ(thePlayer.exited, 1);
        EXPECT_EQ(thePlayer.output, nullptr);
    }
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv("SDL_DISKAUDIODELAY");
    Sys_UseAudio(nullAudio);

    // While paused, before the loop starts, the device plays silence.
    const std::vector<int16_t> played = readRawFrames(path);
    Playing offline(busyModule());
    const std::vector<int16_t> expected = offline.render(static_cast<int>(played.size() / 2 / CHUNK_FRAMES) + 1);
    auto firstSound = [](const std::vector<int16_t>& values) {
        size_t i = 0;
        while (i < values.size() && values[i] == 0) ++i;
        return i / 2;
    };
    ASSERT_GE(firstSound(played), firstSound(expected));
    const size_t lead = firstSound(played) - firstSound(expected);
    const size_t frames = played.size() / 2 - lead;
    ASSERT_GT(frames, static_cast<size_t>(TOTAL_FRAMES) * 2) << "the device did not go round its loop twice";
    for (size_t i = 0; i < frames * 2; ++i) {
        if (played[2 * lead + i] != expected[i])
            FAIL() << "first difference at frame " << i / 2 << " of " << frames;
    }
    std::remove(path.c_str());
}

// Started part-way, the device plays what a playback from the start plays
// from that frame on: inside a chunk, on a chunk's edge, and past the loop.
TEST(Playback, StartsAtAnyFrameAsIfPlayedFromTheStart)
{
    const std::string path = ::testing::TempDir() + "device_from.raw";
    Sys_UseAudio(sdlAudio);
    for (const int64_t firstFrame : {int64_t{CHUNK_FRAMES} * 3, int64_t{CHUNK_FRAMES} * 7 + 123,
                                     int64_t{TOTAL_FRAMES} + 4321}) {
        std::remove(path.c_str());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "5", 1);
        {
            LoadedModule loaded(busyModule());
            ASSERT_NE(loaded.module, nullptr);
            if (!startPlayback(loaded.module, firstFrame)) {
                unsetenv("SDL_AUDIODRIVER");
                Sys_UseAudio(nullAudio);
                GTEST_SKIP() << "SDL's disk audio driver is not available";
            }
            Sys_Sleep(400);
            EXPECT_TRUE(stopPlayback(loaded.module));
        }
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_DISKAUDIODELAY");

        const std::vector<int16_t> played = readRawFrames(path);
        Playing offline(busyModule());
        std::vector<int16_t> expected =
            offline.render(static_cast<int>((firstFrame + played.size() / 2) / CHUNK_FRAMES) + 1);
        expected.erase(expected.begin(), expected.begin() + 2 * firstFrame);
        // Silence comes first while the device is paused: the first sound lines the two up.
        auto firstSound = [](const std::vector<int16_t>& values) {
            size_t i = 0;
            while (i < values.size() && values[i] == 0) ++i;
            return i / 2;
        };
        ASSERT_GE(firstSound(played), firstSound(expected));
        const size_t lead = firstSound(played) - firstSound(expected);
        const size_t frames = played.size() / 2 - lead;
        ASSERT_GT(frames, static_cast<size_t>(CHUNK_FRAMES) * 20) << "from frame " << firstFrame;
        for (size_t i = 0; i < frames * 2; ++i) {
            if (played[2 * lead + i] != expected[i])
                FAIL() << "from frame " << firstFrame << ": first difference at frame " << i / 2 << " of " << frames;
        }
    }
    Sys_UseAudio(nullAudio);
    std::remove(path.c_str());
}

}  // namespace
