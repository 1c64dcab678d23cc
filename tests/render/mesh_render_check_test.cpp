// A small project with a lit, textured sphere and tube, built through the
// project reader and drawn headless with a plain camera and one light. The
// picture is written to mesh_render_check.png for a look.
#include <cstring>
#include <string>
#include <vector>

#include "platform/png_file.h"
#include "gl/gl_context.h"
#include "render/object_gl.h"
#include "tests/mesh/mesh_fixture.h"
#include "tests/support/headless_gl.h"
#include "tests/support/loaded_show.h"

namespace {

constexpr int WIDTH = 640, HEIGHT = 480;

struct ScreenPoint {
    int x, y;
};

ScreenPoint project(Vec3 p)
{
    GLdouble model[16], projection[16], x, y, z;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(p.x, p.y, p.z, model, projection, viewport, &x, &y, &z);
    return {static_cast<int>(x), static_cast<int>(y)};
}

int brightness(Pixel p) { return p.r + p.g + p.b; }

void fillChecker(Texture& texture, uint32_t a, uint32_t b)
{
    const int32_t n = texture.size;
    for (int32_t y = 0; y < n; ++y)
        for (int32_t x = 0; x < n; ++x) texture.pixels[y * n + x] = ((x / 8 + y / 8) & 1) ? a : b;
}

void writePicture(const std::string& path)
{
    std::vector<uint8_t> pixels(WIDTH * HEIGHT * 4), flipped(pixels.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    for (int y = 0; y < HEIGHT; ++y)
        std::memcpy(&flipped[(HEIGHT - 1 - y) * WIDTH * 4], &pixels[y * WIDTH * 4], WIDTH * 4);
    std::string error;
    EXPECT_TRUE(Sys_WritePng(path, WIDTH, HEIGHT, flipped.data(), WIDTH * 4, &error)) << error;
}

}  // namespace

TEST(MeshRenderCheck, LitTexturedSphereAndTubeAppearWhereTheCameraExpects)
{
    if (!useHeadlessGl(WIDTH, HEIGHT)) GTEST_SKIP() << "no headless OpenGL context";
    while (glGetError() != GL_NO_ERROR) {}  // errors left by others are not ours

    ProjectBuilder builder;
    builder.add(SectionKind::Texture);
    builder.add(SectionKind::Texture);
    ProjectBuilder::Object& sphere = builder.add(SectionKind::Mesh).during(0, 10);
    sphere.param(MeshTrack::Placement, {-40, 0, 0, 0, 30, 0});
    sphere.param(MeshTrack::Textures, {0, 0, 0, -1});
    sphere.param(MeshTrack::Colours, {60, 60, 60, 230, 230, 230, 200, 200, 200, 40});
    sphere.build(MeshTrack::Sphere, {32, 24, 0, 36});
    sphere.build(MeshTrack::Normals, {1});
    sphere.build(MeshTrack::MapTexcoords, {0, 0, 0, 100, 0});
    ProjectBuilder::Object& tube = builder.add(SectionKind::Mesh).during(0, 10);
    tube.param(MeshTrack::Placement, {48, 0, 0, 20, 0, -15});
    tube.param(MeshTrack::Textures, {1, 0, 0, -1});
    tube.param(MeshTrack::RenderState, {0, 0, 0, 1, 0, 0, 1});
    tube.build(MeshTrack::Tube, {24, 4, 0, 20, 0, 0, 72});
    tube.build(MeshTrack::Normals, {1});
    LoadedShow show(builder, false);
    ASSERT_EQ(show.error, "");
    // The textures are painted here rather than generated, then the meshes built.
    Texture& checker = show.object<Texture>(SectionKind::Texture, 0);
    Texture& stripes = show.object<Texture>(SectionKind::Texture, 1);
    fillChecker(checker, 0xFFE02020u, 0xFFF0F0F0u);
    fillChecker(stripes, 0xFF2040E0u, 0xFFF0F0F0u);
    checker.upload();
    stripes.upload();
    for (ProjectObject* object : show.registry[SectionKind::Mesh]) object->build();

    glViewport(0, 0, WIDTH, HEIGHT);
    glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(50.0, 4.0 / 3.0, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 6, 0, 0, 0, 0, 1, 0);
    const GLfloat lightPosition[4] = {-4.0f, 3.0f, 5.0f, 1.0f}, white[4] = {1, 1, 1, 1};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glColor3ub(255, 255, 255);

    std::vector<Mesh*> meshes;
    for (ProjectObject* object : show.registry[SectionKind::Mesh]) meshes.push_back(dynamic_cast<Mesh*>(object));
    ASSERT_EQ(meshes.size(), 2u);
    for (Mesh* mesh : meshes) {
        ASSERT_NE(mesh, nullptr);
        bindMeshTextures(*mesh);
        glMaterialfv(GL_FRONT, GL_AMBIENT, mesh->material.ambient);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, mesh->material.diffuse);
        glMaterialfv(GL_FRONT, GL_SPECULAR, mesh->material.specular);
        glMaterialf(GL_FRONT, GL_SHININESS, mesh->material.shininess);
        mesh->draw();
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    writePicture("mesh_render_check.png");

    const Pixel background = readPixel(5, 5);
    const ScreenPoint sphereCentre = project(meshes[0]->position);
    const ScreenPoint tubeCentre = project(meshes[1]->position);
    EXPECT_LT(sphereCentre.x, WIDTH / 2);
    EXPECT_GT(tubeCentre.x, WIDTH / 2);
    EXPECT_NE(brightness(readPixel(sphereCentre.x, sphereCentre.y)), brightness(background));
    EXPECT_NE(brightness(readPixel(tubeCentre.x + 2, tubeCentre.y)), brightness(background));
    // Between them, and above and below the sphere, only background.
    EXPECT_EQ(brightness(readPixel(WIDTH / 2, HEIGHT / 2)), brightness(background));
    EXPECT_EQ(brightness(readPixel(sphereCentre.x, sphereCentre.y + 140)), brightness(background));

    // Lit from the upper left: the sphere's upper left is brighter than its lower right.
    const int reach = 60;
    EXPECT_GT(brightness(readPixel(sphereCentre.x - reach / 2, sphereCentre.y + reach / 2)),
              brightness(readPixel(sphereCentre.x + reach / 2, sphereCentre.y - reach / 2)) + 60);
    // Textured: across the sphere's face both checker colours show.
    bool reddish = false, pale = false;
    for (int dx = -reach; dx <= reach; dx += 2) {
        const Pixel p = readPixel(sphereCentre.x + dx, sphereCentre.y + 10);
        reddish |= p.r > p.g + 60;
        pale |= p.g > 120 && p.r < p.g + 30;
    }
    EXPECT_TRUE(reddish);
    EXPECT_TRUE(pale);

    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_NORMALIZE);
}
