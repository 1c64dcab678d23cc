#include "authoring/bar_times.h"

#include <algorithm>
#include <cstdlib>

#include "authoring/beat_time.h"
#include "authoring/float_text.h"
#include "authoring/source_tokens.h"
#include "core/timeline.h"

namespace {

// The tempo line's beats per minute and bar; the words after them that are
// not a bar's length do not move the bars' starts here.
bool readTempo(const std::string& text, Tempo& tempo)
{
    size_t start = 0;
    std::vector<Token> tokens;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        std::string error;
        int column = 0;
        if (!tokenizeLine(line, tokens, error, column) || tokens.size() < 2 || tokens[0].text != "tempo") continue;
        float bpm = 0.0f;
        if (!parseFloatText(tokens[1].text, bpm) || !(bpm > 0.0f)) return false;
        tempo.beatsPerMinute = bpm;
        const std::string prefix = "beatsPerBar=";
        for (size_t i = 2; i < tokens.size(); ++i)
            if (tokens[i].text.rfind(prefix, 0) == 0) tempo.beatsPerBar = std::max(1, std::atoi(tokens[i].text.c_str() + prefix.size()));
        return true;
    }
    return false;
}

}  // namespace

float compiledShowLength(const ProjectBuilder& compiled)
{
    for (const ProjectBuilder::Object& object : compiled.objects()) {
        if (object.section != SectionKind::Timeline) continue;
        for (const ProjectBuilder::Track& track : object.paramTracks) {
            if ((track.flags & TRACK_ID_MASK) != static_cast<uint8_t>(TimelineTrack::Length)) continue;
            const float seconds = track.value[0];
            if (!(seconds >= TimelineLength::seconds.minimum && seconds <= TimelineLength::seconds.maximum)) break;
            return seconds;
        }
    }
    return ShowEndTime;
}

SourceBars sourceBars(const std::string& text, const ProjectBuilder& compiled)
{
    SourceBars bars;
    Tempo tempo;
    if (!readTempo(text, tempo)) return bars;
    bars.beatsPerBar = tempo.beatsPerBar;
    const float end = compiledShowLength(compiled);
    for (long bar = 1;; ++bar) {
        float seconds = 0.0f;
        std::string error;
        if (!parseShowTime(std::to_string(bar) + ":1", tempo, seconds, error) || seconds >= end) break;
        bars.starts.push_back(seconds);
    }
    return bars;
}
