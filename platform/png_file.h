// PNG pictures (8-bit RGBA or RGB), through libpng: encoding to bytes is
// apart from placing the bytes in a file, so that a writer may encode on
// one thread and place the file on another, or the way it likes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/output_file.h"

// height rows of width pixels, four bytes each (red, green, blue, alpha);
// the top row at `top`, each next row `stride` bytes on (negative for
// pictures kept bottom row first, as a framebuffer reads back).
struct PngPicture {
    int width = 0, height = 0;
    const uint8_t* top = nullptr;
    ptrdiff_t stride = 0;
    bool opaque = false;  // written as RGB: the alpha bytes are left out
};

enum class PngEffort : uint8_t {
    Fast,     // for frames: the Sub filter and the fastest deflate level
    Compact,  // for pictures kept: every filter tried per row, deflate level 6
};

// The PNG file's bytes in `out`; false with a reason.
bool Sys_EncodePng(const PngPicture& picture, PngEffort effort, std::vector<uint8_t>& out, std::string* error = nullptr);

// Places `bytes` as the file `path`, whole or not at all
// (platform/output_file.h); false with a reason naming the path.
bool Sys_WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error = nullptr,
                        OutputFile::Name name = OutputFile::Name::Named);

// `rgba` holds height rows of width pixels, `stride` bytes apart, the top
// row first; encoded compactly, then written. False with a reason when the
// file cannot be written.
bool Sys_WritePng(const std::string& path, int width, int height, const uint8_t* rgba, int stride,
                  std::string* error = nullptr, OutputFile::Name name = OutputFile::Name::Named);
