#include "gl/texture_units.h"

#include "gl/gl_context.h"

void setTextureUnit(int unit, bool on, uint32_t name, TexCoords coords)
{
    const GLenum id = unit == 0 ? GL_TEXTURE0_ARB : GL_TEXTURE1_ARB;
    glExt.glActiveTextureARB(id);
    glExt.glClientActiveTextureARB(id);
    if (!on) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (coords == TexCoords::SphereMap) {
        glTexGenf(GL_S, GL_TEXTURE_GEN_MODE, static_cast<float>(GL_SPHERE_MAP));
        glTexGenf(GL_T, GL_TEXTURE_GEN_MODE, static_cast<float>(GL_SPHERE_MAP));
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    } else {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
}

void disableTextureUnits()
{
    setTextureUnit(1, false);
    setTextureUnit(0, false);
}
