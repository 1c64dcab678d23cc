// Which player plays a module: the engine's own (exact: the subset of XM the
// show's music is written for, played the same to the bit) or the one that
// plays modules as FastTracker 2 does. A module says which tracker made it
// in its header; only this engine's writer asks for the exact player.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

enum class PlayerMode : uint8_t { Exact, Ft2 };

// The tracker name the engine's module writer puts in the header of a
// module for the exact player, and the one of a module made by it that asks
// for the FastTracker 2 player.
constexpr char ENGINE_TRACKER_NAME[] = "show xm builder";
constexpr char ENGINE_FT2_TRACKER_NAME[] = "show xm builder ft2";
constexpr int32_t TRACKER_NAME_LENGTH = 20;

// The mode for a header's 20-byte tracker field (padded with zeros or
// spaces): exact for the engine's own name, FastTracker 2 for anything else.
PlayerMode playerModeForTracker(const char* trackerField);

// A mode every module loaded from now on plays in, whatever its header says
// (the command line's --player); none restores the choice by the header.
void setPlayerModeOverride(std::optional<PlayerMode> mode);
std::optional<PlayerMode> playerModeOverride();

const char* playerModeName(PlayerMode mode);  // "exact", "ft2"
bool parsePlayerMode(const std::string& text, PlayerMode& mode);
