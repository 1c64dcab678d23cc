#include <gtest/gtest.h>

#include "platform/glimp.h"
#include "gl/gl_context.h"
#include "gl/shader_program.h"
#include "mesh/material_shader.h"
#include "tests/support/headless_gl.h"

namespace {

class ShaderProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!useHeadlessGl()) GTEST_SKIP() << "no headless OpenGL";
        if (!shadersAvailable) GTEST_SKIP() << "no shading language";
    }
    void TearDown() override
    {
        releaseProgram(shader);
        unuseProgram();
    }

    static GLhandleARB currentProgram()
    {
        auto getHandle = reinterpret_cast<PFNGLGETHANDLEARBPROC>(GLimp_GetProcAddress("glGetHandleARB"));
        return getHandle(GL_PROGRAM_OBJECT_ARB);
    }
    static bool isProgram(uint32_t handle)
    {
        auto isProgramFn = reinterpret_cast<PFNGLISPROGRAMPROC>(GLimp_GetProcAddress("glIsProgram"));
        return isProgramFn(handle) == GL_TRUE;
    }
    static std::string infoLog(uint32_t handle)
    {
        char log[1024] = {};
        GLsizei length = 0;
        glExt.glGetInfoLogARB(handle, sizeof log, &length, log);
        return log;
    }
    static GLint parameter(uint32_t handle, GLenum name)
    {
        GLint value = 0;
        glExt.glGetObjectParameterivARB(handle, name, &value);
        return value;
    }

    ShaderProgram shader;
    uint8_t shaderOn = 0;
};

TEST_F(ShaderProgramTest, EveryKindCompilesAndLinksWithoutAnyLog)
{
    for (int32_t kind = 1; kind <= 4; ++kind) {
        SCOPED_TRACE(kind);
        selectShaderKind(shader, shaderOn, kind);
        ASSERT_NE(shader.program, 0u);
        EXPECT_EQ(shaderOn, 1);
        EXPECT_EQ(parameter(shader.vertexShader, GL_OBJECT_COMPILE_STATUS_ARB), GL_TRUE);
        EXPECT_EQ(parameter(shader.fragmentShader, GL_OBJECT_COMPILE_STATUS_ARB), GL_TRUE);
        EXPECT_EQ(infoLog(shader.vertexShader), "");
        EXPECT_EQ(infoLog(shader.fragmentShader), "");
        EXPECT_EQ(parameter(shader.program, GL_OBJECT_LINK_STATUS_ARB), GL_TRUE);
        EXPECT_EQ(currentProgram(), shader.program) << "a fresh build is left current";
    }
}

TEST_F(ShaderProgramTest, TangentAttributesAndSamplersAreBoundToTheirSlots)
{
    auto getAttrib = reinterpret_cast<PFNGLGETATTRIBLOCATIONARBPROC>(GLimp_GetProcAddress("glGetAttribLocationARB"));
    auto getUniform = reinterpret_cast<PFNGLGETUNIFORMIVARBPROC>(GLimp_GetProcAddress("glGetUniformivARB"));
    selectShaderKind(shader, shaderOn, static_cast<int32_t>(ShaderKind::BumpFresnel));
    EXPECT_EQ(getAttrib(shader.program, "mTangent"), 10);
    EXPECT_EQ(getAttrib(shader.program, "mBinormal"), 11);
    GLint unit = -1;
    getUniform(shader.program, glExt.glGetUniformLocationARB(shader.program, "tex0"), &unit);
    EXPECT_EQ(unit, 0);
    getUniform(shader.program, glExt.glGetUniformLocationARB(shader.program, "tex1"), &unit);
    EXPECT_EQ(unit, 1);
}

TEST_F(ShaderProgramTest, TheSameKindBuildsOnce)
{
    selectShaderKind(shader, shaderOn, 1);
    const ShaderProgram first = shader;
    unuseProgram();
    selectShaderKind(shader, shaderOn, 1);
    EXPECT_EQ(shader.program, first.program);
    EXPECT_EQ(shader.vertexShader, first.vertexShader);
    EXPECT_EQ(shader.fragmentShader, first.fragmentShader);
    EXPECT_EQ(currentProgram(), 0u) << "a rebuild would have made its program current";
    // Kinds outside the table change nothing either.
    selectShaderKind(shader, shaderOn, 5);
    selectShaderKind(shader, shaderOn, -1);
    EXPECT_EQ(shader.program, first.program);
    EXPECT_EQ(shaderOn, 1);
    EXPECT_EQ(currentProgram(), 0u);
}

TEST_F(ShaderProgramTest, KindZeroDeletesAllThreeObjectsAndABuildFollowsOnReturn)
{
    selectShaderKind(shader, shaderOn, 2);
    const uint32_t oldProgram = shader.program;
    ASSERT_TRUE(isProgram(oldProgram));
    unuseProgram();  // a current program lingers until it is replaced

    selectShaderKind(shader, shaderOn, 0);
    EXPECT_EQ(shader.program, 0u);
    EXPECT_EQ(shader.vertexShader, 0u);
    EXPECT_EQ(shader.fragmentShader, 0u);
    EXPECT_EQ(shader.vertexSource, nullptr);
    EXPECT_EQ(shader.fragmentSource, nullptr);
    EXPECT_EQ(shaderOn, 0);
    EXPECT_FALSE(isProgram(oldProgram));

    selectShaderKind(shader, shaderOn, 2);
    EXPECT_NE(shader.program, 0u);
    EXPECT_EQ(shaderOn, 1);
    EXPECT_EQ(shader.vertexSource, shaderSourcesOf(2).vertex);

    const uint32_t rebuilt = shader.program;
    unuseProgram();
    releaseProgram(shader);  // the mesh's end: objects deleted, sources forgotten
    EXPECT_EQ(shader.program | shader.vertexShader | shader.fragmentShader, 0u);
    EXPECT_EQ(shader.fragmentSource, nullptr);
    EXPECT_FALSE(isProgram(rebuilt));
}

TEST_F(ShaderProgramTest, UseBindsTheProgramOnlyWhenTheMaterialHasOne)
{
    selectShaderKind(shader, shaderOn, 1);
    unuseProgram();
    useProgram(shader.program);
    EXPECT_EQ(currentProgram(), shader.program);
    useProgram(0);
    EXPECT_EQ(currentProgram(), 0u);
    useProgram(shader.program);
    unuseProgram();
    EXPECT_EQ(currentProgram(), 0u);
}

}  // namespace
