#include "render/fill_only.h"

#include <vector>

#include "gl/gl_context.h"
#include "mesh/mesh.h"
#include "platform/glimp.h"
#include "render/frame.h"
#include "render/object_gl.h"
#include "render/render_state.h"
#include "scene/particle_system.h"
#include "texture/texture.h"

namespace {

struct QueryCalls {
    PFNGLGENQUERIESARBPROC gen = nullptr;
    PFNGLDELETEQUERIESARBPROC remove = nullptr;
    PFNGLBEGINQUERYARBPROC begin = nullptr;
    PFNGLENDQUERYARBPROC end = nullptr;
    PFNGLGETQUERYOBJECTUIVARBPROC result = nullptr;
};

QueryCalls query;
std::vector<GLuint> queries;  // made as needed, kept for the next frames
std::vector<uint32_t> counts;
size_t queriesUsed = 0;       // by the Count frame
size_t countsDrawn = 0;       // by the Fill frame
FillMode mode = FillMode::Off;
void (*plainMeshDraw)(Mesh&) = nullptr;
void (*plainParticleDraw)(ParticleSystem&) = nullptr;
Texture* showGlow = nullptr;   // tr.glowTexture while a Count or Fill frame has its own
Texture* standInGlow = nullptr;

bool fetchQueryCalls()
{
    if (query.gen) return true;
    if (!hasExtension("GL_ARB_occlusion_query")) return false;
    query.gen = reinterpret_cast<PFNGLGENQUERIESARBPROC>(GLimp_GetProcAddress("glGenQueriesARB"));
    query.remove = reinterpret_cast<PFNGLDELETEQUERIESARBPROC>(GLimp_GetProcAddress("glDeleteQueriesARB"));
    query.begin = reinterpret_cast<PFNGLBEGINQUERYARBPROC>(GLimp_GetProcAddress("glBeginQueryARB"));
    query.end = reinterpret_cast<PFNGLENDQUERYARBPROC>(GLimp_GetProcAddress("glEndQueryARB"));
    query.result = reinterpret_cast<PFNGLGETQUERYOBJECTUIVARBPROC>(GLimp_GetProcAddress("glGetQueryObjectuivARB"));
    if (query.gen && query.remove && query.begin && query.end && query.result) return true;
    query = {};
    return false;
}

template <class Draw>
void counted(Draw draw)
{
    if (queriesUsed == queries.size()) {
        GLuint name = 0;
        query.gen(1, &name);
        queries.push_back(name);
    }
    // Alpha test off: a fragment it drops was drawn all the same.
    GLint function = GL_ALWAYS;
    GLfloat reference = 0.0f;
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &function);
    glGetFloatv(GL_ALPHA_TEST_REF, &reference);
    glAlphaFunc(GL_ALWAYS, reference);
    query.begin(GL_SAMPLES_PASSED_ARB, queries[queriesUsed++]);
    draw();
    query.end(GL_SAMPLES_PASSED_ARB);
    glAlphaFunc(static_cast<GLenum>(function), reference);
}

void countMesh(Mesh& mesh)
{
    counted([&mesh] { plainMeshDraw(mesh); });
}

void countParticles(ParticleSystem& system)
{
    counted([&system] { plainParticleDraw(system); });
}

uint32_t nextCount() { return countsDrawn < counts.size() ? counts[countsDrawn++] : 0; }

// `pixels` over the current viewport, bottom up: whole quads, then rows.
// Unculled, at the middle of the depth range, so that the depth test (as
// the item set it) passes on a cleared buffer.
void fillRectangles(uint32_t pixels)
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int64_t width = viewport[2], height = viewport[3];
    if (pixels == 0 || width <= 0 || height <= 0) return;
    const GLboolean culled = glIsEnabled(GL_CULL_FACE);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const auto quad = [](float top) {
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(-1.0f, -1.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(1.0f, -1.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(1.0f, top);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(-1.0f, top);
    };
    glBegin(GL_QUADS);
    int64_t left = pixels;
    for (; left >= width * height; left -= width * height) quad(1.0f);
    if (left > 0) {
        const int64_t rows = (left + width - 1) / width;
        quad(-1.0f + 2.0f * float(rows) / float(height));
    }
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    if (culled) glEnable(GL_CULL_FACE);
}

// As drawMesh leaves the cull state (drawGeometry): the next items and the
// 2D layers see what they see in the frame.
void leaveCullStateOf(const Mesh& mesh)
{
    const MeshBuffers& geometry = mesh.sharedGeometry ? *mesh.sharedGeometry : mesh.buffers;
    if (geometry.vertexBuffer == 0 || geometry.indexBuffer == 0) return;
    switch (static_cast<CullMode>(geometry.cullMode)) {
    case CullMode::FrontFaces:
    case CullMode::BackThenFront:
    case CullMode::BackFaces:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        break;
    case CullMode::BothFaces: glDisable(GL_CULL_FACE); break;
    default: break;
    }
}

void fillMesh(Mesh& mesh)
{
    fillRectangles(nextCount());
    leaveCullStateOf(mesh);
}

void fillParticles(ParticleSystem&)
{
    applyParticleState();
    fillRectangles(nextCount());
    glDepthMask(GL_TRUE);
}

void useStandInGlow(bool on)
{
    if (on && !showGlow) {
        if (!standInGlow) {
            standInGlow = new Texture();
            standInGlow->setSize(GLOW_SOURCE_SIZE);
            standInGlow->upload();
        }
        showGlow = tr.glowTexture;
        tr.glowTexture = standInGlow;
    } else if (!on && showGlow) {
        tr.glowTexture = showGlow;
        showGlow = nullptr;
    }
}

}  // namespace

bool fillOnlyAvailable() { return fetchQueryCalls(); }

void setFillMode(FillMode next)
{
    if (mode == FillMode::Off && next != FillMode::Off) {
        plainMeshDraw = meshDevice.draw;
        plainParticleDraw = particleDevice.draw;
    }
    if (mode == FillMode::Count && next != FillMode::Count) {
        int32_t n = 0;
        fillCounts(n);
    }
    mode = next;
    switch (next) {
    case FillMode::Off:
        if (plainMeshDraw) meshDevice.draw = plainMeshDraw;
        if (plainParticleDraw) particleDevice.draw = plainParticleDraw;
        plainMeshDraw = nullptr;
        plainParticleDraw = nullptr;
        useStandInGlow(false);
        break;
    case FillMode::Count:
        if (!fetchQueryCalls()) {
            mode = FillMode::Off;
            return setFillMode(FillMode::Off);
        }
        queriesUsed = 0;
        counts.clear();
        meshDevice.draw = countMesh;
        particleDevice.draw = countParticles;
        useStandInGlow(true);
        break;
    case FillMode::Fill:
        countsDrawn = 0;
        meshDevice.draw = fillMesh;
        particleDevice.draw = fillParticles;
        useStandInGlow(true);
        break;
    }
}

const uint32_t* fillCounts(int32_t& count)
{
    if (counts.size() < queriesUsed) {
        counts.resize(queriesUsed);
        for (size_t i = 0; i < queriesUsed; ++i) {
            GLuint pixels = 0;
            query.result(queries[i], GL_QUERY_RESULT_ARB, &pixels);
            counts[i] = pixels;
        }
    }
    count = static_cast<int32_t>(counts.size());
    return counts.data();
}

void releaseFillOnly()
{
    setFillMode(FillMode::Off);
    if (!queries.empty() && query.remove) query.remove(static_cast<GLsizei>(queries.size()), queries.data());
    queries.clear();
    counts.clear();
    queriesUsed = 0;
    if (standInGlow) standInGlow->destroy(DESTROY_FREE);
    standInGlow = nullptr;
}
