#include "mesh/mesh_obj.h"

#include <cstdarg>
#include <cstdio>

#include "mesh/mesh.h"
#include "platform/output_file.h"

namespace {

void appendLine(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void appendLine(std::string& out, const char* format, ...)
{
    char line[160];
    va_list arguments;
    va_start(arguments, format);
    const int n = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (n > 0) out.append(line, static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1);
}

}  // namespace

std::string meshToObj(const Mesh& mesh)
{
    std::string out;
    for (int32_t i = 0; i < mesh.positionCount; ++i) {
        const Vec3 p = mesh.positions[i];
        appendLine(out, "v %.9g %.9g %.9g\n", p.x, p.y, p.z);
    }
    for (int32_t i = 0; i < mesh.texcoordCount; ++i) {
        const TexCoord t = mesh.texcoords[i];
        appendLine(out, "vt %.9g %.9g\n", t.u, t.v);
    }
    for (int32_t i = 0; i < mesh.normalCount; ++i) {
        const Vec3 n = mesh.normals[i];
        appendLine(out, "vn %.9g %.9g %.9g\n", n.x, n.y, n.z);
    }
    const int32_t triangles = mesh.cornerCount / 3;
    for (int32_t t = 0; t < triangles; ++t) {
        const MeshCorner* c = mesh.corners + 3 * t;
        appendLine(out, "f %d/%d/%d %d/%d/%d %d/%d/%d\n",  //
                   c[0].positionIndex + 1, c[0].texcoordIndex + 1, c[0].normalIndex + 1,
                   c[1].positionIndex + 1, c[1].texcoordIndex + 1, c[1].normalIndex + 1,
                   c[2].positionIndex + 1, c[2].texcoordIndex + 1, c[2].normalIndex + 1);
    }
    return out;
}

bool writeMeshObjFiles(ObjectRegistry& registry, const std::string& directory, std::string& error)
{
    int32_t index = 0;
    for (ProjectObject* object : registry[SectionKind::Mesh]) {
        char name[32];
        std::snprintf(name, sizeof name, "/mesh_%02d.obj", index++);
        const std::string path = directory + name;
        const Mesh* mesh = dynamic_cast<const Mesh*>(object);
        const std::string text = mesh ? meshToObj(*mesh) : std::string();
        if (!writeOutputFile(path, text.data(), text.size(), error, OutputFile::Name::Made)) return false;
    }
    return true;
}
