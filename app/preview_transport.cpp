#include "app/preview_transport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "app/contact_sheet.h"
#include "core/timeline.h"
#include "music/playback.h"

namespace {

constexpr float SEEK_SECONDS = 5.0f;
// While the music plays, "previous" within this much of a bar's or scene's
// start means the one before: an author hears the start, then presses.
constexpr float PLAYING_GRACE = 0.25f;
// Frame times are k / fps in float; their products with fps miss whole
// numbers by far less than this many frames.
constexpr double FRAME_TOLERANCE = 1e-3;

float frameTime(double frame, double fps) { return static_cast<float>(frame / fps); }

}  // namespace

ChannelMask ChannelMask::allBut(int32_t channel)
{
    ChannelMask mask;
    mask.words[0] = mask.words[1] = ~uint64_t(0);
    mask.words[channel / 64] &= ~(uint64_t(1) << (channel % 64));
    return mask;
}

void PreviewTransport::seek(float seconds, const ShowMarks& marks)
{
    time = std::min(std::max(seconds, 0.0f), marks.showLength);
}

float PreviewTransport::grace(const ShowMarks& marks) const
{
    return paused ? static_cast<float>(0.5 / marks.fps) : PLAYING_GRACE;
}

// The next time after the clock, or the previous one before it (less the
// grace); before the first, the first itself.
bool PreviewTransport::stepTo(const std::vector<float>& times, bool forward, const ShowMarks& marks, const char* what)
{
    const float nearby = static_cast<float>(0.5 / marks.fps);
    if (forward) {
        for (float t : times)
            if (t > time + nearby && t <= marks.showLength) {
                time = t;
                return true;
            }
        note = std::string("no ") + what + " after this one";
        return false;
    }
    const float before = time - grace(marks);
    float target = -1.0f;
    for (float t : times)
        if (t < before) target = t;
    if (target < 0.0f && !times.empty() && times.front() < time) target = times.front();
    if (target < 0.0f) {
        note = std::string("this is the first ") + what;
        return false;
    }
    time = target;
    return true;
}

void PreviewTransport::loopScene(const ShowMarks& marks)
{
    loopFrom = 0.0f;
    loopTo = marks.showLength;
    for (float cut : marks.cuts) {
        if (cut <= time + 1e-4f) loopFrom = cut;
        else if (cut < loopTo) {
            loopTo = cut;
            break;
        }
    }
    looping = true;
}

bool PreviewTransport::press(KeyPress key, const ShowMarks& marks)
{
    note.clear();
    const float length = marks.showLength;
    switch (key) {
    case KeyPress::Space:
        paused = !paused;
        return true;
    case KeyPress::Left:
    case KeyPress::Right:
        seek(time + (key == KeyPress::Left ? -SEEK_SECONDS : SEEK_SECONDS), marks);
        return true;
    case KeyPress::Home:
        time = 0.0f;
        paused = false;
        return true;
    case KeyPress::Comma:
    case KeyPress::Period: {
        paused = true;
        const double at = static_cast<double>(time) * marks.fps;
        const double last = std::floor(static_cast<double>(length) * marks.fps + FRAME_TOLERANCE);
        double frame = key == KeyPress::Period ? std::floor(at + FRAME_TOLERANCE) + 1.0
                                               : std::ceil(at - FRAME_TOLERANCE) - 1.0;
        frame = std::min(std::max(frame, 0.0), last);
        time = frameTime(frame, marks.fps);
        return true;
    }
    case KeyPress::PageUp:
    case KeyPress::PageDown:
        if (marks.bars.empty()) {
            note = "no bars known: the project names no tempo";
            return false;
        }
        return stepTo(marks.bars, key == KeyPress::PageDown, marks, "bar");
    case KeyPress::LeftBracket:
    case KeyPress::RightBracket: {
        std::vector<float> starts{0.0f};
        starts.insert(starts.end(), marks.cuts.begin(), marks.cuts.end());
        return stepTo(starts, key == KeyPress::RightBracket, marks, "scene");
    }
    case KeyPress::L:
        if (looping) looping = false;
        else loopScene(marks);
        return false;
    case KeyPress::Tab:
        barShown = !barShown;
        return false;
    case KeyPress::None: return false;
    default: break;
    }
    // A digit: 0 brings every channel back, 1 to 9 plays that one alone.
    const int32_t digit = static_cast<int>(key) - static_cast<int>(KeyPress::Digit0);
    const ChannelMask before = muted;
    if (digit == 0) {
        muted = ChannelMask();
    } else if (marks.channelCount == 0) {
        note = "no music to play a channel of";
    } else if (digit > marks.channelCount) {
        note = "the music has " + std::to_string(marks.channelCount) + " channels";
    } else {
        muted = ChannelMask::allBut(digit - 1);
    }
    return !(muted == before);
}

bool PreviewTransport::advance(float seconds, const ShowMarks& marks)
{
    if (paused) return false;
    const float next = time + seconds;
    // A loop given past the show's end (or a show made shorter) ends with the show.
    const float loopEnd = std::min(loopTo, marks.showLength);
    if (looping && time < loopEnd && next >= loopEnd) {
        time = loopFrom;
        return true;
    }
    if (next > marks.showLength) {
        time = 0.0f;
        return true;
    }
    time = next;
    return false;
}

std::string PreviewTransport::barText(const ShowMarks& marks) const
{
    const std::vector<float>& bars = marks.bars;
    if (bars.empty() || time + 1e-4f < bars.front()) return "";
    const size_t i = static_cast<size_t>(std::upper_bound(bars.begin(), bars.end(), time + 1e-4f) - bars.begin()) - 1;
    float length = i + 1 < bars.size() ? bars[i + 1] - bars[i] : i > 0 ? bars[i] - bars[i - 1] : marks.showLength - bars[i];
    int32_t beat = 1;
    if (length > 0.0f) {
        const double into = (static_cast<double>(time) - bars[i]) / length * marks.beatsPerBar;
        beat = std::min(std::max(static_cast<int32_t>(std::floor(into + 1e-4)) + 1, 1), marks.beatsPerBar);
    }
    return "bar " + std::to_string(i + 1) + ":" + std::to_string(beat);
}

std::string PreviewTransport::stateText(const ShowMarks& marks) const
{
    std::string text;
    auto add = [&](const std::string& part) { text += (text.empty() ? "" : "   ") + part; };
    if (paused) add("paused");
    if (looping) add("loop " + showTimeText(loopFrom) + "-" + showTimeText(loopTo));
    if (muted.any()) {
        const int32_t count = marks.channelCount > 0 ? std::min(marks.channelCount, 128) : 128;
        std::vector<int32_t> heard, silent;
        for (int32_t c = 0; c < count; ++c) (muted.has(c) ? silent : heard).push_back(c + 1);
        std::string list;
        const std::vector<int32_t>& named = heard.size() == 1 ? heard : silent;
        for (int32_t c : named) list += (list.empty() ? "" : ",") + std::to_string(c);
        add((heard.size() == 1 ? "solo " : "mute ") + list);
    }
    return text;
}

ChannelMask mutedChannelsOf(const CommandLine& commandLine, int32_t& highest)
{
    ChannelMask mask;
    highest = commandLine.soloChannel;
    if (commandLine.soloChannel > 0) mask = ChannelMask::allBut(commandLine.soloChannel - 1);
    for (int channel : commandLine.mutedChannels) {
        mask.add(channel - 1);
        highest = std::max(highest, channel);
    }
    return mask;
}

void muteChannels(const ChannelMask& mask)
{
    for (int i = 0; i < 2; ++i) thePlayer.mutedChannels[i].store(mask.words[i], std::memory_order_relaxed);
}

std::vector<float> sceneCutTimes(Timeline& timeline, double fps)
{
    std::vector<std::array<float, TRACK_VALUES>> values;
    for (const AnimTrack* track : timeline.paramTracks) {
        values.emplace_back();
        std::copy(track->value, track->value + TRACK_VALUES, values.back().begin());
    }
    const float savedTime = timeline.time;
    const int32_t savedScene = timeline.sceneIndex;

    std::vector<float> cuts;
    const long frames = std::lround(std::floor(static_cast<double>(timeline.showLength()) * fps + FRAME_TOLERANCE));
    int32_t previous = 0;
    for (long k = 0; k <= frames; ++k) {
        const float t = frameTime(static_cast<double>(k), fps);
        timeline.animate(t, k == 0 ? 0.0f : static_cast<float>(1.0 / fps));
        if (k > 0 && timeline.sceneIndex != previous) cuts.push_back(t);
        previous = timeline.sceneIndex;
    }

    size_t i = 0;
    for (AnimTrack* track : timeline.paramTracks) std::copy(values[i].begin(), values[i].end(), track->value), ++i;
    timeline.time = savedTime;
    timeline.sceneIndex = savedScene;
    return cuts;
}

std::string clockText(float seconds)
{
    const long long ms = std::llround(std::max(0.0, static_cast<double>(seconds)) * 1000.0);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", ms / 60000, ms % 60000 / 1000, ms % 1000);
    return text;
}
