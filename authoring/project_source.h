// The text form of a project, compiled by projc into project data; the
// format is described in docs/authoring.md.
//
//   # a comment runs to the end of the line
//   tempo 125                          beats per minute: times as BAR:BEAT
//   texture plate                      an object: kind word, optional label,
//   mesh ball from 1:1 to 17:1           optional activity interval
//     build Sphere radius=40           a build track by name, values by name
//     param Placement -40 0 0          ... or in the order of their slots
//     param Textures colour=@plate     @label: the labelled object's index
//       key 0 smooth rotateY=360       a key of the track above: time, mode
//
// A track line with named values starts from the table's defaults; one with
// values in order (or none) from zeros, as sources written before names did.
#pragma once
#include <string>

#include "authoring/project_builder.h"

// False with "file:line:column: reason" in `error`. Without `checkKeyTimes`
// keys may come in any order and at any time, as under `unchecked`.
bool parseProjectSource(const std::string& text, const std::string& fileName, ProjectBuilder& project,
                        std::string& error, bool checkKeyTimes = true);

// The check on a track's keys: ascending, and within the object's time.
bool keysInOrderAndTime(const ProjectBuilder::Object& object, const ProjectBuilder::Track& track);
