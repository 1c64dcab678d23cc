#include "render/frame.h"

#include "core/settings.h"
#include "core/timeline.h"
#include "platform/glimp.h"
#include "render/gl_context.h"

void renderFrame()
{
    glViewport(0, 0, screenWidth, screenHeight);
    glColor3f(1.0f, 1.0f, 1.0f);
    // -1, or an index at or past the number of Scenes, means no Scene: the
    // back buffer is presented as it is.
    ProjectObject* scene = (theRegistry && theTimeline)
                               ? theRegistry->at(SectionKind::Scene, theTimeline->sceneIndex)
                               : nullptr;
    (void)scene;
    glFlush();
    GLimp_SwapBuffers();
}
