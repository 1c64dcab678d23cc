#include "music/player_mode.h"

#include <cstring>

namespace {
std::optional<PlayerMode> overrideMode;
}

PlayerMode playerModeForTracker(const char* trackerField)
{
    int32_t length = TRACKER_NAME_LENGTH;
    while (length > 0 && (trackerField[length - 1] == '\0' || trackerField[length - 1] == ' ')) --length;
    const auto nameLength = static_cast<int32_t>(std::strlen(ENGINE_TRACKER_NAME));
    const bool engine = length == nameLength && std::memcmp(trackerField, ENGINE_TRACKER_NAME, nameLength) == 0;
    return engine ? PlayerMode::Exact : PlayerMode::Ft2;
}

void setPlayerModeOverride(std::optional<PlayerMode> mode) { overrideMode = mode; }

std::optional<PlayerMode> playerModeOverride() { return overrideMode; }

const char* playerModeName(PlayerMode mode) { return mode == PlayerMode::Exact ? "exact" : "ft2"; }

bool parsePlayerMode(const std::string& text, PlayerMode& mode)
{
    if (text == "exact") mode = PlayerMode::Exact;
    else if (text == "ft2") mode = PlayerMode::Ft2;
    else return false;
    return true;
}
