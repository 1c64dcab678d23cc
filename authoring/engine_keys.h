// What a source's keys mean, written as the keys the engine evaluates.
//
// A source means: a `step` key holds its value from its own time up to, not
// including, the next key's time; the last key holds until its object's end;
// between keys that are not `step` the value follows the engine's curve (two
// keys alone make a straight line). The engine evaluates otherwise at three
// places (core/track.cpp), and the writer mends each with keys of its own:
//
// - after a `step` key the old value is still shown at exactly the next
//   key's time: that key is written a hair earlier (the float below it);
// - after the last key the value is left as it was: a closing key at the
//   object's end holds the last value (the last key becomes `step`, which
//   changes nothing before it);
// - a track of exactly two keys blends them whatever their modes: a track
//   with a `step` key always gets its closing key, so it never has two.
//
// A lone key is written at the object's end, where it gives its value to
// every time before.
#pragma once
#include <vector>

#include "authoring/project_builder.h"

// The float just below `t`: the time at which the writer puts a key that must
// already show at `t`.
float justBefore(float t);
// The float just above `t`.
float justAfter(float t);

// The engine's keys for a track of `source` keys in ascending time whose
// object is active until `holdUntil` (its last active time).
std::vector<ProjectBuilder::Key> engineKeys(const std::vector<ProjectBuilder::Key>& source, float holdUntil);

// The source keys whose engine keys are exactly `engine` (bit for bit): how
// the decompiler writes a track the compiler wrote. False when no source
// keys give them; the track is then written as it is.
bool sourceKeysOf(const std::vector<ProjectBuilder::Key>& engine, float holdUntil,
                  std::vector<ProjectBuilder::Key>& source);
