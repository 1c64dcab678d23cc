#include <gtest/gtest.h>

#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/png_file.h"

namespace {

// Decoded by libpng's own reader, as RGBA whatever the file holds.
std::vector<uint8_t> decode(const std::vector<uint8_t>& file, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return pixels;
}

TEST(PngEncode, EveryWayOfWritingDecodesToThePicture)
{
    const int w = 37, h = 23;
    std::vector<uint8_t> rows(size_t(w) * h * 4);  // the top row first
    uint32_t seed = 12345;
    for (uint8_t& byte : rows) byte = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    std::vector<uint8_t> bottomUp(rows.size());  // the same picture as a framebuffer reads back
    for (int y = 0; y < h; ++y) std::copy_n(&rows[size_t(y) * w * 4], w * 4, &bottomUp[size_t(h - 1 - y) * w * 4]);

    const struct {
        PngEffort effort;
        bool opaque, bottomRowFirst;
    } cases[] = {{PngEffort::Compact, false, false}, {PngEffort::Fast, false, false},
                 {PngEffort::Fast, true, true}, {PngEffort::Compact, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.effort)) + (c.opaque ? " opaque" : "") + (c.bottomRowFirst ? " bottom up" : ""));
        PngPicture picture;
        picture.width = w;
        picture.height = h;
        picture.stride = c.bottomRowFirst ? -w * 4 : w * 4;
        picture.top = c.bottomRowFirst ? &bottomUp[size_t(h - 1) * w * 4] : rows.data();
        picture.opaque = c.opaque;
        std::vector<uint8_t> file;
        std::string error;
        ASSERT_TRUE(Sys_EncodePng(picture, c.effort, file, &error)) << error;
        int dw = 0, dh = 0;
        const std::vector<uint8_t> decoded = decode(file, dw, dh);
        ASSERT_EQ(dw, w);
        ASSERT_EQ(dh, h);
        std::vector<uint8_t> expected = rows;
        if (c.opaque)
            for (size_t i = 3; i < expected.size(); i += 4) expected[i] = 255;
        EXPECT_EQ(decoded, expected);
    }
    std::vector<uint8_t> file;
    std::string error;
    EXPECT_FALSE(Sys_EncodePng(PngPicture(), PngEffort::Fast, file, &error));
    EXPECT_FALSE(error.empty());
}

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A picture streamed in bands of any height decodes to the whole picture;
// one that ends short of its height, or is given more rows, leaves no file.
TEST(PngEncode, AStreamedPictureIsWholeOrAbsent)
{
    const int w = 19, h = 11;
    std::vector<uint8_t> rows(size_t(w) * h * 4);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 7 + i / 5);
    char folder[] = "/tmp/png-stream-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const std::string path = std::string(folder) + "/p.png";
    const struct {
        std::vector<int> bands;
        bool placed;
    } cases[] = {{{11}, true}, {{1, 4, 0, 6}, true}, {{5, 5}, false}, {{5, 7}, false}};
    for (const auto& c : cases) {
        std::remove(path.c_str());
        PngStream png;
        ASSERT_TRUE(png.open(path, w, h, false, PngEffort::Compact)) << png.error();
        int row = 0;
        bool written = true;
        for (int band : c.bands) {
            written = written && png.writeRows(&rows[size_t(row) * w * 4], w * 4, band);
            row += band;
        }
        const bool finished = written && png.finish();
        EXPECT_EQ(finished, c.placed) << png.error();
        const std::vector<uint8_t> file = fileBytes(path);
        if (!c.placed) {
            EXPECT_FALSE(png.error().empty());
            EXPECT_TRUE(file.empty());
            continue;
        }
        int dw = 0, dh = 0;
        EXPECT_EQ(decode(file, dw, dh), rows);
    }
    std::remove(path.c_str());
    rmdir(folder);
}

}  // namespace
