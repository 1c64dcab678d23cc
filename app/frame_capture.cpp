#include "app/frame_capture.h"

#include <cmath>
#include <cstring>

#include "app/show_session.h"
#include "music/mixer.h"
#include "platform/interruption.h"
#include "render/frame.h"
#include "render/screenshot.h"

FrameSpan::FrameSpan(double framesPerSecond, double fromSeconds, double toSeconds)
    : fps(framesPerSecond), first(std::lround(fromSeconds * framesPerSecond)), end(std::lround(toSeconds * framesPerSecond))
{
}

int64_t FrameSpan::musicFrame(long frame) const { return std::llround(frame * static_cast<double>(MIX_RATE) / fps); }

long captureFrames(Show& show, const FrameSpan& span, const std::function<bool(long frame)>& capture, bool& failed)
{
    failed = false;
    long captured = 0;
    for (long k = 0; k < span.end && !interruptionSignal(); ++k) {
        // The step is taken from the exact frame time, so that no rounding
        // accumulates over a long capture.
        const float step = k == 0 ? 0.0f : static_cast<float>(span.seconds(k)) - show.timeline->time;
        show.timeline->advance(*show.registry, step);
        if (!show.timeline->running) break;  // the show has ended
        renderFrame(*show.registry, *show.timeline);
        if (k < span.first) continue;
        if (!capture(k)) {
            failed = true;
            break;
        }
        ++captured;
    }
    return captured;
}

void readFrame(int width, int height, std::vector<uint8_t>& rgba)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    readFramePixels(width, height, pixels.data());
    // The framebuffer's first row is the bottom one; the picture's is the top.
    rgba.resize(pixels.size());
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &rgba[(height - 1 - y) * rowBytes];
        std::memcpy(row, &pixels[y * rowBytes], rowBytes);
        for (int x = 0; x < width; ++x) row[x * 4 + 3] = 255;
    }
}
