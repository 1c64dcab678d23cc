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
    if (effort == PngEffort::Fast) {
        // A frame is written once and looked at seldom: speed over size.
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
        png_set_compression_level(png, 1);
    } else {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
        png_set_compression_level(png, 6);
    }
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
