// A headless OpenGL context for tests, made once per test program and set
// up as the show sets up its own (extensions fetched, starting state set).
#pragma once

// Makes the context current at the given size the first time it is called
// (later calls keep the first size); false when no headless context can be
// made on this machine.
bool useHeadlessGl(int width = 640, int height = 480);

// The framebuffer's pixel at (x, y), counted from the bottom left: RGBA.
struct Pixel {
    unsigned char r, g, b, a;
};
Pixel readPixel(int x, int y);
