#include "platform/png_file.h"

#include <zlib.h>

#include <vector>

namespace {

void putBigEndian32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data)
{
    putBigEndian32(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
    putBigEndian32(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool Sys_WritePng(const std::string& path, int width, int height, const uint8_t* rgba, int stride,
                  std::string* error, OutputFile::Name name)
{
    // Each row starts with filter type 0 (none).
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (width * 4 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const uint8_t* row = rgba + static_cast<size_t>(y) * stride;
        raw.insert(raw.end(), row, row + static_cast<size_t>(width) * 4);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) {
        if (error) *error = "cannot compress the picture";
        return false;
    }
    packed.resize(packedSize);

    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBigEndian32(header, static_cast<uint32_t>(width));
    putBigEndian32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter set, no interlace
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", packed);
    putChunk(file, "IEND", {});

    std::string reason;
    if (writeOutputFile(path, file.data(), file.size(), reason, name)) return true;
    if (error) *error = reason;
    return false;
}
