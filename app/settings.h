// The start-up settings, written only by the setup dialog (or the command
// line) and read by start-up.
#pragma once
#include <cstdint>

struct Settings {
    int32_t screenWidth = 640;   // pixels; also the window width
    int32_t screenHeight = 480;  // pixels
    uint8_t fullScreen = 0;      // 1: switch the display mode
    // The display's own resolution, which the dialog offers beside its three
    // (the picture then keeps its shape between bars); 0 when unknown.
    int32_t displayWidth = 0, displayHeight = 0;
};
