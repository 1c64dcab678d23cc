#include "platform/png_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

// libpng reports a fault by a long jump out of the call; the message is kept.
void keepError(png_structp png, png_const_charp message)
{
    auto* reason = static_cast<std::string*>(png_get_error_ptr(png));
    if (reason) *reason = message;
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// A stream's bytes go to its file as libpng makes them; a failed write
// ends the picture with the file's reason ("No space left on device").
void appendToFile(png_structp png, png_bytep data, png_size_t length)
{
    auto* file = static_cast<OutputFile*>(png_get_io_ptr(png));
    if (!file->write(data, length)) png_error(png, file->error().c_str());
}

void setEffort(png_structp png, PngEffort effort)
{
    if (effort == PngEffort::Fast) {
        // A frame is written once and looked at seldom: speed over size.
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
        png_set_compression_level(png, 1);
    } else {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
        png_set_compression_level(png, 6);
    }
}

}  // namespace

bool Sys_EncodePng(const PngPicture& picture, PngEffort effort, std::vector<uint8_t>& out, std::string* error)
{
    out.clear();
    if (picture.width <= 0 || picture.height <= 0 || !picture.top) {
        if (error) *error = "no picture to encode";
        return false;
    }
    std::string reason = "cannot encode the picture";
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &reason, keepError, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        if (error) *error = "out of memory for the picture";
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y)
        rows[y] = const_cast<png_bytep>(picture.top + static_cast<ptrdiff_t>(y) * picture.stride);
    // Nothing below owns memory that a long jump would leak: the vectors
    // are made before it, libpng's own structs are destroyed after it.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        out.clear();
        if (error) *error = reason;
        return false;
    }
    png_set_write_fn(png, &out, appendBytes, noFlush);
    setEffort(png, effort);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 picture.opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    if (picture.opaque) png_set_filler(png, 0, PNG_FILLER_AFTER);  // the rows keep their fourth byte
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool Sys_WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error,
                        OutputFile::Name name)
{
    std::string reason;
    if (writeOutputFile(path, bytes.data(), bytes.size(), reason, name)) return true;
    if (error) *error = reason;
    return false;
}

bool Sys_WritePng(const std::string& path, int width, int height, const uint8_t* rgba, int stride,
                  std::string* error, OutputFile::Name name)
{
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.top = rgba;
    picture.stride = stride;
    std::vector<uint8_t> bytes;
    return Sys_EncodePng(picture, PngEffort::Compact, bytes, error) && Sys_WriteFileBytes(path, bytes, error, name);
}

PngStream::~PngStream() { release(); }

void PngStream::release()
{
    if (png_) png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
    png_ = nullptr;
    info_ = nullptr;
}

void PngStream::discard()
{
    release();
    file_.discard();
}

bool PngStream::fail(const std::string& reason)
{
    if (!failed_) error_ = reason;
    failed_ = true;
    discard();
    return false;
}

bool PngStream::open(const std::string& path, int width, int height, bool opaque, PngEffort effort,
                     OutputFile::Name name)
{
    if (width <= 0 || height <= 0) return fail("no picture to write to " + path);
    if (!file_.open(path, name)) return fail(file_.error());
    width_ = width;
    height_ = height;
    opaque_ = opaque;
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error_, keepError, ignoreWarning);
    info_ = png_ ? png_create_info_struct(png_) : nullptr;
    if (!info_) return fail("out of memory for the picture");
    // Each call that reaches libpng takes its faults here, in its own frame.
    if (setjmp(png_jmpbuf(png_))) {
        return fail(error_);  // libpng's reason
    }
    png_set_write_fn(png_, &file_, appendToFile, noFlush);
    setEffort(png_, effort);
    png_set_IHDR(png_, info_, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_write_info(png_, info_);
    if (opaque) png_set_filler(png_, 0, PNG_FILLER_AFTER);
    return true;
}

bool PngStream::writeRows(const uint8_t* top, ptrdiff_t stride, int count)
{
    if (failed_ || !png_) return false;
    if (count < 0 || count > height_ - rowsWritten_) return fail("more rows than the picture's height");
    if (setjmp(png_jmpbuf(png_))) {
        return fail(error_);
    }
    for (int y = 0; y < count; ++y) png_write_row(png_, const_cast<png_bytep>(top + static_cast<ptrdiff_t>(y) * stride));
    rowsWritten_ += count;
    return true;
}

bool PngStream::finish()
{
    if (failed_ || !png_) return false;
    if (rowsWritten_ != height_) return fail("the picture ended after " + std::to_string(rowsWritten_) + " of its " +
                                             std::to_string(height_) + " rows");
    if (setjmp(png_jmpbuf(png_))) {
        return fail(error_);
    }
    png_write_end(png_, nullptr);
    release();
    if (!file_.commit()) return fail(file_.error());
    return true;
}
