// Draws a dialog template in a small SDL window of its own, software
// rendered, in the grey of a classic dialog box, and feeds its procedure.
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/dialog.h"
#include "platform/font.h"

namespace {

constexpr int PIXELS_PER_UNIT_X = 2;
constexpr int PIXELS_PER_UNIT_Y = 2;
constexpr int TEXT_PIXELS = 13;

struct Rgb {
    uint8_t r, g, b;
};
constexpr Rgb FACE = {212, 208, 200};
constexpr Rgb SHADOW = {128, 128, 128};
constexpr Rgb HIGHLIGHT = {255, 255, 255};
constexpr Rgb BLACK = {0, 0, 0};
constexpr Rgb WHITE = {255, 255, 255};

struct Canvas {
    SDL_Surface* surface;
    FontFace* font;

    void pixel(int x, int y, Rgb c, int alpha = 255)
    {
        if (x < 0 || y < 0 || x >= surface->w || y >= surface->h) return;
        uint32_t* p = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch) + x;
        uint8_t r, g, b;
        SDL_GetRGB(*p, surface->format, &r, &g, &b);
        r = static_cast<uint8_t>((c.r * alpha + r * (255 - alpha)) / 255);
        g = static_cast<uint8_t>((c.g * alpha + g * (255 - alpha)) / 255);
        b = static_cast<uint8_t>((c.b * alpha + b * (255 - alpha)) / 255);
        *p = SDL_MapRGB(surface->format, r, g, b);
    }
    void fill(int x, int y, int w, int h, Rgb c)
    {
        SDL_Rect rect = {x, y, w, h};
        SDL_FillRect(surface, &rect, SDL_MapRGB(surface->format, c.r, c.g, c.b));
    }
    void hline(int x0, int x1, int y, Rgb c) { fill(x0, y, x1 - x0 + 1, 1, c); }
    void vline(int x, int y0, int y1, Rgb c) { fill(x, y0, 1, y1 - y0 + 1, c); }
    void frame(int x, int y, int w, int h, Rgb topLeft, Rgb bottomRight)
    {
        hline(x, x + w - 1, y, topLeft);
        vline(x, y, y + h - 1, topLeft);
        hline(x, x + w - 1, y + h - 1, bottomRight);
        vline(x + w - 1, y, y + h - 1, bottomRight);
    }
    void dottedFrame(int x, int y, int w, int h)
    {
        for (int i = x; i < x + w; i += 2) {
            pixel(i, y, BLACK);
            pixel(i, y + h - 1, BLACK);
        }
        for (int j = y; j < y + h; j += 2) {
            pixel(x, j, BLACK);
            pixel(x + w - 1, j, BLACK);
        }
    }
    int textWidth(const char* text)
    {
        float width = 0;
        GlyphBitmap glyph;
        for (const char* c = text; *c; ++c)
            if (Font_RenderGlyph(font, TEXT_PIXELS, static_cast<uint8_t>(*c), &glyph)) width += glyph.advance;
        return static_cast<int>(std::lround(width));
    }
    // Draws text with its line box's top at y; returns the width drawn.
    void text(int x, int y, const char* text, Rgb c)
    {
        float ascender, descender;
        Font_LineMetrics(font, TEXT_PIXELS, &ascender, &descender);
        float pen = static_cast<float>(x);
        const int baseline = y + static_cast<int>(std::lround(ascender));
        GlyphBitmap glyph;
        for (const char* ch = text; *ch; ++ch) {
            if (!Font_RenderGlyph(font, TEXT_PIXELS, static_cast<uint8_t>(*ch), &glyph)) continue;
            const int left = static_cast<int>(std::lround(pen)) + glyph.left;
            for (int row = 0; row < glyph.rows; ++row)
                for (int col = 0; col < glyph.width; ++col) {
                    const int coverage = glyph.buffer[row * glyph.pitch + col];
                    if (coverage) pixel(left + col, baseline - glyph.top + row, c, coverage);
                }
            pen += glyph.advance;
        }
    }
};

struct Layout {
    int x, y, w, h;
};

Layout layoutOf(const DialogControl& control)
{
    return {control.x * PIXELS_PER_UNIT_X, control.y * PIXELS_PER_UNIT_Y, control.width * PIXELS_PER_UNIT_X,
            control.height * PIXELS_PER_UNIT_Y};
}

class DialogWindow {
public:
    DialogWindow(const DialogTemplate& t, DialogProc proc, DialogState& state) : t_(t), proc_(proc), state_(state)
    {
        for (int i = 0; i < t.controlCount; ++i)
            if (t.controls[i].tabStop) {
                focus_ = i;
                break;
            }
        for (int i = 0; i < t.controlCount; ++i)
            if (t.controls[i].kind == DialogControlKind::DefaultButton) focus_ = i;
    }

    void draw(Canvas& canvas)
    {
        SDL_Surface* s = canvas.surface;
        canvas.fill(0, 0, s->w, s->h, FACE);
        canvas.frame(0, 0, s->w, s->h, BLACK, BLACK);
        for (int i = 0; i < t_.controlCount; ++i) drawControl(canvas, i);
    }

    // Returns true when the dialog has ended.
    bool handle(const SDL_Event& event)
    {
        switch (event.type) {
        case SDL_QUIT: send(DialogMessage::Close, -1); break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) send(DialogMessage::Close, -1);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT) pressed_ = hit(event.button.x, event.button.y);
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT) {
                const int control = hit(event.button.x, event.button.y);
                if (control >= 0 && control == pressed_) activate(control);
                pressed_ = -1;
            }
            break;
        case SDL_KEYDOWN: key(event.key.keysym); break;
        default: break;
        }
        return state_.ended;
    }

private:
    void send(DialogMessage message, int id) { proc_(state_, message, id); }

    int hit(int x, int y) const
    {
        for (int i = 0; i < t_.controlCount; ++i) {
            const DialogControl& c = t_.controls[i];
            if (c.kind == DialogControlKind::Label || c.kind == DialogControlKind::GroupBox) continue;
            const Layout l = layoutOf(c);
            if (x >= l.x && x < l.x + l.w && y >= l.y && y < l.y + l.h) return i;
        }
        return -1;
    }

    void activate(int index)
    {
        const DialogControl& c = t_.controls[index];
        if (c.kind == DialogControlKind::CheckBox) {
            state_.checked[index] = !state_.checked[index];
        } else if (c.kind == DialogControlKind::RadioButton) {
            for (int i = 0; i < t_.controlCount; ++i)
                if (t_.controls[i].kind == DialogControlKind::RadioButton) state_.checked[i] = (i == index);
        }
        if (c.tabStop) focus_ = index;
        send(DialogMessage::Command, c.id);
    }

    void key(const SDL_Keysym& key)
    {
        switch (key.sym) {
        case SDLK_ESCAPE: send(DialogMessage::Command, DIALOG_CANCEL_COMMAND); break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: {
            int target = focus_;
            if (target < 0 || t_.controls[target].kind != DialogControlKind::PushButton)
                target = findKind(DialogControlKind::DefaultButton);
            if (target >= 0) activate(target);
            break;
        }
        case SDLK_SPACE:
            if (focus_ >= 0) activate(focus_);
            break;
        case SDLK_TAB: moveFocus((key.mod & KMOD_SHIFT) ? -1 : 1); break;
        case SDLK_UP:
        case SDLK_LEFT: moveRadio(-1); break;
        case SDLK_DOWN:
        case SDLK_RIGHT: moveRadio(1); break;
        default: break;
        }
    }

    int findKind(DialogControlKind kind) const
    {
        for (int i = 0; i < t_.controlCount; ++i)
            if (t_.controls[i].kind == kind) return i;
        return -1;
    }

    void moveFocus(int step)
    {
        for (int n = 1; n <= t_.controlCount; ++n) {
            const int i = ((focus_ + step * n) % t_.controlCount + t_.controlCount) % t_.controlCount;
            if (t_.controls[i].tabStop) {
                focus_ = i;
                return;
            }
        }
    }

    void moveRadio(int step)
    {
        int radios[DIALOG_MAX_CONTROLS];
        int count = 0, current = 0;
        for (int i = 0; i < t_.controlCount; ++i)
            if (t_.controls[i].kind == DialogControlKind::RadioButton) {
                if (state_.checked[i]) current = count;
                radios[count++] = i;
            }
        if (count == 0) return;
        activate(radios[std::clamp(current + step, 0, count - 1)]);
    }

    void drawControl(Canvas& canvas, int index)
    {
        const DialogControl& c = t_.controls[index];
        const Layout l = layoutOf(c);
        const bool checked = state_.checked[index];
        const int textY = l.y + (l.h - TEXT_PIXELS - 3) / 2;
        switch (c.kind) {
        case DialogControlKind::Label: {
            canvas.frame(l.x, l.y, l.w, l.h, SHADOW, HIGHLIGHT);
            const int w = canvas.textWidth(c.text);
            canvas.text(l.x + (l.w - w) / 2, textY, c.text, BLACK);
            break;
        }
        case DialogControlKind::GroupBox: {
            const int lineY = l.y + TEXT_PIXELS / 2;
            canvas.frame(l.x, lineY, l.w, l.h - TEXT_PIXELS / 2, SHADOW, SHADOW);
            canvas.frame(l.x + 1, lineY + 1, l.w - 2, l.h - TEXT_PIXELS / 2 - 2, HIGHLIGHT, HIGHLIGHT);
            const int w = canvas.textWidth(c.text);
            canvas.fill(l.x + 7, l.y, w + 4, TEXT_PIXELS + 2, FACE);
            canvas.text(l.x + 9, l.y - 1, c.text, BLACK);
            break;
        }
        case DialogControlKind::CheckBox:
        case DialogControlKind::RadioButton: {
            const int box = 13;
            const int bx = l.x, by = l.y + (l.h - box) / 2;
            if (c.kind == DialogControlKind::CheckBox) {
                canvas.fill(bx, by, box, box, WHITE);
                canvas.frame(bx, by, box, box, SHADOW, HIGHLIGHT);
                if (checked)
                    for (int i = 0; i < 7; ++i) {
                        const int yy = by + 3 + (i < 3 ? 2 + i : 6 - i + 2);
                        canvas.vline(bx + 3 + i, yy, yy + 2, BLACK);
                    }
            } else {
                const float r = box / 2.0f, cx = bx + r, cy = by + r;
                for (int yy = 0; yy < box; ++yy)
                    for (int xx = 0; xx < box; ++xx) {
                        const float d = std::hypot(xx + 0.5f - r, yy + 0.5f - r);
                        if (d < r - 1.0f) canvas.pixel(bx + xx, by + yy, WHITE);
                        else if (d < r) canvas.pixel(bx + xx, by + yy, yy + xx < box ? SHADOW : HIGHLIGHT);
                        if (checked && std::hypot(bx + xx + 0.5f - cx, by + yy + 0.5f - cy) < 2.6f)
                            canvas.pixel(bx + xx, by + yy, BLACK);
                    }
            }
            canvas.text(bx + box + 5, textY, c.text, BLACK);
            if (index == focus_) canvas.dottedFrame(bx + box + 3, textY, canvas.textWidth(c.text) + 4, TEXT_PIXELS + 4);
            break;
        }
        case DialogControlKind::DefaultButton:
        case DialogControlKind::PushButton: {
            const bool isDefault = c.kind == DialogControlKind::DefaultButton;
            canvas.frame(l.x, l.y, l.w, l.h, BLACK, BLACK);
            if (isDefault) canvas.frame(l.x + 1, l.y + 1, l.w - 2, l.h - 2, BLACK, BLACK);
            const int w = canvas.textWidth(c.text);
            canvas.text(l.x + (l.w - w) / 2, textY, c.text, BLACK);
            if (index == focus_) canvas.dottedFrame(l.x + 3, l.y + 3, l.w - 6, l.h - 6);
            break;
        }
        }
    }

    const DialogTemplate& t_;
    DialogProc proc_;
    DialogState& state_;
    int focus_ = -1;
    int pressed_ = -1;
};

}  // namespace

intptr_t Sys_RunDialog(const DialogTemplate& dialogTemplate, DialogProc proc, void* context)
{
    if (dialogTemplate.controlCount > DIALOG_MAX_CONTROLS) return -1;
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return -1;
    FontFace* font = Font_Open(dialogTemplate.fontData, dialogTemplate.fontSize);
    if (!font) return -1;
    SDL_Window* window = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          dialogTemplate.width * PIXELS_PER_UNIT_X,
                                          dialogTemplate.height * PIXELS_PER_UNIT_Y, SDL_WINDOW_BORDERLESS);
    if (!window) {
        Font_Close(font);
        return -1;
    }
    DialogState state;
    state.dialogTemplate = &dialogTemplate;
    state.context = context;
    DialogWindow dialog(dialogTemplate, proc, state);
    proc(state, DialogMessage::InitDialog, -1);
    SDL_RaiseWindow(window);

    bool ended = state.ended;
    while (!ended) {
        SDL_Surface* surface = SDL_GetWindowSurface(window);
        if (!surface) break;
        if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
        Canvas canvas{surface, font};
        dialog.draw(canvas);
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
        SDL_UpdateWindowSurface(window);
        SDL_Event event;
        if (!SDL_WaitEvent(&event)) break;
        ended = dialog.handle(event);
        while (!ended && SDL_PollEvent(&event)) ended = dialog.handle(event);
    }
    SDL_DestroyWindow(window);
    Font_Close(font);
    // Let the window manager take the dialog away before the show's window opens.
    SDL_PumpEvents();
    return state.ended ? state.result : -1;
}
