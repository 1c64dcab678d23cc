// The music through the program's command line: crafted modules rendered
// with --wav, checked from the samples.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/music/music_fixture.h"

using namespace music_test;

namespace {

struct RunResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr
};

RunResult runShow(const std::string& arguments)
{
    RunResult result;
    const std::string command = std::string(SHOW_BINARY) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) result.output += buffer;
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string tempPath(const std::string& name) { return ::testing::TempDir() + "music_" + name; }

std::string writeModule(const XmBuilder& xm, const std::string& name)
{
    const std::string path = tempPath(name);
    std::string error;
    EXPECT_TRUE(xm.writeFile(path, error)) << error;
    return path;
}

struct Wav {
    uint16_t channels = 0, bits = 0;
    uint32_t rate = 0;
    std::vector<int16_t> samples;  // interleaved
    size_t frames() const { return samples.size() / 2; }
    std::vector<double> side(int s, size_t from, size_t count) const
    {
        std::vector<double> out;
        for (size_t i = from; i < from + count && i < frames(); ++i) out.push_back(samples[2 * i + s]);
        return out;
    }
};

uint32_t le(const std::vector<uint8_t>& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + i);
    return v;
}

Wav readWav(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> b((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Wav wav;
    if (b.size() < 44 || std::string(b.begin(), b.begin() + 4) != "RIFF") return wav;
    EXPECT_EQ(le(b, 4, 4), b.size() - 8);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    wav.channels = static_cast<uint16_t>(le(b, 22, 2));
    wav.rate = le(b, 24, 4);
    wav.bits = static_cast<uint16_t>(le(b, 34, 2));
    const uint32_t dataBytes = le(b, 40, 4);
    EXPECT_EQ(dataBytes, b.size() - 44);
    for (size_t i = 44; i + 1 < b.size(); i += 2) wav.samples.push_back(static_cast<int16_t>(le(b, i, 2)));
    return wav;
}

Wav render(const XmBuilder& xm, const std::string& name, double seconds)
{
    const std::string module = writeModule(xm, name + ".xm");
    const std::string out = tempPath(name + ".wav");
    char arguments[64];
    std::snprintf(arguments, sizeof arguments, " --seconds %.3f", seconds);
    const RunResult run = runShow("--wav " + out + " --module " + module + arguments);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readWav(out);
}

// Strength of `frequency` in the signal (Goertzel).
double strength(const std::vector<double>& signal, double frequency)
{
    const double w = 2.0 * M_PI * frequency / 44100.0;
    const double c = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (double x : signal) {
        const double s0 = x + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - c * s1 * s2;
}

// The dominant frequency between 40 and 4000 Hz, to a tenth of a hertz.
double dominantFrequency(const std::vector<double>& signal)
{
    double best = 0.0, bestStrength = -1.0;
    for (double f = 40.0; f <= 4000.0; f += 2.0) {
        const double s = strength(signal, f);
        if (s > bestStrength) bestStrength = s, best = f;
    }
    for (double f = best - 2.0; f <= best + 2.0; f += 0.1) {
        const double s = strength(signal, f);
        if (s > bestStrength) bestStrength = s, best = f;
    }
    return best;
}

double energy(const std::vector<double>& signal)
{
    double sum = 0.0;
    for (double x : signal) sum += x * x;
    return sum;
}

TEST(WavCommand, PitchFollowsTheNotes)
{
    // A 32-value sine cycle at C-4 plays 8363 / 32 Hz; A-4 is 9 semitones up,
    // C-5 an octave up; a relative note of -12 brings C-5 back to C-4.
    XmBuilder xm = tinyModule(1, 64, {sineSample(32, 4)});
    XmBuilder::Sample lowered = sineSample(32, 4);
    lowered.relativeNote = -12;
    xm.addInstrument(lowered);
    xm.tempo = 6;  // 16 rows of 6 x 882 frames: 2.4 s a note
    xm.patterns[0].at(0, 0) = cell("C-4", 1);
    xm.patterns[0].at(16, 0) = cell("A-4", 1);
    xm.patterns[0].at(32, 0) = cell("C-5", 1);
    xm.patterns[0].at(48, 0) = cell("C-5", 2);
    const Wav wav = render(xm, "pitch", 8.0);
    const size_t noteFrames = 16 * 6 * 882;
    const double expected[4] = {8363.0 / 32, 8363.0 * std::pow(2.0, 9.0 / 12) / 32, 8363.0 * 2 / 32, 8363.0 / 32};
    for (int n = 0; n < 4; ++n) {
        const std::vector<double> signal = wav.side(0, n * noteFrames + 4410, 44100);
        EXPECT_NEAR(dominantFrequency(signal), expected[n], 0.5) << "note " << n;
    }
}

TEST(WavCommand, NotesStartOnTheirRowsAndSilenceBetween)
{
    XmBuilder xm = tinyModule(1, 32, {sineSample(32)});
    xm.tempo = 3;
    xm.bpm = 150;  // 735 frames a tick, 2205 a row
    xm.patterns[0].at(8, 0) = cell("C-4", 1);
    xm.patterns[0].at(12, 0).note = 97;  // key-off cuts it (no envelope)
    const Wav wav = render(xm, "timing", 1.0);
    const size_t start = 8 * 2205, stop = 12 * 2205;
    EXPECT_EQ(energy(wav.side(0, 0, start)), 0.0);
    EXPECT_GT(energy(wav.side(0, start, 64)), 0.0);  // fading in from the note's first frame
    EXPECT_GT(energy(wav.side(0, start + 200, 2000)), 1e9);
    EXPECT_GT(energy(wav.side(0, stop - 200, 200)), 1e8);
    EXPECT_EQ(energy(wav.side(0, stop + RAMP_FRAMES, 10000)), 0.0);  // faded out over 128 frames
}

TEST(WavCommand, EmptySongIsSilent)
{
    XmBuilder xm = tinyModule(4, 64, {sineSample(32)});
    const Wav wav = render(xm, "silence", 2.0);
    ASSERT_EQ(wav.frames(), 88200u);
    EXPECT_EQ(energy(wav.side(0, 0, wav.frames())) + energy(wav.side(1, 0, wav.frames())), 0.0);
}

TEST(WavCommand, PanningSetsTheBalance)
{
    // Three channels at three pitches: panned to 255, to 0, and centred.
    XmBuilder xm = tinyModule(3, 64, {sineSample(32)});
    xm.tempo = 6;
    xm.patterns[0].at(0, 0) = cell("C-4", 1, 0, 0x8, 0xFF);
    xm.patterns[0].at(16, 1) = cell("E-4", 1, 0, 0x8, 0x00);
    xm.patterns[0].at(32, 2) = cell("G-4", 1, 0, 0x8, 0x80);
    const double c4 = 8363.0 / 32, e4 = c4 * std::pow(2.0, 4.0 / 12), g4 = c4 * std::pow(2.0, 7.0 / 12);
    const size_t rowFrames = 6 * 882;
    const Wav wav = render(xm, "balance", 4.0);

    const size_t first = 2000;
    EXPECT_GT(energy(wav.side(0, first, 40000)), 1e10);
    EXPECT_EQ(energy(wav.side(1, first, 40000)), 0.0);  // 255: the first sample only

    const size_t second = 16 * rowFrames + 2000;
    const std::vector<double> left = wav.side(0, second, 44100), right = wav.side(1, second, 44100);
    EXPECT_GT(strength(right, e4), 1000.0 * strength(right, c4));  // 0: the second sample only
    EXPECT_GT(strength(left, c4), 1000.0 * strength(left, e4));

    const size_t third = 32 * rowFrames + 2000;
    const double leftG = strength(wav.side(0, third, 44100), g4), rightG = strength(wav.side(1, third, 44100), g4);
    EXPECT_GT(leftG, 1e10);
    EXPECT_NEAR(leftG / rightG, 1.0, 0.05);  // centred: both alike
}

// --solo and --mute: what is left out is gone, and what is heard is mixed
// as without them.
TEST(WavCommand, SoloAndMuteLeaveChannelsOut)
{
    // Three notes at once, one a channel; a fourth channel plays nothing.
    XmBuilder xm = tinyModule(4, 64, {sineSample(32, 1, 6000.0)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1);
    xm.patterns[0].at(0, 1) = cell("E-4", 1);
    xm.patterns[0].at(0, 2) = cell("G-4", 1);
    const std::string module = writeModule(xm, "chord.xm");
    auto renderWith = [&](const std::string& name, const std::string& options) {
        const std::string out = tempPath(name + ".wav");
        const RunResult run = runShow("--wav " + out + " --seconds 1 --module " + module + " " + options);
        EXPECT_EQ(run.exitCode, 0) << options << ": " << run.output;
        return readWav(out).samples;
    };
    const std::vector<int16_t> all = renderWith("chord_all", ""), second = renderWith("chord_solo2", "--solo 2");
    const std::vector<int16_t> first = renderWith("chord_solo1", "--solo 1"), third = renderWith("chord_solo3", "--solo 3");
    const std::vector<int16_t> withoutSecond = renderWith("chord_mute2", "--mute 2");
    ASSERT_EQ(all.size(), 2u * 44100);
    EXPECT_EQ(renderWith("chord_mute4", "--mute 4"), all);  // leaving out a silent channel changes nothing
    EXPECT_EQ(renderWith("chord_mute134", "--mute 1,3,4"), second);
    const std::vector<int16_t> none = renderWith("chord_mute_all", "--mute 1,2,3");
    EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](int16_t v) { return v == 0; }));
    int worst = 0;
    double energySecond = 0.0;
    for (size_t i = 0; i < all.size(); ++i) {
        // Each heard channel as it sounds in the whole, to the rounding of one sample each.
        worst = std::max(worst, std::abs(withoutSecond[i] - first[i] - third[i]));
        worst = std::max(worst, std::abs(all[i] - first[i] - second[i] - third[i]));
        energySecond += static_cast<double>(second[i]) * second[i];
    }
    EXPECT_LE(worst, 2);
    EXPECT_GT(energySecond, 1e10);

    const RunResult run = runShow("--wav " + tempPath("chord_bad.wav") + " --module " + module + " --solo 5");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("there is no channel 5"), std::string::npos) << run.output;
}

TEST(WavCommand, ModulesThatWillNotLoadExitWithAReason)
{
    const std::string out = tempPath("refused.wav");
    const std::string notXm = tempPath("not.xm");
    std::ofstream(notXm) << "This is not a module at all, it is some text.";
    // Text is read as a tune source, and its error names the line.
    RunResult run = runShow("--wav " + out + " --module " + notXm);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find(notXm + ":1: unknown statement 'This'"), std::string::npos) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    std::ofstream(notXm, std::ios::binary) << std::string("Extended Modulo\0\1\2", 18);
    run = runShow("--wav " + out + " --module " + notXm);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("not an XM module"), std::string::npos) << run.output;

    XmBuilder xm = tinyModule(1, 1, {flatSample(1, 4)});
    xm.instruments[0].samples.resize(17, flatSample(1, 4));
    run = runShow("--wav " + out + " --module " + writeModule(xm, "seventeen.xm"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("more than 16 samples"), std::string::npos) << run.output;

    run = runShow("--wav " + out + " --module " + tempPath("missing.xm"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("cannot read module file"), std::string::npos) << run.output;

    run = runShow("--wav " + tempPath("no/such/dir.wav") + " --module " + writeModule(tinyModule(1, 1, {}), "ok.xm"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("cannot write"), std::string::npos) << run.output;
}

// The built-in music and its source, compiled by the show, are the same.
TEST(WavCommand, ModuleFromTuneSource)
{
    const std::string builtIn = tempPath("built_in.wav"), fromSource = tempPath("from_source.wav");
    EXPECT_EQ(runShow("--wav " + builtIn + " --seconds 3").exitCode, 0);
    const RunResult run =
        runShow("--wav " + fromSource + " --seconds 3 --module " + std::string(SOURCE_DIR) + "/content/music.tune");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const Wav a = readWav(builtIn), b = readWav(fromSource);
    EXPECT_EQ(a.frames(), 3u * 44100);
    EXPECT_EQ(a.samples, b.samples);
    EXPECT_TRUE(std::any_of(a.samples.begin(), a.samples.end(), [](int16_t s) { return s != 0; }));
}

TEST(WavCommand, BadOptionsExitWithUsage)
{
    for (const char* arguments : {"--wav", "--wav x.wav --seconds -1", "--seconds 3", "--wav x.wav --render dir",
                                  "--wav x.wav --resolution 800x600", "--module"}) {
        const RunResult run = runShow(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        // A bad value is one line pointing to --help; an unknown option prints the usage.
        EXPECT_TRUE(run.output.find("usage:") != std::string::npos ||
                    run.output.find("(show --help lists the options)") != std::string::npos)
            << arguments;
    }
}

TEST(WavCommand, BuiltInMusicPlays)
{
    const std::string out = tempPath("builtin.wav");
    const RunResult run = runShow("--wav " + out + " --seconds 4.5");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const Wav wav = readWav(out);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.rate, 44100u);
    EXPECT_EQ(wav.bits, 16);
    ASSERT_EQ(wav.frames(), 198450u);
    EXPECT_GT(energy(wav.side(0, 0, wav.frames())), 1e11);
    EXPECT_GT(energy(wav.side(1, 0, wav.frames())), 1e11);
}

// --render writes the music of its frames' span beside them.
TEST(RenderCommand, MusicCoversTheFramesSpan)
{
    XmBuilder xm = tinyModule(1, 64, {sineSample(32)});
    for (int row = 0; row < 64; row += 4) xm.patterns[0].at(row, 0) = cell(row % 8 ? "C-5" : "C-4", 1);
    const std::string module = writeModule(xm, "render.xm");
    const std::string directory = tempPath("frames");
    const RunResult run = runShow("--render " + directory + " --force --fps 10 --from 1 --to 2.5 --module " + module);
    if (run.exitCode != 0 && run.output.find("headless") != std::string::npos) GTEST_SKIP() << run.output;
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const Wav music = readWav(directory + "/music.wav");
    EXPECT_EQ(music.frames(), 66150u);  // 15 frames of a tenth of a second
    const Wav whole = render(xm, "whole", 3.0);
    ASSERT_GE(whole.samples.size(), 2u * (44100 + 66150));
    EXPECT_TRUE(std::equal(music.samples.begin(), music.samples.end(), whole.samples.begin() + 2 * 44100));
}

}  // namespace

TEST(WavCommand, PlaysWithThePlayerTheModuleOrTheCommandLineNames)
{
    // A note panned full right: the FastTracker 2 player plays it on the
    // right, the exact one on the left, and --wav names the one it used.
    XmBuilder xm = tinyModule(1, 8, {flatSample(8000, 256)});
    xm.patterns[0].at(0, 0) = cell("C-4", 1, 0, 0x8, 0xFF);
    const std::string engine = writeModule(xm, "engine.xm");
    xm.tracker = "MilkyTracker 1.02.00";
    const std::string other = writeModule(xm, "other.xm");
    const struct {
        std::string module, option, player;
    } cases[] = {
        {engine, "", "exact"},
        {engine, " --player ft2", "ft2"},
        {other, "", "ft2"},
        {other, " --player exact", "exact"},
    };
    for (const auto& c : cases) {
        const std::string out = tempPath("player.wav");
        const RunResult run = runShow("--wav " + out + " --seconds 0.2 --module " + c.module + c.option);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_NE(run.output.find("plays with the " + c.player + " player"), std::string::npos) << run.output;
        const Wav wav = readWav(out);
        const double left = sideEnergy(wav.samples, 0), right = sideEnergy(wav.samples, 1);
        EXPECT_EQ(right > left, c.player == "ft2") << c.module << c.option;
    }
}
