// The text form of the music, compiled by xmtune (and by the show, for
// --module) into an XM module: instruments as synthesis recipes, patterns in
// tracker notation, an order list. docs/music.md describes the format.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The module's bytes, or false with "file:line: message" in `error`. The
// same text always gives the same bytes.
bool compileTuneSource(const std::string& text, const std::string& fileName, std::vector<uint8_t>& module,
                       std::string& error);

// Whether `bytes` are an XM module rather than a tune source.
bool looksLikeXm(const std::vector<uint8_t>& bytes);
