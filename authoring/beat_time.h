// Show times in bars and beats of the music. `tempo 125` names the beats per
// minute (and `beatsPerBar=3` a bar other than four beats); then BAR:BEAT,
// both counted from 1, is ((BAR - 1) x beatsPerBar + BEAT - 1) x 60 / BPM
// seconds. The beat may have a fraction (17:2.5); plain seconds stay valid.
#pragma once
#include <string>

struct Tempo {
    double beatsPerMinute = 0;  // 0: the source names no tempo
    int beatsPerBar = 4;
};

// Seconds for "BAR:BEAT" under the tempo, or for plain seconds. False with a
// reason in `error` when the text is neither.
bool parseShowTime(const std::string& text, const Tempo& tempo, float& seconds, std::string& error);
