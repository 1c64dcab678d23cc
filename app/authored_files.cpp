#include "app/authored_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "scene/object_kinds.h"
#include "core/input_file.h"
#include "core/project_reader.h"
#include "core/timeline.h"
#include "authoring/bar_times.h"
#include "authoring/float_text.h"
#include "authoring/project_source.h"
#include "authoring/source_tokens.h"
#include "authoring/tune_source.h"

namespace {

// Project files are read whole into memory; the show's own data is a few
// kilobytes, and every object, track and key read costs memory too.
constexpr size_t PROJECT_FILE_LIMIT = 32 << 20;
// Module files are read whole into memory; beyond this they are refused.
constexpr size_t MODULE_FILE_LIMIT = 256 << 20;

bool holdsZeroByte(const std::vector<uint8_t>& bytes)
{
    return std::find(bytes.begin(), bytes.end(), uint8_t{0}) != bytes.end();
}

bool readsAsProjectData(const std::vector<uint8_t>& bytes)
{
    ObjectRegistry registry;
    Timeline timeline;
    ProjectStream stream(bytes.data(), bytes.size());
    return loadProject(stream, registry, timeline, createObjectOfKind) >= 0;
}

bool readWholeFile(const std::string& path, const char* what, size_t limit, std::vector<uint8_t>& bytes,
                   std::string& error)
{
    if (readInputFile(path, limit, bytes, error)) return true;
    error = std::string("cannot read ") + what + " " + path + ": " + error;
    return false;
}

}  // namespace

bool isProjectSource(const std::vector<uint8_t>& bytes) { return !holdsZeroByte(bytes); }

std::string musicNamedBy(const std::string& projectPath)
{
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readInputFile(projectPath, PROJECT_FILE_LIMIT, bytes, error) || !isProjectSource(bytes)) return "";
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    std::vector<Token> tokens;
    int column = 0;
    for (std::string line; std::getline(lines, line);) {
        if (!tokenizeLine(line, tokens, error, column) || tokens.size() < 2 || tokens[0].quoted || tokens[0].text != "music")
            continue;
        const std::string& name = tokens[1].text;
        const size_t slash = projectPath.rfind('/');
        return name[0] == '/' || slash == std::string::npos ? name : projectPath.substr(0, slash + 1) + name;
    }
    return "";
}

bool compileProjectSource(const std::string& text, const std::string& fileName, AuthoredProject& project,
                          std::string& error)
{
    ProjectBuilder builder;
    std::vector<uint8_t> bytes;
    SourceFacts facts;
    SourceOptions options;
    options.facts = &facts;
    if (!parseProjectSource(text, fileName, builder, error, options) || !builder.write(bytes, error)) return false;
    project.bytes = std::move(bytes);
    project.fromSource = true;
    project.sceneLabels.clear();
    project.textureLabels.clear();
    project.meshLabels.clear();
    for (const ProjectBuilder::Object& object : builder.objects()) {
        if (object.section == SectionKind::Scene) project.sceneLabels.push_back(object.label);
        if (object.section == SectionKind::Texture) project.textureLabels.push_back(object.label);
        if (object.section == SectionKind::Mesh) project.meshLabels.push_back(object.label);
    }
    SourceBars bars = sourceBars(facts);
    project.barTimes = std::move(bars.starts);
    project.beatsPerBar = bars.beatsPerBar;
    project.warnings = std::move(facts.warnings);
    project.musicFile = facts.musicFile;
    return true;
}

bool readProjectFile(const std::string& path, AuthoredProject& project, std::string& error)
{
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, "project file", PROJECT_FILE_LIMIT, bytes, error)) return false;
    if (isProjectSource(bytes)) {
        const std::string text(bytes.begin(), bytes.end());
        if (compileProjectSource(text, path, project, error)) return true;
        if (!readsAsProjectData(bytes)) return false;
    }
    project = AuthoredProject();
    project.bytes = std::move(bytes);
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
    return compileTuneSource(text, fileName, xm, error);
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

void readBarLines(const std::string& text, std::vector<float>& starts, int32_t& beatsPerBar)
{
    starts.clear();
    for (const std::string& line : labelLines(text)) {
        const std::string prefix = "beatsPerBar ";
        if (line.rfind(prefix, 0) == 0) {
            beatsPerBar = std::max(1, std::atoi(line.c_str() + prefix.size()));
            continue;
        }
        float seconds = 0.0f;
        if (parseFloatText(line, seconds) && (starts.empty() || seconds > starts.back())) starts.push_back(seconds);
    }
}

std::string sceneLabel(const std::vector<std::string>& labels, int32_t sceneIndex, int32_t sceneCount)
{
    if (sceneIndex < 0 || sceneIndex >= sceneCount) return "no scene";
    if (static_cast<size_t>(sceneIndex) < labels.size() && !labels[sceneIndex].empty()) return labels[sceneIndex];
    return "scene " + std::to_string(sceneIndex);
}
