#include "gl/texture_units.h"

#include "gl/gl_context.h"

void setTextureUnits(bool unit0On, bool unit1On)
{
    glExt.glActiveTextureARB(GL_TEXTURE1_ARB);
    glExt.glClientActiveTextureARB(GL_TEXTURE1_ARB);
    if (unit1On) glEnable(GL_TEXTURE_2D);
    else glDisable(GL_TEXTURE_2D);
    glExt.glActiveTextureARB(GL_TEXTURE0_ARB);
    glExt.glClientActiveTextureARB(GL_TEXTURE0_ARB);
    if (unit0On) glEnable(GL_TEXTURE_2D);
    else glDisable(GL_TEXTURE_2D);
}
