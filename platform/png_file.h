// Writing pictures as PNG files (8-bit RGBA, rows top first).
#pragma once
#include <cstdint>
#include <string>

#include "platform/output_file.h"

// `rgba` holds height rows of width pixels, four bytes each (red, green,
// blue, alpha), `stride` bytes apart, the top row first. Returns false with
// a reason when the file cannot be written; the file is then absent
// (platform/output_file.h places it).
bool Sys_WritePng(const std::string& path, int width, int height, const uint8_t* rgba, int stride,
                  std::string* error = nullptr, OutputFile::Name name = OutputFile::Name::Named);
