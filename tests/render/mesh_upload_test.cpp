// A Mesh's buffers on the card: what meshDevice (render/object_gl.cpp) makes
// of its vertex and index arrays.
#include "gl/gl_context.h"
#include "platform/glimp.h"
#include "render/object_gl.h"
#include "tests/mesh/mesh_fixture.h"
#include "tests/support/headless_gl.h"

class UploadTest : public MeshTest {
protected:
    void SetUp() override
    {
        if (!useHeadlessGl()) GTEST_SKIP() << "no headless OpenGL context";
        MeshTest::SetUp();
        while (glGetError() != GL_NO_ERROR) {}  // errors left by others are not ours
    }

    static bool isBuffer(GLuint name)
    {
        const auto isBufferARB = reinterpret_cast<PFNGLISBUFFERARBPROC>(GLimp_GetProcAddress("glIsBufferARB"));
        return isBufferARB(name) == GL_TRUE;
    }

    static GLint bufferSize(GLenum target, GLuint buffer)
    {
        const auto getParameter =
            reinterpret_cast<PFNGLGETBUFFERPARAMETERIVARBPROC>(GLimp_GetProcAddress("glGetBufferParameterivARB"));
        GLint size = -1;
        glExt.glBindBufferARB(target, buffer);
        getParameter(target, GL_BUFFER_SIZE_ARB, &size);
        return size;
    }
};

TEST_F(UploadTest, UploadsSixtyFourBytesPerVertexAndFourPerIndex)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Tube, {5, 2, 0, 32, 0, 0, 32});
    mesh.upload();
    ASSERT_NE(mesh.buffers.vertexBuffer, 0u);
    ASSERT_NE(mesh.buffers.indexBuffer, 0u);
    EXPECT_EQ(bufferSize(GL_ARRAY_BUFFER_ARB, mesh.buffers.vertexBuffer), 60 * 64);
    EXPECT_EQ(bufferSize(GL_ELEMENT_ARRAY_BUFFER_ARB, mesh.buffers.indexBuffer), 60 * 4);
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));

    // A second upload replaces the buffer objects; unload deletes them.
    mesh.upload();
    const GLuint vertexBuffer = mesh.buffers.vertexBuffer, indexBuffer = mesh.buffers.indexBuffer;
    EXPECT_TRUE(isBuffer(vertexBuffer));
    EXPECT_TRUE(isBuffer(indexBuffer));
    mesh.unload();
    EXPECT_EQ(mesh.buffers.vertexBuffer, 0u);
    EXPECT_EQ(mesh.buffers.indexBuffer, 0u);
    EXPECT_FALSE(isBuffer(vertexBuffer));
    EXPECT_FALSE(isBuffer(indexBuffer));
    // The arrays stay in main memory.
    EXPECT_EQ(mesh.buffers.vertexCount, 60);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(UploadTest, MeshWithoutCornersGetsEmptyBuffersAndDrawsNothing)
{
    Mesh& mesh = addMesh();
    mesh.build();
    ASSERT_NE(mesh.buffers.vertexBuffer, 0u);
    EXPECT_EQ(bufferSize(GL_ARRAY_BUFFER_ARB, mesh.buffers.vertexBuffer), 0);
    EXPECT_EQ(bufferSize(GL_ELEMENT_ARRAY_BUFFER_ARB, mesh.buffers.indexBuffer), 0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    mesh.draw();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(readPixel(320, 240).r, 0);
}
