// The text form of a project, compiled by projc into project data; the
// format is described in docs/authoring.md.
//
//   # a comment runs to the end of the line
//   tempo 125                          the music's clock: times as BAR:BEAT
//   length 30                          when the show ends (122 s if not said)
//   texture plate                      an object: kind word, optional label,
//   mesh ball from 1:1 to 17:1           optional activity (to is exclusive)
//   mesh floor in @hall,@cellar          ... or the scenes it belongs to
//     build Sphere radius=40           a build track by name, values by name
//     param Placement -40 0 0          ... or in the order of their slots
//     param Textures colour=@plate     @label: the labelled object's index
//       key 0 smooth rotateY=360       a key of the track above: time, mode
//
// A source means what it says: a key takes effect on the frame at its time,
// `step` keys hold and never blend, the last key holds until its object's
// end, and an object `in` a scene is active exactly while that scene is
// shown. The compiler writes the keys and times that make the engine show
// that (authoring/engine_keys.h); a track marked `exact` is written as it
// stands instead.
#pragma once
#include <string>
#include <vector>

#include "authoring/beat_time.h"
#include "authoring/project_builder.h"

// What a source says beyond its project data.
struct SourceFacts {
    std::vector<std::string> warnings;  // "file:line:column: reason"
    Tempo tempo;                        // the music's clock, if it names one
    float length = 122.0f;              // the show's end
    std::string musicFile;              // the `music` line's file, as a path from here
};

struct SourceOptions {
    // Keys in ascending time and within their object's time; the upgrade of
    // an older source turns this off.
    bool checkKeyTimes = true;
    // A `music` line reads its file; a fuzzer turns this off.
    bool readsFiles = true;
    SourceFacts* facts = nullptr;  // filled when given
};

// False with "file:line:column: reason" in `error`.
bool parseProjectSource(const std::string& text, const std::string& fileName, ProjectBuilder& project,
                        std::string& error, const SourceOptions& options);
bool parseProjectSource(const std::string& text, const std::string& fileName, ProjectBuilder& project,
                        std::string& error, bool checkKeyTimes = true);

// The check on a track's keys: ascending, and within the object's time.
bool keysInOrderAndTime(const ProjectBuilder::Object& object, const ProjectBuilder::Track& track);
