#include "gl/gl_context.h"

#include <cstring>

#include "platform/glimp.h"

GlExtensions glExt;
uint8_t shadersAvailable = 0;

bool hasExtensionIn(const char* extensions, const char* name)
{
    if (!extensions || !name) return false;
    const size_t n = std::strlen(name);
    const char* position = extensions;
    for (;;) {
        if (std::strncmp(position, name, n) == 0 && (position[n] == '\0' || position[n] == ' ')) return true;
        const char* blank = std::strchr(position, ' ');
        if (!blank) return false;
        position = blank + 1;
    }
}

bool hasExtension(const char* name)
{
    return hasExtensionIn(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name);
}

namespace {

template <class Pointer>
void fetch(Pointer& pointer, const char* name)
{
    pointer = reinterpret_cast<Pointer>(GLimp_GetProcAddress(name));
}

}  // namespace

bool initGraphics()
{
    if (!hasExtension("GL_ARB_multitexture")) return false;
    fetch(glExt.glActiveTextureARB, "glActiveTextureARB");
    fetch(glExt.glClientActiveTextureARB, "glClientActiveTextureARB");
    fetch(glExt.glMultiTexCoord2fARB, "glMultiTexCoord2fARB");

    if (!hasExtension("GL_ARB_texture_cube_map")) return false;
    if (!hasExtension("GL_ARB_vertex_buffer_object")) return false;
    fetch(glExt.glDeleteBuffersARB, "glDeleteBuffersARB");
    fetch(glExt.glGenBuffersARB, "glGenBuffersARB");
    fetch(glExt.glBindBufferARB, "glBindBufferARB");
    fetch(glExt.glBufferDataARB, "glBufferDataARB");
    fetch(glExt.glDrawRangeElementsEXT, "glDrawRangeElementsEXT");

    if (!hasExtension("GL_EXT_separate_specular_color")) return false;

    if (hasExtension("GL_ARB_shading_language_100")) {
        fetch(glExt.glShaderSourceARB, "glShaderSourceARB");
        fetch(glExt.glCreateShaderObjectARB, "glCreateShaderObjectARB");
        fetch(glExt.glCreateProgramObjectARB, "glCreateProgramObjectARB");
        fetch(glExt.glDeleteObjectARB, "glDeleteObjectARB");
        fetch(glExt.glCompileShaderARB, "glCompileShaderARB");
        fetch(glExt.glAttachObjectARB, "glAttachObjectARB");
        fetch(glExt.glLinkProgramARB, "glLinkProgramARB");
        fetch(glExt.glValidateProgramARB, "glValidateProgramARB");
        fetch(glExt.glUseProgramObjectARB, "glUseProgramObjectARB");
        fetch(glExt.glGetObjectParameterivARB, "glGetObjectParameterivARB");
        fetch(glExt.glGetUniformLocationARB, "glGetUniformLocationARB");
        fetch(glExt.glGetInfoLogARB, "glGetInfoLogARB");
        fetch(glExt.glUniform1iARB, "glUniform1iARB");
        fetch(glExt.glVertexAttribPointerARB, "glVertexAttribPointerARB");
        fetch(glExt.glEnableVertexAttribArrayARB, "glEnableVertexAttribArrayARB");
        fetch(glExt.glDisableVertexAttribArrayARB, "glDisableVertexAttribArrayARB");
        fetch(glExt.glBindAttribLocationARB, "glBindAttribLocationARB");
        shadersAvailable = 1;
    } else {
        shadersAvailable = 0;
    }

    glClearColor(0.9f, 0.87f, 0.86f, 1.0f);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    return true;
}

void shutdownGraphics() { GLimp_DestroyContext(); }
