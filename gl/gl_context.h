// The OpenGL context's extension table, the check of the extensions the
// renderer requires, and the state every frame starts from.
#pragma once
#include <cstdint>

#include "gl/gl.h"

// Entry points fetched by name from the context, stored as fetched (none is
// tested for null).
struct GlExtensions {
    // GL_ARB_multitexture
    PFNGLACTIVETEXTUREARBPROC glActiveTextureARB;
    PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB;
    PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB;
    // GL_ARB_vertex_buffer_object
    PFNGLDELETEBUFFERSARBPROC glDeleteBuffersARB;
    PFNGLGENBUFFERSARBPROC glGenBuffersARB;
    PFNGLBINDBUFFERARBPROC glBindBufferARB;
    PFNGLBUFFERDATAARBPROC glBufferDataARB;
    PFNGLDRAWRANGEELEMENTSEXTPROC glDrawRangeElementsEXT;
    // GL_ARB_shading_language_100 (with the shader and program objects it implies)
    PFNGLSHADERSOURCEARBPROC glShaderSourceARB;
    PFNGLCREATESHADEROBJECTARBPROC glCreateShaderObjectARB;
    PFNGLCREATEPROGRAMOBJECTARBPROC glCreateProgramObjectARB;
    PFNGLDELETEOBJECTARBPROC glDeleteObjectARB;
    PFNGLCOMPILESHADERARBPROC glCompileShaderARB;
    PFNGLATTACHOBJECTARBPROC glAttachObjectARB;
    PFNGLLINKPROGRAMARBPROC glLinkProgramARB;
    PFNGLVALIDATEPROGRAMARBPROC glValidateProgramARB;
    PFNGLUSEPROGRAMOBJECTARBPROC glUseProgramObjectARB;
    PFNGLGETOBJECTPARAMETERIVARBPROC glGetObjectParameterivARB;
    PFNGLGETUNIFORMLOCATIONARBPROC glGetUniformLocationARB;
    PFNGLGETINFOLOGARBPROC glGetInfoLogARB;
    PFNGLUNIFORM1IARBPROC glUniform1iARB;
    PFNGLVERTEXATTRIBPOINTERARBPROC glVertexAttribPointerARB;
    PFNGLENABLEVERTEXATTRIBARRAYARBPROC glEnableVertexAttribArrayARB;
    PFNGLDISABLEVERTEXATTRIBARRAYARBPROC glDisableVertexAttribArrayARB;
    PFNGLBINDATTRIBLOCATIONARBPROC glBindAttribLocationARB;
};

extern GlExtensions glExt;
extern uint8_t shadersAvailable;  // 1 when GL_ARB_shading_language_100 is offered

// Whole-word search of the context's extension string.
bool hasExtension(const char* name);
// The same search over a given extension string (null finds nothing).
bool hasExtensionIn(const char* extensions, const char* name);

// With a context current (made by the platform layer): requires the four
// extensions, fetches the entry points and sets the starting OpenGL state.
// False at the first failure. (render/renderer.h: initRenderer.)
bool initGraphics();
// Destroys the context.
void shutdownGraphics();
