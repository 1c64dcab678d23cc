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

bool initVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

SDL_Window* createGlWindow(int width, int height, int depthBits)
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SHOWN;
    if (fullScreenRequested) flags |= SDL_WINDOW_FULLSCREEN;
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

void GLimp_RestoreDisplayMode()
{
    if (window && fullScreenRequested) SDL_SetWindowFullscreen(window, 0);
    fullScreenRequested = false;
}

void GLimp_ShowCursor(bool show)
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool GLimp_CreateWindow(int width, int height)
{
    if (!initVideo()) return false;
    // 32 depth bits as asked for, or the 24 that most drivers offer.
    window = createGlWindow(width, height, 32);
    if (window) {
        context = SDL_GL_CreateContext(window);
        if (!context) {
            SDL_DestroyWindow(window);
            window = nullptr;
        }
    }
    if (!window) {
        window = createGlWindow(width, height, 24);
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
    // Nothing else needs handling: a close or quit request does not end the
    // show; only Escape and the end of the show do.
    return true;
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
