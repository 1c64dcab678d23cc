// The generators: each draws a picture into the zeroed scratch image, which
// runStep then blends into the texture. Everything outside a shape stays 0.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "texture/generator.h"
#include "texture/operators.h"
#include "texture/pixel.h"
#include "texture/row_split.h"

namespace {

constexpr double PI = 3.14159265358979323846;

}  // namespace

// The hash of Grain and Sprinkle: h = nearest(sin(c) x h) x 20021 + 1. The
// patterns in the data come from sines of integers up to 262144 evaluated
// in 80-bit extended precision, so the product is rounded as the long double
// sine gives it. The double sine (within an ulp) is 20 times faster and its
// product is within 1e-6 of the long double one, so it decides the rounding
// unless the product is near a tie; there the long double sine decides.
int32_t grainHash(int32_t h, int64_t c)
{
    const double quick = std::sin(static_cast<double>(c)) * static_cast<double>(h);
    int32_t rounded;
    if (std::fabs(quick - std::floor(quick) - 0.5) > 1e-5) {
        rounded = truncToInt32(std::nearbyint(quick));
    } else {
        rounded = roundToInt32(std::sin(static_cast<long double>(c)) * static_cast<long double>(h));
    }
    return static_cast<int32_t>(static_cast<uint32_t>(rounded) * 20021u + 1u);
}

void runFill(uint32_t* target, const AnimTrack& track)
{
    using namespace TextureFill;
    const uint32_t word = packWord(readWhole(track, alpha), readWhole(track, red), readWhole(track, green),
                                   readWhole(track, blue));
    std::fill_n(target, generator.genCount, word);
}

void runRectangle(uint32_t* target, const AnimTrack& track)
{
    using namespace TextureRectangle;
    const int32_t c = readWhole(track, red);
    const uint32_t colour = packWord(c, c, readWhole(track, green), readWhole(track, blue));
    const uint32_t w = static_cast<uint32_t>(generator.genSize);

    // Width and height are given less one; a rectangle is cut at the right
    // and bottom edges, never wrapped.
    uint32_t rows = edgeToPixels(static_cast<int32_t>(static_cast<uint32_t>(readWhole(track, height)) + 1u));
    if (rows == 0) return;
    const uint32_t y0 = edgeToPixels(readWhole(track, top));
    if (y0 >= w) return;
    if (y0 + rows >= w) rows = w - y0;

    uint32_t columns = edgeToPixels(static_cast<int32_t>(static_cast<uint32_t>(readWhole(track, width)) + 1u));
    if (columns == 0) return;
    const uint32_t x0 = edgeToPixels(readWhole(track, left));
    if (x0 >= w) return;
    if (x0 + columns >= w) columns = w - x0;

    for (uint32_t y = y0; y < y0 + rows; ++y) std::fill_n(target + y * w + x0, columns, colour);
}

void runDisc(uint32_t* target, const AnimTrack& track)
{
    using namespace TextureDisc;
    const float r8 = readValue(track, red), g8 = readValue(track, green), b8 = readValue(track, blue);
    const int32_t alpha = truncToInt32((r8 + g8 + b8) / 3.0f);
    const uint32_t colour = packWord(alpha, readWhole(track, red), readWhole(track, green), readWhole(track, blue));

    const int64_t r = edgeToPixels(readWhole(track, radius));
    if (r == 0) return;
    const int64_t outer = r * r, inner = (r - 1) * (r - 1);
    const int64_t cx = edgeToPixels(readWhole(track, x)), cy = edgeToPixels(readWhole(track, y));
    const int64_t w = generator.genSize;
    const int64_t x0 = std::max<int64_t>(cx - r, 0), x1 = std::min<int64_t>(cx + r, w);
    const int64_t y0 = std::max<int64_t>(cy - r, 0), y1 = std::min<int64_t>(cy + r, w);
    const bool soft = generator.smooth == 1;

    for (int64_t row = y0; row < y1; ++row) {
        for (int64_t column = x0; column < x1; ++column) {
            const int64_t d2 = (column - cx) * (column - cx) + (row - cy) * (row - cy);
            if (d2 >= outer) continue;
            uint32_t word = colour;
            if (soft && d2 > inner) {
                // The one-pixel rim fades colour and alpha together.
                const float f = static_cast<float>(r) - std::sqrt(static_cast<float>(d2));
                word = packWord(roundToInt32(f * static_cast<float>(alpha)), roundToInt32(f * r8),
                                roundToInt32(f * g8), roundToInt32(f * b8));
            }
            target[row * w + column] = word;
        }
    }
}

void runChecker(uint32_t* target, const AnimTrack& track)
{
    const uint32_t w = static_cast<uint32_t>(generator.genSize);
    auto cell = [&](const TrackValue& edge) {
        const uint32_t c = edgeToPixels(readWhole(track, edge));
        return c == 0 ? 1u : c > w ? w : c;
    };
    const uint32_t cw = cell(TextureChecker::cellWidth), ch = cell(TextureChecker::cellHeight);

    // The walk restarts the columns at the left edge of every row, so a cell
    // width that does not divide W leaves a narrower last column.
    uint32_t current = 0, rowValue = 0;
    uint32_t columnLeft = cw, rowPixelsLeft = w, rowsLeft = ch;
    for (int32_t i = 0; i < generator.genCount; ++i) {
        target[i] = current;
        if (--columnLeft == 0) {
            columnLeft = cw;
            current = ~current;
        }
        if (--rowPixelsLeft == 0) {
            rowPixelsLeft = w;
            columnLeft = cw;
            if (--rowsLeft == 0) {
                rowsLeft = ch;
                rowValue = ~rowValue;
            }
            current = rowValue;
        }
    }
}

void runWaves(uint32_t* target, const AnimTrack& track)
{
    const int32_t w = generator.genSize;
    const float invSize = generator.genInvSize;
    // k takes the full pi; the phases take 3.14159.
    const float k = static_cast<float>(PI / 16.0) * invSize;
    const float phaseX = 2.0f * 3.14159f * readValue(track, TextureWaves::phaseX) * invSize;
    const float phaseY = 2.0f * 3.14159f * readValue(track, TextureWaves::phaseY) * invSize;
    const float freqX = readValue(track, TextureWaves::frequencyX), freqY = readValue(track, TextureWaves::frequencyY);

    // The cosines depend on the row or the column alone (1-based).
    float cosX[MAX_TEXTURE_SIZE], cosY[MAX_TEXTURE_SIZE];
    for (int32_t i = 0; i < w; ++i) {
        const float n = static_cast<float>(i + 1);
        cosX[i] = std::cos(n * k * freqX + phaseX);
        cosY[i] = std::cos(n * k * freqY + phaseY);
    }
    const float red = readValue(track, TextureWaves::red), green = readValue(track, TextureWaves::green);
    const float blue = readValue(track, TextureWaves::blue);
    for (int32_t y = 0; y < w; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const float c = 0.5f + 0.25f * cosY[y] + 0.25f * cosX[x];
            const int32_t r = roundToInt32(c * red);
            target[y * w + x] = packWord(r, r, roundToInt32(c * green), roundToInt32(c * blue));
        }
    }
}

void runGrain(uint32_t* target, const AnimTrack& track)
{
    int32_t h = readWhole(track, TextureGrain::seed);
    const int64_t red = readWhole(track, TextureGrain::red), green = readWhole(track, TextureGrain::green);
    const int64_t blue = readWhole(track, TextureGrain::blue);
    const int32_t n = generator.genCount;
    for (int32_t i = 0; i < n; ++i) {
        h = grainHash(h, n - i);
        const int64_t v = static_cast<uint32_t>(h) & 0xFFu;
        const int32_t r = static_cast<int32_t>(floorDiv(v * red, 256) & 0xFF);
        const int32_t g = static_cast<int32_t>(floorDiv(v * green, 256) & 0xFF);
        const int32_t b = static_cast<int32_t>(floorDiv(v * blue, 256) & 0xFF);
        target[i] = packWord(r, r, g, b);
    }
}

void runSprinkle(uint32_t* target, const AnimTrack& track)
{
    // A negative count sprinkles nothing.
    using namespace TextureSprinkle;
    const int64_t count = static_cast<int64_t>(readWhole(track, dots)) * 8;
    if (count <= 0) return;
    int32_t h = readWhole(track, seed);
    const float r8 = readValue(track, red), g8 = readValue(track, green), b8 = readValue(track, blue);
    const uint32_t colour = packWord(truncToInt32((r8 + g8 + b8) / 3.0f), readWhole(track, red),
                                     readWhole(track, green), readWhole(track, blue));
    const uint32_t mask = static_cast<uint32_t>(generator.genCount - 1);
    for (int64_t c = count; c >= 1; --c) {
        h = grainHash(h, c);
        target[static_cast<uint32_t>(h) & mask] = colour;
    }
}

void runClouds(uint32_t* target, const AnimTrack& track)
{
    int32_t z = readWhole(track, TextureClouds::zoom);
    if (z == 0) z = 1;
    const int32_t w = generator.genSize, n = generator.genCount;
    const uint32_t wrap = static_cast<uint32_t>(w - 1);

    // A fresh lattice from the random generator: (floor(seed x 256 / 32678) + 47) mod 256.
    uint8_t* lattice = noiseLattice();
    for (int32_t i = 0; i < n; ++i) {
        nextRandom();
        lattice[i] = static_cast<uint8_t>(generator.randomSeed * 256 / 32678 + 47);
    }

    // Each octave magnifies the same lattice by s about the centre. The
    // positions depend on the column or the row alone. Reads outside the
    // lattice wrap around: with z of 64 or more they carry weight 0 and
    // change nothing; smaller z tiles the noise.
    struct Axis {
        uint32_t index[MAX_TEXTURE_SIZE];
        float fraction[MAX_TEXTURE_SIZE];
    };
    static Axis axes[6];
    const float d = static_cast<float>(w / 2);
    for (int octave = 0; octave < 6; ++octave) {
        const float s = static_cast<float>(1 << octave) * static_cast<float>(z) / 64.0f;
        for (int32_t i = 0; i < w; ++i) {
            const float f = static_cast<float>(i - w / 2) / s + d;
            const int32_t fi = truncToInt32(f);
            axes[octave].index[i] = static_cast<uint32_t>(fi);
            axes[octave].fraction[i] = f - static_cast<float>(fi);
        }
    }

    // Only the lattice draws on the random sequence: the rows of sums read
    // the lattice alone, and split over the cores.
    forRowRuns(w, [&](int32_t first, int32_t end) {
        float sum[MAX_TEXTURE_SIZE];
        for (int32_t y = first; y < end; ++y) {
            std::fill_n(sum, w, 0.0f);
            for (int octave = 0; octave < 6; ++octave) {
                const Axis& axis = axes[octave];
                const uint32_t iy = axis.index[y];
                const float ty = axis.fraction[y];
                const uint8_t* row0 = lattice + (iy & wrap) * w;
                const uint8_t* row1 = lattice + ((iy + 1) & wrap) * w;
                const float weight = static_cast<float>((1 << octave) + 2);
                for (int32_t x = 0; x < w; ++x) {
                    const uint32_t ix = axis.index[x];
                    const float tx = axis.fraction[x];
                    const uint32_t x0 = ix & wrap, x1 = (ix + 1) & wrap;
                    const int32_t top = truncToInt32(static_cast<float>(row0[x0]) * (1.0f - tx) +
                                                     static_cast<float>(row0[x1]) * tx);
                    const int32_t bottom = truncToInt32(static_cast<float>(row1[x0]) * (1.0f - tx) +
                                                        static_cast<float>(row1[x1]) * tx);
                    const int32_t value = truncToInt32(static_cast<float>(top) * (1.0f - ty) +
                                                       static_cast<float>(bottom) * ty);
                    sum[x] = sum[x] + static_cast<float>(value) * weight / 64.0f;
                }
            }
            for (int32_t x = 0; x < w; ++x) {
                // Below 0 only when z under 64 extrapolates past a lattice cell.
                const uint32_t grey = clampByte(truncToInt32(sum[x]));
                target[y * w + x] = grey * 0x01010101u;
            }
        }
    });
}
