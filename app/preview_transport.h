// The preview's clock as its keys steer it, apart from the window: the time,
// pause, frame, bar and scene steps, a loop, the end of the show, and the
// music channels heard.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "core/timeline.h"
#include "platform/glimp.h"

// Channels 0 to 127 left out of the mix, as the player takes them.
struct ChannelMask {
    uint64_t words[2] = {0, 0};

    bool any() const { return (words[0] | words[1]) != 0; }
    bool has(int32_t channel) const { return (words[channel / 64] >> (channel % 64) & 1) != 0; }
    void add(int32_t channel) { words[channel / 64] |= uint64_t(1) << (channel % 64); }
    // Every channel but `channel`.
    static ChannelMask allBut(int32_t channel);
    bool operator==(const ChannelMask& other) const { return words[0] == other.words[0] && words[1] == other.words[1]; }
};

// What the show's data tells the clock.
struct ShowMarks {
    float showLength = ShowEndTime;
    std::vector<float> bars;  // the start of each bar, ascending; empty: not known
    int32_t beatsPerBar = 4;
    std::vector<float> cuts;  // each time the scene changes, ascending, after 0
    double fps = 60.0;        // a frame step
    int32_t channelCount = 0; // of the music; 0 without music
};

class PreviewTransport {
public:
    float time = 0.0f;
    bool paused = false;
    bool looping = false;
    float loopFrom = 0.0f, loopTo = 0.0f;
    ChannelMask muted;
    bool barShown = true;
    std::string note;  // what the last key could not do, for the status bar; empty: nothing

    // Clamped into the show.
    void seek(float seconds, const ShowMarks& marks);
    // Handles a key. True when the music must start again where the clock is
    // now (the time jumped, play resumed, or the channels heard changed).
    bool press(KeyPress key, const ShowMarks& marks);
    // Moves on by `seconds` of play. True when the clock jumped instead (the
    // loop's end back to its start, the show's end back to 0).
    bool advance(float seconds, const ShowMarks& marks);
    // The scene around the clock, between its cuts, as the loop.
    void loopScene(const ShowMarks& marks);

    // "bar 7:3" (bars and beats from 1), or "" when no bars are known.
    std::string barText(const ShowMarks& marks) const;
    // "paused  loop 0:04.0-0:08.0  solo 3", each part only when it holds.
    std::string stateText(const ShowMarks& marks) const;

private:
    float grace(const ShowMarks& marks) const;
    bool stepTo(const std::vector<float>& times, bool forward, const ShowMarks& marks, const char* what);
};

// The channels --solo and --mute leave out; the highest channel they name
// (from 1) in `highest`, 0 for none.
ChannelMask mutedChannelsOf(const CommandLine& commandLine, int32_t& highest);
// What the player leaves out of its mix from now on.
void muteChannels(const ChannelMask& mask);

// The times at which the Timeline's scene changes, sampled at `fps` frames a
// second over the show, as the show would play them. The Timeline's tracks,
// time and scene are as they were afterwards.
std::vector<float> sceneCutTimes(Timeline& timeline, double fps);

// "0:12.017": minutes, seconds and milliseconds.
std::string clockText(float seconds);
