#include "render/object_gl.h"

#include <cstring>

#include "gl/gl_context.h"
#include "gl/shader_program.h"
#include "gl/texture_units.h"
#include "mesh/mesh.h"
#include "render/mesh_text.h"
#include "render/render_state.h"
#include "scene/light.h"
#include "scene/particle_system.h"
#include "scene/scene.h"
#include "texture/texture.h"

static_assert(FOG_LINEAR == GL_LINEAR && FOG_EXP == GL_EXP && FOG_EXP2 == GL_EXP2, "the Scene's fog modes are OpenGL's");

namespace {

const void* bufferOffset(size_t bytes) { return reinterpret_cast<const void*>(bytes); }

void rotateXYZ(Vec3 degrees)
{
    glRotatef(degrees.x, 1.0f, 0.0f, 0.0f);
    glRotatef(degrees.y, 0.0f, 1.0f, 0.0f);
    glRotatef(degrees.z, 0.0f, 0.0f, 1.0f);
}

void applyTransformAt(const Mesh& mesh, int depth)
{
    if (mesh.parent && depth < MESH_MAX_PARENT_DEPTH) applyTransformAt(*mesh.parent, depth + 1);
    glTranslatef(mesh.position.x, mesh.position.y, mesh.position.z);
    rotateXYZ(mesh.rotation);
    glScalef(mesh.scale.x, mesh.scale.y, mesh.scale.z);
}

void uploadTexture(Texture& texture)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    texture.glTexture = name;
    glBindTexture(GL_TEXTURE_2D, texture.glTexture);
    // The mipmaps are generated but never sampled: minification is plain linear.
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, texture.size, texture.size, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                 texture.pixels);
}

void unloadTexture(Texture& texture)
{
    const GLuint name = texture.glTexture;
    glDeleteTextures(1, &name);
}

void unloadMesh(Mesh& mesh)
{
    if (mesh.buffers.vertexBuffer != 0) glExt.glDeleteBuffersARB(1, &mesh.buffers.vertexBuffer);
    if (mesh.buffers.indexBuffer != 0) glExt.glDeleteBuffersARB(1, &mesh.buffers.indexBuffer);
}

void uploadMesh(Mesh& mesh)
{
    MeshBuffers& buffers = mesh.buffers;
    GLuint names[2] = {0, 0};
    glExt.glGenBuffersARB(2, names);
    buffers.vertexBuffer = names[0];
    buffers.indexBuffer = names[1];
    if (buffers.vertexBuffer == 0 || buffers.indexBuffer == 0) return;  // arrays kept, nothing on the card

    glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffers.vertexBuffer);
    glExt.glBufferDataARB(GL_ARRAY_BUFFER_ARB, GLsizeiptrARB(buffers.vertexCount) * GLsizeiptrARB(sizeof(MeshVertex)),
                          buffers.vertices, GL_STATIC_DRAW_ARB);
    glExt.glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, buffers.indexBuffer);
    glExt.glBufferDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, GLsizeiptrARB(buffers.indexCount) * GLsizeiptrARB(sizeof(uint32_t)),
                          buffers.indices, GL_STATIC_DRAW_ARB);
    // These client states are never disabled again: from the first upload
    // on they are part of the global state every mesh draw relies on.
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glExt.glClientActiveTextureARB(GL_TEXTURE0_ARB);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

void drawGeometryCopies(const Mesh& mesh, const MeshBuffers& buffers);

void drawMesh(Mesh& mesh)
{
    glPushMatrix();
    applyMeshTransform(mesh);
    const MeshBuffers& geometry = mesh.sharedGeometry ? *mesh.sharedGeometry : mesh.buffers;
    drawGeometry(geometry);
    if (mesh.text.characters) {
        // The last character is not drawn: the count is the length less one.
        const size_t n = std::strlen(mesh.text.characters);
        glPushAttrib(GL_CURRENT_BIT | GL_POLYGON_BIT | GL_LIST_BIT);
        glListBase(mesh.text.listBase);
        if (n > 1) glCallLists(static_cast<GLsizei>(n - 1), GL_UNSIGNED_BYTE, mesh.text.characters);
        glPopAttrib();
    }
    // The copies accumulate: copy k sits k step transforms from the mesh.
    drawGeometryCopies(mesh, geometry);
    glPopMatrix();
}

void buildMaterialProgram(ShaderProgram& shader)
{
    if (!shadersAvailable) return;
    ProgramObjects objects{shader.program, shader.vertexShader, shader.fragmentShader};
    buildProgram(objects, shader.vertexSource, shader.fragmentSource);
    shader.program = objects.program;
    shader.vertexShader = objects.vertexShader;
    shader.fragmentShader = objects.fragmentShader;
}

void releaseMaterialProgram(ShaderProgram& shader)
{
    ProgramObjects objects{shader.program, shader.vertexShader, shader.fragmentShader};
    deleteProgram(objects);
    shader.program = shader.vertexShader = shader.fragmentShader = 0;
}

void drawParticleSystem(ParticleSystem& system)
{
    glPushMatrix();
    applyParticleState();
    // The whole system turns about the world origin, not about the emitter.
    glRotatef(system.emitterRotation[0], 1.0f, 0.0f, 0.0f);
    glRotatef(system.emitterRotation[1], 0.0f, 1.0f, 0.0f);
    glRotatef(system.emitterRotation[2], 0.0f, 0.0f, 1.0f);
    const float s = system.particleSize;
    for (int32_t i = 0; i < system.particleCount; ++i) {
        const Particle& p = system.particles[i];
        glPushMatrix();
        glColor4fv(p.color);
        glTranslatef(p.position[0], p.position[1], p.position[2]);
        // Face the viewer: keep only the translation of the modelview.
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        m[0] = 1.0f, m[1] = 0.0f, m[2] = 0.0f, m[3] = 0.0f;
        m[4] = 0.0f, m[5] = 1.0f, m[6] = 0.0f, m[7] = 0.0f;
        m[8] = 0.0f, m[9] = 0.0f, m[10] = 1.0f, m[11] = 0.0f;
        m[15] = 1.0f;
        glLoadMatrixf(m);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(-s, -s, 0.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(s, -s, 0.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(s, s, 0.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(-s, s, 0.0f);
        glEnd();
        glPopMatrix();
    }
    glDepthMask(GL_TRUE);
    glPopMatrix();
}

}  // namespace

void installObjectDevices()
{
    textureDevice = {uploadTexture, unloadTexture};
    meshDevice = {uploadMesh, unloadMesh, drawMesh, buildMaterialProgram, releaseMaterialProgram, createGlyphLists,
                  deleteGlyphLists};
    particleDevice = {drawParticleSystem};
}

void removeObjectDevices()
{
    textureDevice = {};
    meshDevice = {};
    particleDevice = {};
}

void applyParticleState()
{
    // Alpha test with whatever function the earlier passes left.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
}

void bindTexture(const Texture& texture) { glBindTexture(GL_TEXTURE_2D, texture.glTexture); }

void applyMeshTransform(const Mesh& mesh) { applyTransformAt(mesh, 0); }

void bindMeshTextures(const Mesh& mesh)
{
    const Texture* colour = mesh.texture0IsGlow ? tr.glowTexture : mesh.texture0;
    const Texture* sphereMap = mesh.texture1IsGlow ? tr.glowTexture : mesh.texture1;
    setTextureUnit(0, colour != nullptr, colour ? colour->glTexture : 0);
    setTextureUnit(1, sphereMap != nullptr, sphereMap ? sphereMap->glTexture : 0, TexCoords::SphereMap);
}

namespace {

void setGeometryArrays(const MeshBuffers& buffers)
{
    glExt.glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffers.vertexBuffer);
    glExt.glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, buffers.indexBuffer);
    constexpr GLsizei stride = sizeof(MeshVertex);
    glVertexPointer(3, GL_FLOAT, stride, bufferOffset(offsetof(MeshVertex, position)));
    glNormalPointer(GL_FLOAT, stride, bufferOffset(offsetof(MeshVertex, normal)));
    glExt.glClientActiveTextureARB(GL_TEXTURE0_ARB);
    glTexCoordPointer(2, GL_FLOAT, stride, bufferOffset(offsetof(MeshVertex, texcoord)));
    if (shadersAvailable) {
        glExt.glVertexAttribPointerARB(TANGENT_ATTRIBUTE, 3, GL_FLOAT, GL_TRUE, stride,
                                       bufferOffset(offsetof(MeshVertex, tangent)));
        glExt.glVertexAttribPointerARB(BINORMAL_ATTRIBUTE, 3, GL_FLOAT, GL_TRUE, stride,
                                       bufferOffset(offsetof(MeshVertex, binormal)));
        glExt.glEnableVertexAttribArrayARB(TANGENT_ATTRIBUTE);
        glExt.glEnableVertexAttribArrayARB(BINORMAL_ATTRIBUTE);
    }
}

void endGeometryArrays()
{
    if (shadersAvailable) {
        glExt.glDisableVertexAttribArrayARB(BINORMAL_ATTRIBUTE);
        glExt.glDisableVertexAttribArrayARB(TANGENT_ATTRIBUTE);
    }
}

// The buffers' triangles with their cull mode, the arrays already set.
void drawWithCullMode(const MeshBuffers& buffers)
{
    const auto drawTriangles = [&] { glDrawElements(GL_TRIANGLES, buffers.indexCount, GL_UNSIGNED_INT, bufferOffset(0)); };
    switch (static_cast<CullMode>(buffers.cullMode)) {
    case CullMode::FrontFaces:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        drawTriangles();
        break;
    case CullMode::BothFaces:
        glDisable(GL_CULL_FACE);
        drawTriangles();
        break;
    case CullMode::BackThenFront:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        drawTriangles();
        glCullFace(GL_BACK);
        drawTriangles();
        break;
    case CullMode::BackFaces:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        drawTriangles();
        glCullFace(GL_BACK);
        break;
    default: break;  // any other mode draws nothing
    }
}

void drawGeometryCopies(const Mesh& mesh, const MeshBuffers& buffers)
{
    if (mesh.repeatCount <= 0) return;
    const bool drawn = buffers.vertexBuffer != 0 && buffers.indexBuffer != 0;
    // The arrays once for all the copies: only the placement changes.
    if (drawn) setGeometryArrays(buffers);
    for (int32_t k = 0; k < mesh.repeatCount; ++k) {
        glTranslatef(mesh.repeatOffset.x, mesh.repeatOffset.y, mesh.repeatOffset.z);
        rotateXYZ(mesh.repeatRotation);
        glScalef(mesh.repeatScale, mesh.repeatScale, mesh.repeatScale);
        if (drawn) drawWithCullMode(buffers);
    }
    if (drawn) endGeometryArrays();
}

}  // namespace

void drawGeometry(const MeshBuffers& buffers)
{
    if (buffers.vertexBuffer == 0 || buffers.indexBuffer == 0) return;
    setGeometryArrays(buffers);
    drawWithCullMode(buffers);
    endGeometryArrays();
}

void applyLight(const Light& source)
{
    const GLenum light = GL_LIGHT0 + static_cast<GLenum>(source.lightNumber);
    glEnable(light);
    glLightfv(light, GL_AMBIENT, source.ambient);
    glLightfv(light, GL_DIFFUSE, source.diffuse);
    glLightfv(light, GL_SPECULAR, source.specular);
    glLightfv(light, GL_POSITION, source.position);
}

void setParticleTextureUnits(const ParticleSystem& system)
{
    const Texture* texture = system.particleTexture;
    setTextureUnit(1, false);
    setTextureUnit(0, texture != nullptr, texture ? texture->glTexture : 0);
}

