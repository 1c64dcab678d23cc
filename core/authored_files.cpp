#include "core/authored_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "core/project_reader.h"
#include "core/timeline.h"
#include "tools/project_source.h"

namespace {

// Module files are read whole into memory; beyond this they are refused.
constexpr std::streamoff MODULE_FILE_LIMIT = 256 << 20;

bool holdsZeroByte(const std::vector<uint8_t>& bytes)
{
    return std::find(bytes.begin(), bytes.end(), uint8_t{0}) != bytes.end();
}

bool readsAsProjectData(const std::vector<uint8_t>& bytes)
{
    ObjectRegistry registry;
    Timeline timeline;
    ProjectStream stream(bytes.data(), bytes.size());
    return loadProject(stream, registry, timeline) >= 0;
}

bool readWholeFile(const std::string& path, const char* what, std::streamoff limit, std::vector<uint8_t>& bytes,
                   std::string& error)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        error = std::string("cannot read ") + what + " " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::streamoff size = file.tellg();
    if (size > limit) {
        error = std::string(what) + " " + path + ": too large for a music module";
        return false;
    }
    file.seekg(0);
    bytes.resize(static_cast<size_t>(size > 0 ? size : 0));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = std::string("cannot read ") + what + " " + path;
        return false;
    }
    return true;
}

}  // namespace

bool isProjectSource(const std::vector<uint8_t>& bytes) { return !holdsZeroByte(bytes); }

bool compileProjectSource(const std::string& text, const std::string& fileName, AuthoredProject& project,
                          std::string& error)
{
    ProjectBuilder builder;
    std::vector<uint8_t> bytes;
    if (!parseProjectSource(text, fileName, builder, error) || !builder.write(bytes, error)) return false;
    project.bytes = std::move(bytes);
    project.fromSource = true;
    project.sceneLabels.clear();
    for (const ProjectBuilder::Object& object : builder.objects())
        if (object.section == SectionKind::Scene) project.sceneLabels.push_back(object.label);
    return true;
}

bool readProjectFile(const std::string& path, AuthoredProject& project, std::string& error)
{
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, "project file", std::numeric_limits<std::streamoff>::max(), bytes, error)) return false;
    if (isProjectSource(bytes)) {
        const std::string text(bytes.begin(), bytes.end());
        if (compileProjectSource(text, path, project, error)) return true;
        if (!readsAsProjectData(bytes)) return false;
    }
    project.bytes = std::move(bytes);
    project.fromSource = false;
    project.sceneLabels.clear();
    return true;
}

bool isModuleSource(const std::vector<uint8_t>& bytes)
{
    static const char signature[] = "Extended Module: ";
    const size_t length = sizeof signature - 1;
    if (bytes.size() >= length && std::memcmp(bytes.data(), signature, length) == 0) return false;
    return !holdsZeroByte(bytes);
}

bool compileModuleSource(const std::string& text, const std::string& fileName, std::vector<uint8_t>& xm,
                         std::string& error)
{
    error = fileName + ": not an XM module, and module sources are not supported yet";
    return false;
}

bool readModuleFile(const std::string& path, std::vector<uint8_t>& xm, std::string& error)
{
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, "module file", MODULE_FILE_LIMIT, bytes, error)) return false;
    if (!isModuleSource(bytes)) {
        xm = std::move(bytes);
        return true;
    }
    return compileModuleSource(std::string(bytes.begin(), bytes.end()), path, xm, error);
}

std::vector<std::string> labelLines(const std::string& text)
{
    std::vector<std::string> labels;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        labels.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return labels;
}

std::string sceneLabel(const std::vector<std::string>& labels, int32_t sceneIndex, int32_t sceneCount)
{
    if (sceneIndex < 0 || sceneIndex >= sceneCount) return "no scene";
    if (static_cast<size_t>(sceneIndex) < labels.size() && !labels[sceneIndex].empty()) return labels[sceneIndex];
    return "scene " + std::to_string(sceneIndex);
}
