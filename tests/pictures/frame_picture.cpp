// Draws one frame of a project source headless and writes it beside the
// frame's 128 x 128 glow source, as the glow texture holds it after the
// frame (read back from the card, not drawn again), magnified three times
// pixel for pixel. The picture in docs/authoring.md is made with it:
//   build/tests/frame_picture docs/frame.proj 2 docs/frame.png
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/frame_capture.h"
#include "app/show_session.h"
#include "authoring/project_source.h"
#include "gl/gl.h"
#include "platform/png_file.h"
#include "render/render_state.h"
#include "texture/texture.h"
#include "tests/support/headless_gl.h"
#include "tests/support/loaded_show.h"

namespace {

constexpr int WIDTH = 640, HEIGHT = 480;
constexpr int GLOW = 128, ZOOM = 3, GAP = 16;
constexpr double FPS = 60.0;

int fail(const std::string& message)
{
    std::fprintf(stderr, "frame_picture: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::printf("usage: frame_picture SOURCE.proj SECONDS OUT.png\n"
                    "  draws the frame at SECONDS (%dx%d, frames at %g per second from 0, the frame\n"
                    "  show --render writes) and writes it beside its 128 x 128 glow source, magnified %d times\n",
                    WIDTH, HEIGHT, FPS, ZOOM);
        return argc == 1 ? 0 : 2;
    }
    std::ifstream in(argv[1]);
    if (!in) return fail(std::string("cannot read ") + argv[1]);
    std::stringstream text;
    text << in.rdbuf();
    char* end = nullptr;
    const double seconds = std::strtod(argv[2], &end);
    if (*end != '\0' || !(seconds >= 0.0)) return fail(std::string("bad time '") + argv[2] + "'");

    ProjectBuilder project;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!parseProjectSource(text.str(), argv[1], project, error) || !project.write(bytes, error)) return fail(error);
    if (!useHeadlessGl(WIDTH, HEIGHT)) return fail("no headless OpenGL");
    LoadedShow show(bytes.data(), bytes.size());
    if (!show.error.empty()) return fail(show.error);

    // The capture's own stepping: every frame up to the one wanted is drawn,
    // so the frame is the one --render writes for that time.
    Show steps{&show.registry, &show.timeline};
    const FrameSpan span(FPS, seconds, seconds + 1.0 / FPS);
    std::vector<uint8_t> frame;
    bool failed = false;
    captureFrames(steps, span, [&](long) {
        readFrame(WIDTH, HEIGHT, frame);
        return false;  // the one frame is enough
    }, failed);
    if (frame.empty()) return fail("the show ends before that time");
    std::vector<uint8_t> glow(GLOW * GLOW * 4);
    if (!tr.glowTexture) return fail("no glow texture");
    glBindTexture(GL_TEXTURE_2D, tr.glowTexture->glTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, glow.data());

    const int width = WIDTH + GAP + GLOW * ZOOM;
    std::vector<uint8_t> picture(static_cast<size_t>(width) * HEIGHT * 4, 0);
    for (size_t i = 3; i < picture.size(); i += 4) picture[i] = 255;
    for (int y = 0; y < HEIGHT; ++y)
        std::copy_n(&frame[static_cast<size_t>(y) * WIDTH * 4], WIDTH * 4, &picture[static_cast<size_t>(y) * width * 4]);
    // The texture's first row is the bottom of the frame it was copied from.
    const int top = (HEIGHT - GLOW * ZOOM) / 2;
    for (int y = 0; y < GLOW * ZOOM; ++y)
        for (int x = 0; x < GLOW * ZOOM; ++x) {
            const uint8_t* texel = &glow[(static_cast<size_t>(GLOW - 1 - y / ZOOM) * GLOW + x / ZOOM) * 4];
            uint8_t* pixel = &picture[(static_cast<size_t>(top + y) * width + WIDTH + GAP + x) * 4];
            std::copy_n(texel, 3, pixel);
        }
    if (!Sys_WritePng(argv[3], width, HEIGHT, picture.data(), width * 4, &error)) return fail(error);
    std::printf("wrote %s: the frame at %g s and its glow source\n", argv[3], span.seconds(span.first));
    return 0;
}
