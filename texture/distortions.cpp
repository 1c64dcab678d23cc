// The distortions move pixels: each output pixel samples the scratch copy
// of the image at a transformed position. And the import of a named picture.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/project_reader.h"
#include "texture/generator.h"
#include "texture/operators.h"
#include "texture/pixel.h"
#include "texture/row_split.h"
#include "texture/sampling.h"

namespace {

constexpr float PI_F = 3.14159265358979323846f;

template <class Transform>
void resample(uint32_t* image, Transform transform)
{
    const int32_t w = generator.genSize;
    uint32_t* s = scratchImage();
    std::memcpy(s, image, static_cast<size_t>(generator.genBytes));
    const bool smooth = generator.smooth == 1;
    forRowRuns(w, [&](int32_t first, int32_t end) {
        for (int32_t row = first; row < end; ++row) {
            for (int32_t column = 0; column < w; ++column) {
                float u, v;
                transform(column, row, u, v);
                image[row * w + column] = smooth ? bilinearSample(s, u, v) : pointSample(s, u, v);
            }
        }
    });
}

// Mirror: -1 reads 1 and W reads W - 1.
int64_t mirrorIndex(int64_t i, int64_t w)
{
    if (i < 0) i = -i;
    if (i >= w) i %= 2 * w;
    if (i >= w) i = 2 * w - 1 - i;
    return i;
}

}  // namespace

uint32_t pointSample(const uint32_t* image, float x, float y)
{
    const int64_t w = generator.genSize;
    int64_t ix = truncToInt32(x), iy = truncToInt32(y);
    if (ix >= 0 && ix < w && iy >= 0 && iy < w) return image[iy * w + ix];
    switch (static_cast<EdgeMode>(generator.edgeMode)) {
    case EdgeMode::Transparent: return 0;
    case EdgeMode::Clamp:
        ix = std::clamp<int64_t>(ix, 0, w - 1);
        iy = std::clamp<int64_t>(iy, 0, w - 1);
        break;
    case EdgeMode::Mirror:
        ix = mirrorIndex(ix, w);
        iy = mirrorIndex(iy, w);
        break;
    case EdgeMode::Wrap:
    default:
        ix &= w - 1;
        iy &= w - 1;
        break;
    }
    return image[iy * w + ix];
}

uint32_t bilinearSample(const uint32_t* image, float x, float y)
{
    const int32_t w = generator.genSize;
    const uint32_t wrap = static_cast<uint32_t>(w - 1);
    const float size = static_cast<float>(w);
    x = x - static_cast<float>(truncToInt32(x / size)) * size;
    if (x < 0.0f) x = x + size;
    y = y - static_cast<float>(truncToInt32(y / size)) * size;
    if (y < 0.0f) y = y + size;
    const int32_t ix = truncToInt32(x), iy = truncToInt32(y);
    const uint32_t fx = static_cast<uint32_t>(truncToInt32((x - static_cast<float>(ix)) * 256.0f)) & 0xFFu;
    const uint32_t fy = static_cast<uint32_t>(truncToInt32((y - static_cast<float>(iy)) * 256.0f)) & 0xFFu;
    // The indices wrap once more: a tiny negative position plus W rounds to
    // W itself in float32, which is column 0 again.
    const uint32_t x0 = static_cast<uint32_t>(ix) & wrap, y0 = static_cast<uint32_t>(iy) & wrap;
    const uint32_t x1 = (x0 + 1) & wrap, y1 = (y0 + 1) & wrap;
    const uint32_t p00 = image[y0 * w + x0], p10 = image[y0 * w + x1];
    const uint32_t p01 = image[y1 * w + x0], p11 = image[y1 * w + x1];
    uint32_t out[4];
    for (int c = 0; c < 4; ++c) {
        const uint32_t top = (channelOf(p00, c) * (256 - fx) + channelOf(p10, c) * fx) / 256;
        const uint32_t bottom = (channelOf(p01, c) * (256 - fx) + channelOf(p11, c) * fx) / 256;
        out[c] = (top * (256 - fy) + bottom * fy) / 256;
    }
    return packChannels(out);
}

void runRotoZoom(uint32_t* image, const AnimTrack& track)
{
    const int32_t w = generator.genSize, h = w / 2;
    const int64_t cx = static_cast<int64_t>(readWhole(track, TextureRotoZoom::x)) * w / 256;
    const int64_t cy = static_cast<int64_t>(readWhole(track, TextureRotoZoom::y)) * w / 256;
    const int64_t a = static_cast<int64_t>(readWhole(track, TextureRotoZoom::angle)) + 128;
    int64_t z = static_cast<int64_t>(readWhole(track, TextureRotoZoom::zoom)) + 64;
    if (z == 0) z = 1;

    const float s = static_cast<float>(z) / 64.0f;
    const float theta = static_cast<float>(128 - a) / 128.0f * PI_F;
    float m00, m01, m10, m11;
    if (a != 0) {
        m00 = s * std::cos(theta);
        m01 = -(s * std::sin(theta));
        m10 = s * std::sin(theta);
        m11 = s * std::cos(theta);
    } else {
        // The half turn exactly, without the rounding of sin(pi).
        m00 = m11 = -s;
        m01 = m10 = 0.0f;
    }
    // The centre of the output shows the source point (W - cx, W - cy).
    const float ox = static_cast<float>(w - cx), oy = static_cast<float>(w - cy);
    resample(image, [&](int32_t column, int32_t row, float& u, float& v) {
        const float x = static_cast<float>(column - h), y = static_cast<float>(row - h);
        u = x * m00 + y * m01 + ox;
        v = x * m10 + y * m11 + oy;
    });
}

void runTwirl(uint32_t* image, const AnimTrack& track)
{
    const int64_t cx = readWhole(track, TextureTwirl::x), cy = readWhole(track, TextureTwirl::y);
    const int64_t k = readWhole(track, TextureTwirl::strength);
    const int32_t r = readWhole(track, TextureTwirl::radius);
    if (r == 0) return;
    // A radius below one pixel (r under 256 / W) twists nothing: the limit of
    // the fall-off for every pixel but the centre.
    const uint32_t radius = edgeToPixels(r);
    if (radius == 0) return;

    const int64_t h = generator.genSize / 2;
    // The centre is in pixels of a 256-pixel image placed around the middle.
    const int64_t firstX = (128 - cx) - h, firstY = (128 - cy) - h;
    const float offX = static_cast<float>(h - (128 - cx)), offY = static_cast<float>(h - (128 - cy));
    const float twist = static_cast<float>(128 - k) * 0.03125f;
    const float fullRadius = static_cast<float>(radius);
    resample(image, [&](int32_t column, int32_t row, float& u, float& v) {
        const float x = static_cast<float>(firstX + column), y = static_cast<float>(firstY + row);
        const float d = std::sqrt(x * x + y * y);
        const float angle = std::atan2(y, x) + twist * (1.0f + std::cos(PI_F * std::min(d, fullRadius) / fullRadius));
        u = d * std::cos(angle) + offX;
        v = d * std::sin(angle) + offY;
    });
}

void runImportImage(uint32_t* image, const AnimTrack& track)
{
    if (!track.name) return;
    uint32_t length = 0;
    const uint8_t* block = findNamedData(generator.namedData ? *generator.namedData : NamedDataTable(), track.name, &length);
    constexpr uint32_t HEADER = 18;
    if (!block || length < HEADER) return;

    // A Truevision TGA without image ID and colour map, 32 bits per pixel
    // (blue, green, red, alpha: the pixel word). Rows in file order.
    const uint32_t width = block[12] | (block[13] << 8);
    const uint32_t height = block[14] | (block[15] << 8);
    if (block[16] != 32) return;

    const uint32_t w = static_cast<uint32_t>(generator.genSize);
    const uint32_t rows = std::min(height, w), columns = std::min(width, w);
    // A block that ends early gives what it holds and no more.
    const uint64_t available = (length - HEADER) / 4;
    for (uint32_t i = 0; i < rows; ++i) {
        const uint64_t first = static_cast<uint64_t>(i) * width;
        if (first >= available) break;
        const uint64_t count = std::min<uint64_t>(columns, available - first);
        const uint8_t* cursor = block + HEADER + first * 4;
        readFrom(cursor, image + i * w, static_cast<size_t>(count * 4));
    }
}
