// Headless captures step the show through frames at a fixed rate: frame k
// shows the time k / fps. Frames before the span are drawn too: drawing moves
// state on (the particles' random numbers), and captured frames must match
// the show.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Show;

struct FrameSpan {
    double fps = 60.0;
    long first = 0, end = 0;  // frames first .. end - 1 are captured

    FrameSpan(double framesPerSecond, double fromSeconds, double toSeconds);
    long count() const { return end > first ? end - first : 0; }
    double seconds(long frame) const { return frame / fps; }
    // The music frame (at the mix rate) that frame `frame` stands for.
    int64_t musicFrame(long frame) const;
};

// Why a capture of the span would write nothing (empty when it has frames):
// `--from` at or after the show's end, or a rate that puts no frame in
// the span. `rateOption` is how the rate was given ("--fps 0.001" or
// "--every 500").
std::string emptySpanReason(const FrameSpan& span, double fromSeconds, double toSeconds, double showEnd,
                            const std::string& rateOption);

// The frames of --from to --to at `fps`, cut where the show ends (a capture
// stops there); `reason` is emptySpanReason's for it.
FrameSpan showSpan(const Show& show, double fps, double fromSeconds, double toSeconds, const std::string& rateOption,
                   std::string& reason);

// A number as options and messages write it ("%g": 12.5, 0.001, 122).
std::string numberText(double value);

// Runs the show's Timeline through the span and calls `capture` with each
// frame's number once it is drawn. Stops early when the show ends or
// `capture` returns false (`failed` then tells which). Returns the number
// of frames captured.
long captureFrames(Show& show, const FrameSpan& span, const std::function<bool(long frame)>& capture, bool& failed);

// A frame drawn at `factor` times width x height, filtered down: each pixel
// the mean of the factor x factor pixels it covers (rounded), rows in the
// order they come.
void filterDown(const uint8_t* large, int width, int height, int factor, std::vector<uint8_t>& out);

// The drawn frame as RGBA with alpha 255, the top row first.
void readFrame(int width, int height, std::vector<uint8_t>& rgba);
