// The null sound backend: a device that opens on any machine and consumes
// its loop by the clock, at the rate it was opened with, without playing it.
// The player's mix thread refills behind it as it does behind a card, so a
// silent run (a sanitizer's, a machine's without sound) still mixes.
#include <atomic>

#include "platform/audio.h"
#include "platform/clock.h"

namespace {

struct SilentDevice {
    std::atomic<bool> open{false};
    int32_t frameCount = 0;
    int32_t rate = 0;
    // Counter reading at the start, and the loop frame the start skipped to;
    // a reading of 0 means not started (paused at frame 0).
    std::atomic<int64_t> startedAt{0};
    std::atomic<int64_t> firstFrame{0};
};

SilentDevice device;

bool openNull(const int16_t* frames, int32_t frameCount, int32_t rate)
{
    if (device.open.load() || !frames || frameCount <= 0 || rate <= 0) return false;
    device.frameCount = frameCount;
    device.rate = rate;
    device.startedAt.store(0);
    device.firstFrame.store(0);
    device.open.store(true);
    return true;
}

void startNull(int32_t firstFrame)
{
    if (!device.open.load()) return;
    device.firstFrame.store(firstFrame > 0 ? firstFrame % device.frameCount : 0, std::memory_order_relaxed);
    const int64_t now = Sys_Counter();
    device.startedAt.store(now != 0 ? now : 1, std::memory_order_release);
}

int64_t positionNull()
{
    const int64_t startedAt = device.startedAt.load(std::memory_order_acquire);
    if (startedAt == 0) return 0;
    const int64_t frequency = Sys_CounterFrequency();
    const int64_t ticks = Sys_Counter() - startedAt;
    // Whole seconds and the rest apart, so that the product stays in range.
    const int64_t frames = ticks / frequency * device.rate + ticks % frequency * device.rate / frequency;
    return device.firstFrame.load(std::memory_order_relaxed) + frames;
}

void writtenNull() {}

void closeNull()
{
    device.startedAt.store(0);
    device.open.store(false);
}

}  // namespace

const AudioBackend nullAudio = {openNull, startNull, positionNull, writtenNull, closeNull};
