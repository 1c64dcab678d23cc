// The OBJ text of a mesh, and `show --dump-meshes`, which builds a project's
// textures and meshes headless and writes one OBJ file per mesh.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "mesh/mesh_obj.h"
#include "tests/mesh/mesh_fixture.h"
#include "tests/support/loaded_show.h"
#include "texture/operators.h"

namespace {

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The counts of each kind of line, checking that every face index names an
// entry that exists (what a 3D tool needs to open the file).
struct ObjCounts {
    int v = 0, vt = 0, vn = 0, f = 0, badIndices = 0, otherLines = 0;
};

ObjCounts countObj(const std::string& text)
{
    ObjCounts counts;
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> faces;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "v") ++counts.v;
        else if (kind == "vt") ++counts.vt;
        else if (kind == "vn") ++counts.vn;
        else if (kind == "f") ++counts.f, faces.push_back(line.substr(2));
        else ++counts.otherLines;
    }
    for (const std::string& face : faces) {
        std::istringstream triples(face);
        std::string triple;
        int corners = 0;
        while (triples >> triple) {
            int p = 0, t = 0, n = 0;
            ++corners;
            if (std::sscanf(triple.c_str(), "%d/%d/%d", &p, &t, &n) != 3 || p < 1 || p > counts.v || t < 1 ||
                t > counts.vt || n < 1 || n > counts.vn)
                ++counts.badIndices;
        }
        if (corners != 3) ++counts.badIndices;
    }
    return counts;
}

}  // namespace

using ObjTextTest = MeshTest;

TEST_F(ObjTextTest, GridCellInCornerOrder)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Grid, {0, 0, 0, 64, 32});
    applyTo(mesh, MeshTrack::Normals, {0});
    EXPECT_EQ(meshToObj(mesh),
              "v -1 -0.5 0\nv -1 0.5 0\nv 1 -0.5 0\nv 1 0.5 0\n"
              "vt 0 0\nvt 0 1\nvt 1 0\nvt 1 1\n"
              "vn 0 0 1\nvn 0 0 1\n"
              "f 1/1/1 3/3/1 2/2/1\nf 2/2/2 3/3/2 4/4/2\n");
    // A mesh without geometry gives no lines at all.
    EXPECT_EQ(meshToObj(addMesh()), "");
}

TEST_F(ObjTextTest, NineDigitsReadBackToTheSameFloats)
{
    Mesh& mesh = addMesh();
    applyTo(mesh, MeshTrack::Sphere, {17, 11, 0, 41});
    applyTo(mesh, MeshTrack::Twist, {2.5f});
    applyTo(mesh, MeshTrack::Normals, {1});
    applyTo(mesh, MeshTrack::MapTexcoords, {33, -7, 0, 13, 71});
    // Every number of the v, vt and vn lines, in file order, against the arrays.
    std::vector<float> expected;
    for (int32_t i = 0; i < mesh.positionCount; ++i)
        expected.insert(expected.end(), {mesh.positions[i].x, mesh.positions[i].y, mesh.positions[i].z});
    for (int32_t i = 0; i < mesh.texcoordCount; ++i)
        expected.insert(expected.end(), {mesh.texcoords[i].u, mesh.texcoords[i].v});
    for (int32_t i = 0; i < mesh.normalCount; ++i)
        expected.insert(expected.end(), {mesh.normals[i].x, mesh.normals[i].y, mesh.normals[i].z});
    std::vector<float> read;
    std::istringstream lines(meshToObj(mesh));
    std::string line, word;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        words >> word;
        if (word == "f") continue;
        while (words >> word) read.push_back(std::strtof(word.c_str(), nullptr));
    }
    ASSERT_EQ(read.size(), expected.size());
    EXPECT_EQ(std::memcmp(read.data(), expected.data(), read.size() * sizeof(float)), 0);
    // The sphere's trailing zero corners are written as the triangles they are.
    EXPECT_EQ(countObj(meshToObj(mesh)).f, mesh.cornerCount / 3);
}

TEST(DumpMeshes, WritesOneObjFilePerMeshAsTheShowBuildsThem)
{
    ProjectBuilder project;
    project.add(SectionKind::Texture).build(uint8_t(TextureOp::Fill), {0, 0, 200, 255});
    ProjectBuilder::Object& ball = project.add(SectionKind::Mesh);
    ball.build(MeshTrack::Sphere, {12, 8, 0, 32});
    ball.build(MeshTrack::Normals, {1});
    ball.build(MeshTrack::Displace, {0, 0, 0, 20});  // reads the texture: textures come first
    project.add(SectionKind::Mesh);             // no geometry
    ProjectBuilder::Object& pipe = project.add(SectionKind::Mesh);
    pipe.build(MeshTrack::Tube, {10, 3, 0, 16, 0, 0, 64});
    pipe.build(MeshTrack::Normals, {0});
    project.add(SectionKind::Scene);

    const std::filesystem::path work = std::filesystem::temp_directory_path() / ("mesh_dump_test_" + std::to_string(getpid()));
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    const std::vector<uint8_t> bytes = project.bytes();
    std::ofstream(work / "project.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const std::string command = std::string(SHOW_BINARY) + " --dump-meshes " + (work / "out").string() +
                                " --project " + (work / "project.bin").string() + " > " +
                                (work / "log").string() + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << readFile(work / "log");
    ASSERT_EQ(WEXITSTATUS(status), 0) << readFile(work / "log");

    LoadedShow show(project);
    ASSERT_EQ(show.error, "");
    for (int i = 0; i < 3; ++i) {
        const std::filesystem::path file = work / "out" / ("mesh_0" + std::to_string(i) + ".obj");
        ASSERT_TRUE(std::filesystem::exists(file)) << file;
        const std::string text = readFile(file);
        EXPECT_EQ(text, meshToObj(show.object<Mesh>(SectionKind::Mesh, i))) << file;
        const ObjCounts counts = countObj(text);
        EXPECT_EQ(counts.badIndices, 0) << file;
        EXPECT_EQ(counts.otherLines, 0) << file;
    }
    EXPECT_EQ(std::filesystem::file_size(work / "out" / "mesh_01.obj"), 0u);
    EXPECT_FALSE(std::filesystem::exists(work / "out" / "mesh_03.obj"));
    // The displacement moved the sphere off its undisplaced radius of 1.
    EXPECT_GT(length(show.object<Mesh>(SectionKind::Mesh, 0).positions[5]), 1.01f);
    std::filesystem::remove_all(work);
}

TEST(DumpMeshes, OptionGoesWithAProjectFileOnly)
{
    CommandLine dump;
    const auto parse = [&dump](std::vector<const char*> arguments, std::string& error) {
        arguments.insert(arguments.begin(), "show");
        return parseCommandLine(int(arguments.size()), arguments.data(), dump, error);
    };
    std::string error;
    ASSERT_TRUE(parse({"--dump-meshes", "out", "--project", "p.bin"}, error)) << error;
    EXPECT_EQ(dump.mode, RunMode::DumpMeshes);
    EXPECT_EQ(dump.dumpDirectory, "out");
    EXPECT_EQ(dump.projectFile, "p.bin");
    for (std::vector<const char*> bad : {std::vector<const char*>{"--dump-meshes"},
                                         {"--dump-meshes", "out", "--render", "frames"},
                                         {"--render", "frames", "--dump-meshes", "out"},
                                         {"--dump-meshes", "out", "--fullscreen"},
                                         {"--dump-meshes", "out", "--fps", "30"}}) {
        error.clear();
        EXPECT_FALSE(parse(bad, error)) << bad.size();
        EXPECT_FALSE(error.empty());
    }
    EXPECT_NE(std::string(usageText()).find("--dump-meshes DIR"), std::string::npos);
}
