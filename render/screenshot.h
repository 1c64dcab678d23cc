// The finished frame read back from the drawable.
#pragma once
#include <cstdint>

// width x height pixels from the bottom left, RGBA, rows bottom first.
void readFramePixels(int32_t width, int32_t height, uint8_t* rgba);
