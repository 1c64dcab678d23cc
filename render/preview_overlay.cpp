#include "render/preview_overlay.h"

#include <algorithm>
#include <cmath>

#include "core/memory.h"
#include "gl/gl_context.h"
#include "gl/texture_units.h"
#include "render/fonts.h"
#include "render/frame.h"
#include "render/render_state.h"

namespace {

BitmapFont* font = nullptr;  // at overlayTextHeight of the window it was made for

struct Colour {
    float r, g, b, a;
};
constexpr Colour BAR_BACK{0.0f, 0.0f, 0.0f, 0.62f};
constexpr Colour STRIP{0.30f, 0.30f, 0.33f, 1.0f};
constexpr Colour LOOP_SPAN{0.25f, 0.45f, 0.85f, 1.0f};
constexpr Colour CUT_MARK{0.92f, 0.92f, 0.92f, 1.0f};
constexpr Colour PLAYHEAD{1.0f, 0.62f, 0.20f, 1.0f};
constexpr Colour TEXT{0.93f, 0.93f, 0.93f, 1.0f};
constexpr Colour STATE_TEXT{0.62f, 0.80f, 1.0f, 1.0f};
constexpr Colour NOTE_TEXT{1.0f, 0.84f, 0.35f, 1.0f};
constexpr Colour ERROR_BACK{0.38f, 0.04f, 0.04f, 0.86f};
constexpr Colour ERROR_HEADING{1.0f, 1.0f, 1.0f, 1.0f};
constexpr Colour ERROR_TEXT{1.0f, 0.80f, 0.78f, 1.0f};

void colour(const Colour& c) { glColor4f(c.r, c.g, c.b, c.a); }

void rect(float x0, float y0, float x1, float y1, const Colour& c)
{
    glEnable(GL_BLEND);  // text leaves it off
    colour(c);
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

float widthOf(const std::string& text) { return font ? font->textWidth(text.c_str()) : 0.0f; }

// Drawn from the left at whole pixels; a raster position off the window
// would drop the whole text.
void text(float x, float y, const std::string& line, const Colour& c)
{
    colour(c);
    font->drawText(std::max(0.0f, std::floor(x)), std::floor(y), line.c_str());
}

// The longest start of `line` that fits `width`, with "..." when cut.
std::string fitted(const std::string& line, float width)
{
    if (widthOf(line) <= width) return line;
    std::string cut = line;
    while (!cut.empty() && widthOf(cut + "...") > width) cut.pop_back();
    return cut + "...";
}

void drawBar(const PreviewOverlay& overlay, float w, float h)
{
    const float size = static_cast<float>(font->height);
    const float pad = std::round(size / 3.0f);
    const float strip = std::max(3.0f, std::round(size / 4.0f));
    const float textBand = std::round(size * 1.3f);
    const float top = textBand + strip;
    rect(0.0f, 0.0f, w, top, BAR_BACK);

    // The show from 0 to its end across the window.
    const float length = overlay.showLength > 0.0f ? overlay.showLength : 1.0f;
    auto xOf = [&](float t) { return std::round(std::min(std::max(t / length, 0.0f), 1.0f) * (w - 1.0f)); };
    rect(0.0f, top - strip, w, top, STRIP);
    if (overlay.looping) rect(xOf(overlay.loopFrom), top - strip, xOf(overlay.loopTo) + 1.0f, top, LOOP_SPAN);
    const float markWidth = std::max(1.0f, std::round(size / 12.0f));
    for (float cut : overlay.cuts) rect(xOf(cut), top - strip - 2.0f, xOf(cut) + markWidth, top + 2.0f, CUT_MARK);
    const float head = xOf(overlay.time);
    rect(head - markWidth, top - strip - 3.0f, head + 2.0f * markWidth, top + 3.0f, PLAYHEAD);

    // Text on a baseline a quarter of the size above the bottom, leaving the descenders room.
    const float baseline = std::round((textBand - size) / 2.0f + size * 0.22f);
    const float rightEdge = w - 2.0f * pad;
    const float rightWidth = widthOf(overlay.right);
    const float noteWidth = overlay.note.empty() ? 0.0f : widthOf(overlay.note) + 2.0f * pad;
    const float leftRoom = rightEdge - rightWidth - noteWidth - 2.0f * pad;
    text(2.0f * pad, baseline, fitted(overlay.left, std::max(0.0f, leftRoom - 2.0f * pad)), TEXT);
    if (!overlay.note.empty()) text(rightEdge - rightWidth - noteWidth, baseline, overlay.note, NOTE_TEXT);
    if (!overlay.right.empty()) text(rightEdge - rightWidth, baseline, overlay.right, STATE_TEXT);
}

void drawErrors(const PreviewOverlay& overlay, float w, float h)
{
    const float size = static_cast<float>(font->height);
    const float pad = std::round(size * 0.6f);
    const float lineHeight = std::round(size * 1.25f);
    const float room = w - 2.0f * pad;
    std::vector<std::string> lines{fitted(overlay.errorHeading, room)};
    for (const std::string& error : overlay.errors)
        for (const std::string& line : wrapText(error, room, widthOf)) lines.push_back(line);
    // Half the window at the most; the terminal has the rest.
    const size_t most = std::max<size_t>(2, static_cast<size_t>(h * 0.5f / lineHeight));
    if (lines.size() > most) {
        lines.resize(most);
        lines.back() = "...";
    }
    const float bottom = h - (2.0f * pad + lineHeight * static_cast<float>(lines.size()) - (lineHeight - size));
    rect(0.0f, std::floor(bottom), w, h, ERROR_BACK);
    float baseline = h - pad - size * 0.8f;
    for (size_t i = 0; i < lines.size(); ++i) {
        text(pad, std::round(baseline), lines[i], i == 0 ? ERROR_HEADING : ERROR_TEXT);
        baseline -= lineHeight;
    }
}

}  // namespace

int32_t overlayTextHeight(int32_t width, int32_t height)
{
    // The shorter of the height and a 4:3 picture's height in the width.
    const float span = std::min(static_cast<float>(height), static_cast<float>(width) * 0.75f);
    return std::min(std::max(static_cast<int32_t>(std::lround(span / 32.0f)), 11), 40);
}

std::vector<std::string> wrapText(const std::string& text, float width,
                                  const std::function<float(const std::string&)>& advance)
{
    std::vector<std::string> lines;
    std::string line;
    size_t at = 0;
    while (at < text.size()) {
        // The next word with the blanks before it.
        const size_t first = std::min(text.find_first_not_of(' ', at), text.size());
        const size_t end = std::min(text.find(' ', first), text.size());
        if (advance(line + text.substr(at, end - at)) <= width) {
            line += text.substr(at, end - at);
        } else {
            // On a line of its own, without its blanks; a word wider than
            // the line goes over several.
            if (!line.empty()) lines.push_back(line);
            line.clear();
            for (size_t i = first; i < end; ++i) {
                if (!line.empty() && advance(line + text[i]) > width) {
                    lines.push_back(line);
                    line.clear();
                }
                line += text[i];
            }
        }
        at = end;
    }
    if (!line.empty() || lines.empty()) lines.push_back(line);
    return lines;
}

void drawPreviewOverlay(const PreviewOverlay& overlay)
{
    if (!overlay.barShown && overlay.errorHeading.empty()) return;
    const int32_t size = overlayTextHeight(tr.screenWidth, tr.screenHeight);
    if (!font || font->height != size) {
        if (!font) font = memNew<BitmapFont>();
        if (font) font->create(size);
    }
    if (!font) return;

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    if (shadersAvailable) glExt.glUseProgramObjectARB(0);
    setPictureViewport(0, 0, tr.screenWidth, tr.screenHeight);
    loadPixelProjection();
    disableTextureUnits();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    const float w = static_cast<float>(tr.screenWidth), h = static_cast<float>(tr.screenHeight);
    if (overlay.barShown) drawBar(overlay, w, h);
    if (!overlay.errorHeading.empty()) drawErrors(overlay, w, h);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

void releasePreviewOverlay()
{
    memDelete(font);  // its lists go with it
    font = nullptr;
}
