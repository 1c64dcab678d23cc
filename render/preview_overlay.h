// What the preview lays over its picture, after the frame and before it is
// shown: a thin status bar at the bottom (a strip of the show with a mark
// per cut, then the time, bar, scene and state), and at the top the errors
// of the files that failed to load. None of it is part of the frame:
// captures never draw it.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct PreviewOverlay {
    bool barShown = true;
    std::string left;   // time, bar and beat, scene
    std::string note;   // what a key could not do, in its own colour
    std::string right;  // paused, loop, channels
    float time = 0.0f, showLength = 122.0f;
    std::vector<float> cuts;
    bool looping = false;
    float loopFrom = 0.0f, loopTo = 0.0f;
    std::string errorHeading;         // empty: no errors
    std::vector<std::string> errors;  // one message each, wrapped to the window
};

// Drawn at window pixels over whatever is drawn; every OpenGL state the next
// frame reads is left as it was.
void drawPreviewOverlay(const PreviewOverlay& overlay);
// The overlay's font, before the context goes.
void releasePreviewOverlay();

// Pixel height of the overlay's text in a window: 15 at 640 x 480, 24 at
// 1024 x 768.
int32_t overlayTextHeight(int32_t width, int32_t height);
// `text` cut into lines at most `width` pixels wide by `advance`, at blanks
// where it has them.
std::vector<std::string> wrapText(const std::string& text, float width,
                                  const std::function<float(const std::string&)>& advance);
