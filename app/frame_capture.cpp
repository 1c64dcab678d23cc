#include "app/frame_capture.h"

#include <cmath>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/show_session.h"
#include "music/mixer.h"
#include "platform/interruption.h"
#include "render/frame.h"
#include "render/screenshot.h"

namespace {

// A frame number, held where a long and a double count it exactly (a rate of
// 1e300 would otherwise pass every integer).
long frameNumber(double frames)
{
    constexpr double MOST = 9007199254740992.0;  // 2^53
    return frames >= 0 ? std::lround(std::min(frames, MOST)) : 0;
}

}  // namespace

std::string numberText(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

FrameSpan showSpan(const Show& show, double fps, double fromSeconds, double toSeconds, const std::string& rateOption,
                   std::string& reason)
{
    const double showEnd = show.timeline->showLength();
    const FrameSpan span(fps, fromSeconds, std::min(toSeconds, showEnd));
    reason = emptySpanReason(span, fromSeconds, toSeconds, showEnd, rateOption);
    return span;
}

FrameSpan::FrameSpan(double framesPerSecond, double fromSeconds, double toSeconds)
    : fps(framesPerSecond), first(frameNumber(fromSeconds * framesPerSecond)), end(frameNumber(toSeconds * framesPerSecond))
{
}

std::string emptySpanReason(const FrameSpan& span, double fromSeconds, double toSeconds, double showEnd,
                            const std::string& rateOption)
{
    if (fromSeconds >= showEnd)
        return "nothing to write: --from " + numberText(fromSeconds) + " is at or after the end of the show at " +
               numberText(showEnd) + " seconds";
    if (span.count() > 0) return std::string();
    return "nothing to write: " + rateOption + " puts no frame between " + numberText(fromSeconds) + " and " +
           numberText(std::min(toSeconds, showEnd)) + " seconds (frame k shows the time k / fps)";
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

void filterDown(const uint8_t* large, int width, int height, int factor, std::vector<uint8_t>& out)
{
    out.resize(static_cast<size_t>(width) * height * 4);
    const size_t largeRow = static_cast<size_t>(width) * factor * 4;
    const unsigned count = static_cast<unsigned>(factor * factor);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned sums[4] = {0, 0, 0, 0};
            for (int sy = 0; sy < factor; ++sy) {
                const uint8_t* in = large + (static_cast<size_t>(y) * factor + sy) * largeRow +
                                    static_cast<size_t>(x) * factor * 4;
                for (int sx = 0; sx < factor * 4; ++sx) sums[sx & 3] += in[sx];
            }
            uint8_t* pixel = &out[(static_cast<size_t>(y) * width + x) * 4];
            for (int c = 0; c < 4; ++c) pixel[c] = static_cast<uint8_t>((sums[c] + count / 2) / count);
        }
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
