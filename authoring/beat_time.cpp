#include "authoring/beat_time.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "authoring/float_text.h"
#include "music/mixer.h"
#include "music/song_clock.h"

double beatSeconds(const Tempo& tempo, double beats)
{
    const double rows = beats * tempo.rowsPerBeat;
    if (tempo.rowFrames.size() < 2) {
        const double rowFrames = static_cast<double>(tempo.speed < 1 ? 1 : tempo.speed) * framesPerTickAt(tempo.beatsPerMinute);
        return rows * rowFrames / MIX_RATE;
    }
    const std::vector<int64_t>& starts = tempo.rowFrames;
    const size_t last = starts.size() - 1;  // rows 0 .. last - 1 have a length
    const double whole = std::floor(rows);
    size_t row = whole < 0 ? 0 : whole >= static_cast<double>(last) ? last - 1 : static_cast<size_t>(whole);
    const double length = static_cast<double>(starts[row + 1] - starts[row]);
    return (static_cast<double>(starts[row]) + (rows - static_cast<double>(row)) * length) / MIX_RATE;
}

bool parseShowTime(const std::string& text, const Tempo& tempo, float& seconds, std::string& error)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        if (parseFloatText(text, seconds)) return true;
        error = "bad time '" + text + "'";
        return false;
    }
    if (!tempo.known()) {
        error = "the time '" + text + "' in bars and beats needs a 'tempo' or 'music' line above it";
        return false;
    }
    const std::string barText = text.substr(0, colon), beatText = text.substr(colon + 1);
    char* end = nullptr;
    errno = 0;
    const long bar = barText.empty() || barText[0] == '-' ? 0 : std::strtol(barText.c_str(), &end, 10);
    const bool barOk = bar >= 1 && bar <= 100000 && end && *end == '\0' && errno == 0;
    end = nullptr;
    const double beat = beatText.empty() ? 0 : std::strtod(beatText.c_str(), &end);
    const bool beatOk = end && *end == '\0' && std::isfinite(beat) && beat >= 1 && beat < tempo.beatsPerBar + 1;
    if (!barOk || !beatOk) {
        error = "bad time '" + text + "': a bar from 1 and a beat from 1 to " + std::to_string(tempo.beatsPerBar) +
                " (with a fraction below " + std::to_string(tempo.beatsPerBar + 1) + ")";
        return false;
    }
    const double beats = static_cast<double>(bar - 1) * tempo.beatsPerBar + (beat - 1);
    seconds = static_cast<float>(beatSeconds(tempo, beats));
    return true;
}
