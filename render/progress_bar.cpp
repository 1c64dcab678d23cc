#include "render/progress_bar.h"

#include "core/numeric.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "platform/glimp.h"
#include "gl/gl_context.h"
#include "gl/texture_units.h"

void drawProgress(int percent)
{
    const float sx = static_cast<float>(tr.screenWidth) / 400.0f;
    const float sy = static_cast<float>(tr.screenHeight) / 300.0f;
    const int fill = truncToInt32(static_cast<float>(percent) * 3.17f * sx);
    auto px = [&](float reference) { return truncToInt32(reference * sx); };
    auto py = [&](float reference) { return truncToInt32(reference * sy); };

    beginPicture();
    setPictureViewport(0, 0, tr.screenWidth, tr.screenHeight);
    loadPixelProjection();

    disableTextureUnits();
    if (shadersAvailable) glExt.glUseProgramObjectARB(0);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glColor3ub(100, 80, 60);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glBegin(GL_LINE_LOOP);
    glVertex2i(px(40), py(80));
    glVertex2i(px(360), py(80));
    glVertex2i(px(370), py(90));
    glVertex2i(px(50), py(90));
    glEnd();

    glBegin(GL_QUADS);
    glColor3ub(40, 40, 40);
    glVertex2i(px(43), py(82));
    glVertex2i(px(43) + fill, py(82));
    glColor3ub(255, 150, 100);
    glVertex2i(px(50) + fill, py(89));
    glVertex2i(px(50), py(89));
    glEnd();

    glFlush();
    GLimp_SwapBuffers();
}
