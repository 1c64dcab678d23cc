#include "authoring/beat_time.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "authoring/float_text.h"

bool parseShowTime(const std::string& text, const Tempo& tempo, float& seconds, std::string& error)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        if (parseFloatText(text, seconds)) return true;
        error = "bad time '" + text + "'";
        return false;
    }
    if (tempo.beatsPerMinute <= 0) {
        error = "the time '" + text + "' in bars and beats needs a 'tempo' line above it";
        return false;
    }
    const std::string barText = text.substr(0, colon), beatText = text.substr(colon + 1);
    char* end = nullptr;
    errno = 0;
    const long bar = barText.empty() || barText[0] == '-' ? 0 : std::strtol(barText.c_str(), &end, 10);
    const bool barOk = bar >= 1 && end && *end == '\0' && errno == 0;
    end = nullptr;
    const double beat = beatText.empty() ? 0 : std::strtod(beatText.c_str(), &end);
    const bool beatOk = end && *end == '\0' && std::isfinite(beat) && beat >= 1 && beat < tempo.beatsPerBar + 1;
    if (!barOk || !beatOk) {
        error = "bad time '" + text + "': a bar from 1 and a beat from 1 to " + std::to_string(tempo.beatsPerBar) +
                " (with a fraction below " + std::to_string(tempo.beatsPerBar + 1) + ")";
        return false;
    }
    const double beats = static_cast<double>(bar - 1) * tempo.beatsPerBar + (beat - 1);
    seconds = static_cast<float>(beats * 60.0 / tempo.beatsPerMinute);
    return true;
}
