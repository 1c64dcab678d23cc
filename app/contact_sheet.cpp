#include "app/contact_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/authored_files.h"
#include "app/frame_capture.h"
#include "app/settings.h"
#include "app/show_session.h"
#include "platform/font.h"
#include "platform/interruption.h"
#include "platform/png_file.h"
#include "render/fonts.h"
#include "render/render_state.h"

namespace {

constexpr int GAP = 6;            // around and between the cells
constexpr int CAPTION_HEIGHT = 18;  // the strip under each thumbnail
constexpr int TEXT_PIXELS = 13;   // em height of the captions
constexpr uint8_t BACKGROUND[3] = {28, 28, 30};
constexpr uint8_t TIME_COLOUR[3] = {255, 196, 112};
constexpr uint8_t LABEL_COLOUR[3] = {230, 230, 230};

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;

    Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 255) {}
    uint8_t* at(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// Each thumbnail pixel is the mean of the frame pixels its area covers.
Image shrink(const std::vector<uint8_t>& frame, int frameWidth, int frameHeight, int width, int height)
{
    Image out(width, height);
    for (int y = 0; y < height; ++y) {
        const int y0 = y * frameHeight / height, y1 = std::max(y0 + 1, (y + 1) * frameHeight / height);
        for (int x = 0; x < width; ++x) {
            const int x0 = x * frameWidth / width, x1 = std::max(x0 + 1, (x + 1) * frameWidth / width);
            unsigned sums[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c) sums[c] += frame[(static_cast<size_t>(sy) * frameWidth + sx) * 4 + c];
            const unsigned count = static_cast<unsigned>((y1 - y0) * (x1 - x0));
            uint8_t* pixel = out.at(x, y);
            for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uint8_t>((sums[c] + count / 2) / count);
        }
    }
    return out;
}

float textWidth(FontFace* face, const std::string& text)
{
    float width = 0;
    GlyphBitmap glyph;
    for (unsigned char c : text)
        if (Font_RenderGlyph(face, TEXT_PIXELS, c, &glyph)) width += glyph.advance;
    return width;
}

// Cuts the text to `width` pixels, ending it with "..." when it was cut.
std::string fitText(FontFace* face, std::string text, float width)
{
    if (textWidth(face, text) <= width) return text;
    while (!text.empty() && textWidth(face, text + "...") > width) text.pop_back();
    return text + "...";
}

// Blends the glyphs' coverage into the image; returns the pen's end.
float drawText(Image& image, FontFace* face, float x, int baseline, const std::string& text, const uint8_t colour[3])
{
    GlyphBitmap glyph;
    for (unsigned char c : text) {
        if (!Font_RenderGlyph(face, TEXT_PIXELS, c, &glyph)) continue;
        const int left = static_cast<int>(std::lround(x)) + glyph.left, top = baseline - glyph.top;
        for (int row = 0; row < glyph.rows; ++row) {
            const int y = top + row;
            if (y < 0 || y >= image.height) continue;
            for (int column = 0; column < glyph.width; ++column) {
                const int px = left + column;
                if (px < 0 || px >= image.width) continue;
                const unsigned coverage = glyph.buffer[row * glyph.pitch + column];
                uint8_t* pixel = image.at(px, y);
                for (int k = 0; k < 3; ++k)
                    pixel[k] = static_cast<uint8_t>((colour[k] * coverage + pixel[k] * (255 - coverage) + 127) / 255);
            }
        }
        x += glyph.advance;
    }
    return x;
}

struct SheetLayout {
    int columns = 1, rows = 1, thumbWidth = 0, thumbHeight = 0;
    int cellHeight() const { return thumbHeight + CAPTION_HEIGHT; }
    int width() const { return GAP + columns * (thumbWidth + GAP); }
    int height(int rowCount) const { return GAP + rowCount * (cellHeight() + GAP); }
};

SheetLayout sheetLayout(long count, int thumbWidth, int thumbHeight)
{
    SheetLayout layout;
    layout.columns = static_cast<int>(std::max<long>(1, std::min<long>(SHEET_COLUMNS, count)));
    layout.rows = static_cast<int>(std::max<long>(1, (count + layout.columns - 1) / layout.columns));
    layout.thumbWidth = thumbWidth;
    layout.thumbHeight = thumbHeight;
    return layout;
}

// The sheet is written a row of cells at a time: `band` holds one row of
// cells and the gap under it, drawn as its thumbnails are taken and handed
// to the file when the row is full.
struct SheetBand {
    Image image;
    explicit SheetBand(const SheetLayout& layout) : image(layout.width(), layout.cellHeight() + GAP) { clear(); }
    void clear()
    {
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) std::copy(BACKGROUND, BACKGROUND + 3, image.at(x, y));
    }
};

// Thumbnail `index` and its caption, drawn into its row's band.
void drawCell(SheetBand& band, const SheetLayout& layout, int index, const Image& thumbnail, double seconds,
              const std::string& label)
{
    FontFace* face = captionFontFace();
    Image& sheet = band.image;
    const int left = GAP + index % layout.columns * (layout.thumbWidth + GAP);
    for (int y = 0; y < layout.thumbHeight; ++y)
        std::copy_n(&thumbnail.rgba[static_cast<size_t>(y) * layout.thumbWidth * 4], layout.thumbWidth * 4,
                    sheet.at(left, y));
    const int baseline = layout.thumbHeight + CAPTION_HEIGHT - 5;
    const std::string time = showTimeText(seconds);
    const float labelStart = drawText(sheet, face, left + 1, baseline, time, TIME_COLOUR) + 5;
    drawText(sheet, face, labelStart, baseline, fitText(face, label, left + layout.thumbWidth - labelStart),
             LABEL_COLOUR);
}

bool writeBand(PngStream& png, SheetBand& band)
{
    const bool written = png.writeRows(band.image.rgba.data(), band.image.width * 4, band.image.height);
    band.clear();
    return written;
}

}  // namespace

std::string showTimeText(double seconds)
{
    const long long tenths = std::llround(std::max(0.0, seconds) * 10.0);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%lld", tenths / 600, tenths % 600 / 10, tenths % 10);
    return text;
}

int runContactSheet(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    ProjectSource project;
    if (!obtainProject(commandLine, embedded, project)) return 1;
    const int screenWidth = commandLine.width, screenHeight = commandLine.height;
    if (!startHeadlessGraphics(screenWidth, screenHeight, commandLine.stretch, commandLine.supersample)) return 1;
    Show show;
    if (!show.load(project)) return 1;
    auto stop = [&](const std::string& reason) {
        complain(reason);
        shutdownRenderer();
        show.destroy();
        return 1;
    };

    const int thumbWidth = SHEET_THUMBNAIL_WIDTH;
    const int thumbHeight = std::max(1, static_cast<int>(std::lround(double(thumbWidth) * screenHeight / screenWidth)));
    std::string empty;
    const FrameSpan span = showSpan(show, 1.0 / commandLine.everySeconds, commandLine.fromSeconds,
                                    commandLine.toSeconds, "--every " + numberText(commandLine.everySeconds), empty);
    if (!empty.empty()) return stop(empty);
    // The sheet is held whole until it is written: its size is bounded.
    const long count = span.count();
    if (count > MAX_SHEET_THUMBNAILS)
        return stop("--every " + numberText(commandLine.everySeconds) + " asks for " + std::to_string(count) +
                    " thumbnails, over the limit of " + std::to_string(MAX_SHEET_THUMBNAILS) +
                    " a sheet: take a larger --every or a shorter span");
    const SheetLayout layout = sheetLayout(count, thumbWidth, thumbHeight);
    const int64_t pixels = int64_t(layout.width()) * layout.height(layout.rows);
    if (pixels > MAX_SHEET_PIXELS)
        return stop("the sheet would be " + std::to_string(layout.width()) + "x" +
                    std::to_string(layout.height(layout.rows)) + " pixels, over the limit of " +
                    std::to_string(MAX_SHEET_PIXELS) + ": fewer thumbnails, or a wider --resolution");
    // The file is open from the first row: an interruption or a failure
    // removes it, and the finished sheet replaces an older one whole.
    PngStream png;
    if (!png.open(commandLine.sheetFile, layout.width(), layout.height(layout.rows), false, PngEffort::Compact))
        return stop(png.error());
    SheetBand band(layout);
    // The gap above the first row: the rows of a band not drawn yet.
    if (!png.writeRows(band.image.rgba.data(), band.image.width * 4, GAP)) return stop(png.error());

    // A Ctrl-C ends the sheet after the thumbnail being drawn: its rows not
    // reached are left empty, and the sheet is whole.
    StopOnInterruption stopHere;
    show.timeline->start();
    const int32_t sceneCount = (*show.registry)[SectionKind::Scene].count();
    std::vector<uint8_t> frame;
    bool failed = false;
    const long taken = captureFrames(show, span, [&](long k) {
        // Drawn large, the thumbnail is the mean of more pixels.
        const int drawnWidth = screenWidth * commandLine.supersample, drawnHeight = screenHeight * commandLine.supersample;
        readFrame(drawnWidth, drawnHeight, frame);
        const int index = static_cast<int>(k - span.first);
        drawCell(band, layout, index, shrink(frame, drawnWidth, drawnHeight, thumbWidth, thumbHeight),
                 k * commandLine.everySeconds, sceneLabel(project.sceneLabels, show.timeline->sceneIndex, sceneCount));
        return index % layout.columns != layout.columns - 1 || writeBand(png, band);
    }, failed);
    shutdownRenderer();
    show.destroy();
    if (failed) {
        complain(png.error());
        return 1;
    }
    if (taken == 0) {
        png.discard();  // nothing was drawn into it
        complain(interruptionSignal() ? "interrupted before the first thumbnail: no sheet written"
                                      : "nothing to write: the show ended before the first thumbnail");
        endByInterruption();
        return 1;
    }
    // The rest of the last row drawn, and the rows the show (or a Ctrl-C)
    // ended before, are the background.
    bool whole = taken % layout.columns == 0 || writeBand(png, band);
    while (whole && png.rowsWritten() < layout.height(layout.rows)) whole = writeBand(png, band);
    if (!whole || !png.finish()) {
        complain(png.error());
        return 1;
    }
    if (interruptionSignal()) {
        complain("interrupted: " + commandLine.sheetFile + " holds the " + std::to_string(taken) + " of " +
                 std::to_string(count) + " thumbnails taken before it, whole, its other cells empty");
        endByInterruption();
    }
    std::printf("wrote %ld thumbnails (%d a row, %dx%d each) to %s\n", taken, layout.columns, thumbWidth,
                thumbHeight, commandLine.sheetFile.c_str());
    return 0;
}
