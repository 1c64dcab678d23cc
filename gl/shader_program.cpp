#include "gl/shader_program.h"

#include <cstring>

#include "platform/glimp.h"
#include "gl/gl_context.h"

namespace {

constexpr uint32_t LOG_BUFFER_SIZE = 1024;
// Generic attribute locations of the per-vertex tangent frame that meshes supply.
constexpr GLuint TANGENT_LOCATION = 10;
constexpr GLuint BINORMAL_LOCATION = 11;

void deleteObject(uint32_t& handle)
{
    if (handle != 0) glExt.glDeleteObjectARB(handle);
    handle = 0;
}

}  // namespace

bool reportCompileLog(uint32_t shaderObject)
{
    GLint status = 0;
    glExt.glGetObjectParameterivARB(shaderObject, GL_OBJECT_COMPILE_STATUS_ARB, &status);
    char log[LOG_BUFFER_SIZE] = {};
    GLsizei length = 0;
    glExt.glGetInfoLogARB(shaderObject, LOG_BUFFER_SIZE, &length, log);
    log[LOG_BUFFER_SIZE - 1] = '\0';
    if (log[0] == '\0') return false;
    Sys_MessageBox("GLSL compile log", log);
    return true;
}

void buildProgram(ProgramObjects& shader, const char* vertexSource, const char* fragmentSource)
{
    deleteObject(shader.fragmentShader);
    deleteObject(shader.vertexShader);
    deleteObject(shader.program);
    if (!vertexSource || !fragmentSource) return;

    shader.program = glExt.glCreateProgramObjectARB();
    shader.vertexShader = glExt.glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
    shader.fragmentShader = glExt.glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);

    glExt.glBindAttribLocationARB(shader.program, TANGENT_LOCATION, "mTangent");
    glExt.glBindAttribLocationARB(shader.program, BINORMAL_LOCATION, "mBinormal");

    const GLint vertexLength = static_cast<GLint>(std::strlen(vertexSource));
    const GLint fragmentLength = static_cast<GLint>(std::strlen(fragmentSource));
    glExt.glShaderSourceARB(shader.vertexShader, 1, &vertexSource, &vertexLength);
    glExt.glShaderSourceARB(shader.fragmentShader, 1, &fragmentSource, &fragmentLength);

    glExt.glCompileShaderARB(shader.vertexShader);
    reportCompileLog(shader.vertexShader);
    glExt.glCompileShaderARB(shader.fragmentShader);
    reportCompileLog(shader.fragmentShader);

    glExt.glAttachObjectARB(shader.program, shader.vertexShader);
    glExt.glAttachObjectARB(shader.program, shader.fragmentShader);
    glExt.glLinkProgramARB(shader.program);
    glExt.glValidateProgramARB(shader.program);
    glExt.glUseProgramObjectARB(shader.program);

    glExt.glUniform1iARB(glExt.glGetUniformLocationARB(shader.program, "tex0"), 0);
    glExt.glUniform1iARB(glExt.glGetUniformLocationARB(shader.program, "tex1"), 1);
}

void useProgram(uint32_t program)
{
    if (!shadersAvailable) return;
    glExt.glUseProgramObjectARB(program);
}

void unuseProgram()
{
    if (!shadersAvailable) return;
    glExt.glUseProgramObjectARB(0);
}

void deleteProgram(ProgramObjects& shader)
{
    // Objects are non-zero only when the shading language built them.
    deleteObject(shader.program);
    deleteObject(shader.vertexShader);
    deleteObject(shader.fragmentShader);
}
