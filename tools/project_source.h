// The text form of a project, compiled by projc into project data.
//
//   # a comment runs to the end of the line
//   texture plate                      an object: kind word, optional label,
//   mesh ball from 0 to 30               optional activity interval (seconds)
//     build Sphere 60 40               a build track: id or name, then values
//     param Placement 0 0 -64          a parameter track
//     param Textures @plate -1         @label: the labelled object's index
//     param Caption "Hello" 10 20        in its own section; "..." the name
//       key 0 smooth 1 2 3             a key of the track above: time, mode
//                                        (step, local, smooth or a number)
//
// Track words after the values: the flag-word operands of the track tables
// (mode=N bits 8-15, smooth bit 16, edge=N bits 17-18), noapply (clear the
// apply bit), still (keys that are not evaluated), flags=0xN (any bits). A
// track with keys is animated.
#pragma once
#include <string>

#include "tools/project_builder.h"

// False with "file:line: reason" in `error`.
bool parseProjectSource(const std::string& text, const std::string& fileName, ProjectBuilder& project,
                        std::string& error);
