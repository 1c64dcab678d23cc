// The music's own clock for a project source's `music FILE` line: the frame
// at which every row of the song starts, from a tune source or an XM module.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The start of each row the song plays, in output frames, and one entry
// past the last (music/song_clock.h). False with "cannot read ...", a tune
// source's "file:line: ..." or the module loader's reason.
bool musicRowFrames(const std::string& path, std::vector<int64_t>& rowFrames, std::string& error);
