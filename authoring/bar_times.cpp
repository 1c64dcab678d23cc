#include "authoring/bar_times.h"

SourceBars sourceBars(const SourceFacts& facts)
{
    SourceBars bars;
    if (!facts.tempo.known()) return bars;
    bars.beatsPerBar = facts.tempo.beatsPerBar;
    for (long bar = 0;; ++bar) {
        const float seconds = static_cast<float>(beatSeconds(facts.tempo, double(bar) * facts.tempo.beatsPerBar));
        if (!(seconds < facts.length)) break;
        bars.starts.push_back(seconds);
    }
    return bars;
}
