#include "tests/support/headless_gl.h"

#include <cstdlib>

#include "gl/gl.h"
#include "platform/glimp.h"
#include "render/render_state.h"

bool useHeadlessGl(int width, int height)
{
    static int state = 0;  // 0 untried, 1 ready, -1 unavailable
    if (state == 0) {
        state = GLimp_CreateHeadless(width, height) && initRenderer(width, height) ? 1 : -1;
        // The context ends with the program, as the show ends its own: leak
        // checkers then see only what the driver itself keeps.
        if (state == 1) std::atexit(shutdownRenderer);
    }
    return state == 1;
}

Pixel readPixel(int x, int y)
{
    Pixel pixel{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}
