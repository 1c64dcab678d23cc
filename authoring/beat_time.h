// Show times in bars and beats of the music, on the music's own clock.
//
// `tempo 120` (optionally beatsPerBar=N, speed=S ticks a row, rowsPerBeat=R)
// names the music's beats per minute; a beat is R rows of S ticks, and a
// tick lasts the whole number of output frames the player plays at that
// tempo (918 at 120 BPM, not 918.75), so BAR:BEAT is the moment that row
// sounds. `music FILE` instead gives the start of every row the module plays
// (speed and tempo changes included); beat b starts at row b x R. BAR:BEAT,
// both counted from 1, the beat with an optional fraction (17:2.5), is beat
// (BAR - 1) x beatsPerBar + BEAT - 1. Plain seconds stay valid.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Tempo {
    int beatsPerMinute = 0;  // 0: no tempo line
    int beatsPerBar = 4;
    int speed = 6;        // ticks a row
    int rowsPerBeat = 4;  // rows a beat
    // From `music FILE`: the output frame each row starts at, in the order
    // the rows play, and one entry past the last row played.
    std::vector<int64_t> rowFrames;

    bool known() const { return beatsPerMinute > 0 || rowFrames.size() >= 2; }
};

// Seconds from the music's start to `beats` beats into it (a fraction is a
// part of its beat). Past the rows a music file plays, its last row's length
// goes on.
double beatSeconds(const Tempo& tempo, double beats);

// Seconds for "BAR:BEAT" under the tempo, or for plain seconds. False with a
// reason in `error` when the text is neither.
bool parseShowTime(const std::string& text, const Tempo& tempo, float& seconds, std::string& error);
