// PNG pictures (8-bit RGBA or RGB), through libpng: encoding to bytes is
// apart from placing the bytes in a file, so that a writer may encode on
// one thread and place the file on another, or the way it likes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/output_file.h"

struct png_struct_def;  // libpng's own, kept out of this header
struct png_info_def;

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

// A picture written row by row as it is made, top row first, straight into
// its output file (platform/output_file.h): only the rows being handed over
// are held. Whole or absent: finish() puts the file in place once its last
// row is written; a writer dropped before that removes what it wrote.
class PngStream {
public:
    PngStream() = default;
    ~PngStream();
    PngStream(const PngStream&) = delete;
    PngStream& operator=(const PngStream&) = delete;

    // False, with error(), when `path` cannot be written.
    bool open(const std::string& path, int width, int height, bool opaque, PngEffort effort,
              OutputFile::Name name = OutputFile::Name::Named);
    // `count` rows of width RGBA pixels, `stride` bytes apart; false once
    // anything failed (or more rows than the height were given).
    bool writeRows(const uint8_t* top, ptrdiff_t stride, int count);
    // After the last row: false (and nothing in place) after any failure.
    bool finish();
    // Removes what was written.
    void discard();
    int rowsWritten() const { return rowsWritten_; }
    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& reason);
    void release();

    struct png_struct_def* png_ = nullptr;
    struct png_info_def* info_ = nullptr;
    OutputFile file_;
    int width_ = 0, height_ = 0, rowsWritten_ = 0;
    bool opaque_ = false, failed_ = false;
    std::string error_;
};

// `rgba` holds height rows of width pixels, `stride` bytes apart, the top
// row first; encoded compactly, then written. False with a reason when the
// file cannot be written.
bool Sys_WritePng(const std::string& path, int width, int height, const uint8_t* rgba, int stride,
                  std::string* error = nullptr, OutputFile::Name name = OutputFile::Name::Named);
