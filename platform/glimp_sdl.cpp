// The output window: SDL2 video with a desktop OpenGL compatibility context.
#include <SDL.h>

#include <cstdio>

#include "platform/glimp.h"
#include "platform/glimp_backend.h"

namespace {

enum class Backend { None, Window, Headless };

Backend backend = Backend::None;
SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
bool fullScreenRequested = false;
SDL_DisplayMode fullScreenMode{};
bool escapePressed = false;  // since the last GLimp_EscapeState
bool closeRequested = false;  // since the last GLimp_CloseRequested

// A short queue: keys beyond it are dropped until someone asks.
constexpr int KEY_QUEUE_SIZE = 16;
KeyPress keyQueue[KEY_QUEUE_SIZE];
int keyQueueStart = 0, keyQueueCount = 0;

KeyPress keyFor(SDL_Keycode code)
{
    if (code >= SDLK_0 && code <= SDLK_9) return static_cast<KeyPress>(static_cast<int>(KeyPress::Digit0) + (code - SDLK_0));
    if (code >= SDLK_KP_1 && code <= SDLK_KP_9)
        return static_cast<KeyPress>(static_cast<int>(KeyPress::Digit1) + (code - SDLK_KP_1));
    switch (code) {
    case SDLK_SPACE: return KeyPress::Space;
    case SDLK_LEFT: return KeyPress::Left;
    case SDLK_RIGHT: return KeyPress::Right;
    case SDLK_HOME: return KeyPress::Home;
    case SDLK_COMMA: return KeyPress::Comma;
    case SDLK_PERIOD: return KeyPress::Period;
    case SDLK_PAGEUP: return KeyPress::PageUp;
    case SDLK_PAGEDOWN: return KeyPress::PageDown;
    case SDLK_LEFTBRACKET: return KeyPress::LeftBracket;
    case SDLK_RIGHTBRACKET: return KeyPress::RightBracket;
    case SDLK_l: return KeyPress::L;
    case SDLK_TAB: return KeyPress::Tab;
    case SDLK_KP_0: return KeyPress::Digit0;
    default: return KeyPress::None;
    }
}

void queueKey(SDL_Keycode code, bool repeated)
{
    const KeyPress key = keyFor(code);
    if (key == KeyPress::None) return;
    if (repeated && key != KeyPress::Comma && key != KeyPress::Period) return;
    if (keyQueueCount == KEY_QUEUE_SIZE) return;
    keyQueue[(keyQueueStart + keyQueueCount++) % KEY_QUEUE_SIZE] = key;
}

bool initVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

SDL_Window* createGlWindow(int width, int height, int depthBits, bool titled)
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (!titled) flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP;
    if (fullScreenRequested) flags |= SDL_WINDOW_FULLSCREEN;
    if (titled) return SDL_CreateWindow("show", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    return SDL_CreateWindow("", 0, 0, width, height, flags);
}

}  // namespace

bool GLimp_ChangeDisplayMode(int width, int height)
{
    if (!initVideo()) return false;
    SDL_DisplayMode wanted{};
    wanted.format = SDL_PIXELFORMAT_RGB888;
    wanted.w = width;
    wanted.h = height;
    SDL_DisplayMode closest{};
    if (!SDL_GetClosestDisplayMode(0, &wanted, &closest) || closest.w != width || closest.h != height) return false;
    fullScreenMode = closest;
    fullScreenRequested = true;
    return true;
}

bool GLimp_DisplaySize(int& width, int& height)
{
    width = height = 0;
    SDL_DisplayMode mode{};
    if (!initVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    width = mode.w;
    height = mode.h;
    return true;
}

void GLimp_RestoreDisplayMode()
{
    if (window && fullScreenRequested) SDL_SetWindowFullscreen(window, 0);
    fullScreenRequested = false;
}

void GLimp_ShowCursor(bool show)
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

namespace {

bool createWindowWithContext(int width, int height, bool titled)
{
    if (!initVideo()) return false;
    // 32 depth bits as asked for, or the 24 that most drivers offer.
    window = createGlWindow(width, height, 32, titled);
    if (window) {
        context = SDL_GL_CreateContext(window);
        if (!context) {
            SDL_DestroyWindow(window);
            window = nullptr;
        }
    }
    if (!window) {
        window = createGlWindow(width, height, 24, titled);
        if (!window) return false;
        context = SDL_GL_CreateContext(window);
        if (!context) return false;
    }
    if (fullScreenRequested) SDL_SetWindowDisplayMode(window, &fullScreenMode);
    if (SDL_GL_MakeCurrent(window, context) != 0) return false;
    SDL_RaiseWindow(window);
    backend = Backend::Window;
    return true;
}

}  // namespace

bool GLimp_CreateWindow(int width, int height) { return createWindowWithContext(width, height, false); }

bool GLimp_CreateTitledWindow(int width, int height) { return createWindowWithContext(width, height, true); }

void GLimp_SetWindowTitle(const char* title)
{
    if (window) SDL_SetWindowTitle(window, title);
}

bool GLimp_CreateHeadless(int width, int height)
{
    if (!EGLimp_Create(width, height)) return false;
    backend = Backend::Headless;
    return true;
}

bool GLimp_IsHeadless() { return backend == Backend::Headless; }

void* GLimp_GetProcAddress(const char* name)
{
    switch (backend) {
    case Backend::Window: return SDL_GL_GetProcAddress(name);
    case Backend::Headless: return EGLimp_GetProcAddress(name);
    default: return nullptr;
    }
}

void GLimp_SwapBuffers()
{
    if (backend == Backend::Window) SDL_GL_SwapWindow(window);
}

bool GLimp_DispatchMessage()
{
    if (backend != Backend::Window) return false;
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return false;
    if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) escapePressed = true;
    if (event.type == SDL_KEYDOWN) queueKey(event.key.keysym.sym, event.key.repeat != 0);
    // Recorded for those who ask: the show itself does not end on a close or
    // quit request; only Escape and the end of the show end it.
    if (event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE))
        closeRequested = true;
    return true;
}

KeyPress GLimp_TakeKeyPress()
{
    if (keyQueueCount == 0) return KeyPress::None;
    const KeyPress key = keyQueue[keyQueueStart];
    keyQueueStart = (keyQueueStart + 1) % KEY_QUEUE_SIZE;
    --keyQueueCount;
    return key;
}

bool GLimp_CloseRequested()
{
    const bool result = closeRequested;
    closeRequested = false;
    return result;
}

bool GLimp_EscapeState()
{
    if (backend != Backend::Window) return false;
    SDL_PumpEvents();
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    const bool down = keys && keys[SDL_SCANCODE_ESCAPE];
    const bool result = down || escapePressed;
    escapePressed = false;
    return result;
}

void GLimp_DestroyContext()
{
    if (backend == Backend::Headless) {
        EGLimp_Destroy();
    } else if (context) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
        context = nullptr;
    }
    backend = Backend::None;
}

void GLimp_DestroyWindow()
{
    if (window) SDL_DestroyWindow(window);
    window = nullptr;
}

void Sys_MessageBox(const char* caption, const char* text)
{
    if (backend == Backend::Window &&
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, nullptr) == 0)
        return;
    std::fprintf(stderr, "%s: %s\n", caption, text);
}
