// The starter a new author begins from: a 30-second show of three scenes
// and its music, every line commented. `projc --new NAME` writes them.
#pragma once
#include <string>

// NAME.proj and NAME.tune for a show called `name` (the file's base name).
std::string starterProject(const std::string& name);
std::string starterTune(const std::string& name);
