// The graphics platform boundary: the one output window with its OpenGL
// context (SDL2), or a headless context of the same kind (EGL on Mesa's
// surfaceless platform) for tests and captures; display mode, cursor,
// window events, the Escape key and the message box.
#pragma once

// Full screen: asks for the display mode width x height at 32 bits per
// pixel for the window created next. False when the display has no such
// mode; the window is then created windowed at that size.
bool GLimp_ChangeDisplayMode(int width, int height);
// The desktop's own display mode; false (and 0 x 0) without a display.
bool GLimp_DisplaySize(int& width, int& height);
// Restores the display mode (whether or not it was changed).
void GLimp_RestoreDisplayMode();
void GLimp_ShowCursor(bool show);

// A borderless top-most window at (0, 0) of the given size, with a
// double-buffered desktop OpenGL compatibility context made current.
bool GLimp_CreateWindow(int width, int height);
// A normal window with a title bar, for authoring: same context as above.
bool GLimp_CreateTitledWindow(int width, int height);
void GLimp_SetWindowTitle(const char* title);
// A headless context with a width x height default framebuffer, made current.
bool GLimp_CreateHeadless(int width, int height);
bool GLimp_IsHeadless();

// Entry points are fetched by name from the current context.
void* GLimp_GetProcAddress(const char* name);
void GLimp_SwapBuffers();

// Takes one pending window event and handles it; false when none is pending.
bool GLimp_DispatchMessage();
// Escape is down now, or was pressed since the last query.
bool GLimp_EscapeState();

// The keys that steer a preview, pressed since the last query, oldest first
// (a few are kept; the show itself never asks). The frame steps repeat while
// held; the digits are those of the main row or the keypad, in order.
enum class KeyPress {
    None, Space, Left, Right, Home,
    Comma, Period,              // a frame back, a frame on
    PageUp, PageDown,           // the previous, the next bar
    LeftBracket, RightBracket,  // the previous, the next scene
    L, Tab,                     // loop the scene, the status bar
    Digit0, Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9,
};
KeyPress GLimp_TakeKeyPress();
// The window's close button or a quit request was seen since the last query.
bool GLimp_CloseRequested();

// Releases the context; then the window.
void GLimp_DestroyContext();
void GLimp_DestroyWindow();

// A modal message box with one OK button; headless, the text goes to stderr.
void Sys_MessageBox(const char* caption, const char* text);
