// Shared by the music tests: tiny modules built in code, loaded through the
// player's own file callbacks, and stepped tick by tick without a device.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "music/module_file.h"
#include "music/playback.h"
#include "music/xm_module.h"
#include "authoring/xm_builder.h"

namespace music_test {

// A looped 16-bit sine with `period` values a cycle: at C-4 (8363 Hz) a
// period of 32 plays 261.3 Hz.
inline XmBuilder::Sample sineSample(int period, int cycles = 1, double level = 16000.0)
{
    XmBuilder::Sample sample;
    sample.sixteenBit = true;
    for (int i = 0; i < period * cycles; ++i)
        sample.values.push_back(static_cast<int16_t>(std::lround(level * std::sin(2.0 * M_PI * i / period))));
    sample.loop = XmBuilder::ForwardLoop;
    sample.loopLength = static_cast<uint32_t>(sample.values.size());
    return sample;
}

// A constant 16-bit value, looped: the mix of one frame is value x gain.
inline XmBuilder::Sample flatSample(int16_t value, int length = 64)
{
    XmBuilder::Sample sample;
    sample.sixteenBit = true;
    sample.values.assign(static_cast<size_t>(length), value);
    sample.loop = XmBuilder::ForwardLoop;
    sample.loopLength = static_cast<uint32_t>(length);
    return sample;
}

// A module with `channels` channels, one pattern of `rows` rows, and one
// instrument per sample given.
inline XmBuilder tinyModule(int channels, int rows, std::vector<XmBuilder::Sample> samples)
{
    XmBuilder xm;
    xm.channels = channels;
    xm.addPattern(rows);
    xm.order = {0};
    for (const XmBuilder::Sample& sample : samples) xm.addInstrument(sample);
    return xm;
}

inline XmBuilder::Cell cell(const char* note, uint8_t instrument, uint8_t volume = 0, uint8_t effect = 0,
                            uint8_t parameter = 0)
{
    XmBuilder::Cell c;
    c.note = XmBuilder::note(note);
    c.instrument = instrument;
    c.volume = volume;
    c.effect = effect;
    c.parameter = parameter;
    return c;
}

// Loads module bytes through the program's own callbacks.
class LoadedModule {
public:
    explicit LoadedModule(std::vector<uint8_t> bytes) : bytes_(std::move(bytes))
    {
        installResourceCallbacks();
        setModuleResource(bytes_.data(), static_cast<int32_t>(bytes_.size()));
        module = loadModule("test.xm", nullptr);
    }
    explicit LoadedModule(const XmBuilder& builder) : LoadedModule(builder.build()) {}
    ~LoadedModule()
    {
        freeModule(module);
        setModuleResource(nullptr, 0);
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    XmModule* module = nullptr;

private:
    std::vector<uint8_t> bytes_;
};

// A loaded module set up for playback without a device.
class Playing : public LoadedModule {
public:
    explicit Playing(const XmBuilder& builder) : LoadedModule(builder)
    {
        EXPECT_NE(module, nullptr) << moduleLoadError();
        if (module) started = startOfflinePlayback(module);
    }

    void tick() { module->tickHandler(module); }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) tick();
    }
    XmChannel& channel(int c) { return thePlayer.channels[c]; }
    MixVoice& voiceOf(int c) { return *thePlayer.channels[c].voice; }

    // The next `chunks` chunks of PCM, frames interleaved.
    std::vector<int16_t> render(int chunks)
    {
        std::vector<int16_t> out;
        for (int i = 0; i < chunks; ++i) {
            const int16_t* chunk = renderNextChunk();
            out.insert(out.end(), chunk, chunk + 2 * CHUNK_FRAMES);
        }
        return out;
    }

    bool started = false;
};

// Energy of one side (0 first, 1 second) of interleaved frames.
inline double sideEnergy(const std::vector<int16_t>& frames, int side, size_t from = 0, size_t to = SIZE_MAX)
{
    double sum = 0.0;
    for (size_t i = from; i < frames.size() / 2 && i < to; ++i) sum += double(frames[2 * i + side]) * frames[2 * i + side];
    return sum;
}

}  // namespace music_test
