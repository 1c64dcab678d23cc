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

struct Thumbnail {
    Image image;
    double seconds;
    std::string label;
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

Image layOut(const std::vector<Thumbnail>& thumbnails, int thumbWidth, int thumbHeight)
{
    const int count = static_cast<int>(thumbnails.size());
    const int columns = std::max(1, std::min(SHEET_COLUMNS, count));
    const int rows = std::max(1, (count + columns - 1) / columns);
    const int cellHeight = thumbHeight + CAPTION_HEIGHT;
    Image sheet(GAP + columns * (thumbWidth + GAP), GAP + rows * (cellHeight + GAP));
    for (int y = 0; y < sheet.height; ++y)
        for (int x = 0; x < sheet.width; ++x) std::copy(BACKGROUND, BACKGROUND + 3, sheet.at(x, y));
    FontFace* face = captionFontFace();
    for (int i = 0; i < count; ++i) {
        const Thumbnail& thumbnail = thumbnails[i];
        const int left = GAP + i % columns * (thumbWidth + GAP), top = GAP + i / columns * (cellHeight + GAP);
        for (int y = 0; y < thumbHeight; ++y)
            std::copy_n(&thumbnail.image.rgba[static_cast<size_t>(y) * thumbWidth * 4], thumbWidth * 4,
                        sheet.at(left, top + y));
        const int baseline = top + thumbHeight + CAPTION_HEIGHT - 5;
        const std::string time = showTimeText(thumbnail.seconds);
        const float labelStart = drawText(sheet, face, left + 1, baseline, time, TIME_COLOUR) + 5;
        const std::string label = fitText(face, thumbnail.label, left + thumbWidth - labelStart);
        drawText(sheet, face, labelStart, baseline, label, LABEL_COLOUR);
    }
    return sheet;
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
    show.timeline->start();

    const int thumbWidth = SHEET_THUMBNAIL_WIDTH;
    const int thumbHeight = std::max(1, static_cast<int>(std::lround(double(thumbWidth) * screenHeight / screenWidth)));
    const FrameSpan span(1.0 / commandLine.everySeconds, commandLine.fromSeconds,
                         std::min<double>(commandLine.toSeconds, show.timeline->showLength()));
    const int32_t sceneCount = (*show.registry)[SectionKind::Scene].count();
    std::vector<Thumbnail> thumbnails;
    std::vector<uint8_t> frame;
    bool failed = false;
    captureFrames(show, span, [&](long k) {
        // Drawn large, the thumbnail is the mean of more pixels.
        const int drawnWidth = screenWidth * commandLine.supersample, drawnHeight = screenHeight * commandLine.supersample;
        readFrame(drawnWidth, drawnHeight, frame);
        thumbnails.push_back({shrink(frame, drawnWidth, drawnHeight, thumbWidth, thumbHeight),
                              k * commandLine.everySeconds,
                              sceneLabel(project.sceneLabels, show.timeline->sceneIndex, sceneCount)});
        return true;
    }, failed);
    shutdownRenderer();
    show.destroy();

    const Image sheet = layOut(thumbnails, thumbWidth, thumbHeight);
    std::string error;
    if (!Sys_WritePng(commandLine.sheetFile, sheet.width, sheet.height, sheet.rgba.data(), sheet.width * 4, &error)) {
        complain(error);
        return 1;
    }
    const int columns = std::max(1, std::min<int>(SHEET_COLUMNS, static_cast<int>(thumbnails.size())));
    std::printf("wrote %zu thumbnails (%d a row, %dx%d each) to %s\n", thumbnails.size(), columns, thumbWidth,
                thumbHeight, commandLine.sheetFile.c_str());
    return 0;
}
