// The start-up settings, written only by the setup dialog (or the command
// line) and read by start-up and the renderer.
#pragma once
#include <cstdint>

extern int32_t screenWidth;   // pixels; also the window width
extern int32_t screenHeight;  // pixels
extern uint8_t fullScreen;    // 1: switch the display mode
