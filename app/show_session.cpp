#include "app/show_session.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/object_kinds.h"
#include "render/progress_bar.h"
#include "core/project_reader.h"
#include "music/module_file.h"
#include "music/xm_module.h"
#include "platform/glimp.h"
#include "render/render_state.h"

void complain(const std::string& message) { std::fprintf(stderr, "show: %s\n", message.c_str()); }

bool obtainProject(const CommandLine& commandLine, const EmbeddedData& embedded, ProjectSource& source)
{
    if (commandLine.projectFile.empty()) {
        source.data = embedded.project;
        source.size = embedded.projectSize;
        source.origin = "built-in project data";
        return true;
    }
    std::ifstream file(commandLine.projectFile, std::ios::binary);
    if (!file) {
        complain("cannot read project file " + commandLine.projectFile + ": " + std::strerror(errno));
        return false;
    }
    source.fileBytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) {
        complain("cannot read project file " + commandLine.projectFile);
        return false;
    }
    source.data = source.fileBytes.data();
    source.size = source.fileBytes.size();
    source.origin = "project file " + commandLine.projectFile;
    return true;
}

// Module files are read whole into memory; beyond this they are refused.
constexpr std::streamoff MODULE_FILE_LIMIT = 256 << 20;

bool obtainModule(const CommandLine& commandLine, const EmbeddedData& embedded, ModuleSource& source)
{
    installResourceCallbacks();
    if (commandLine.moduleFile.empty()) {
        setModuleResource(embedded.module, static_cast<int32_t>(embedded.moduleSize));
        source.origin = "built-in music module";
        return true;
    }
    setModuleResource(nullptr, 0);
    source.origin = "module file " + commandLine.moduleFile;
    std::ifstream file(commandLine.moduleFile, std::ios::binary | std::ios::ate);
    if (!file) {
        complain("cannot read module file " + commandLine.moduleFile + ": " + std::strerror(errno));
        return false;
    }
    const std::streamoff size = file.tellg();
    if (size > MODULE_FILE_LIMIT) {
        complain(source.origin + ": too large for a music module");
        return false;
    }
    file.seekg(0);
    source.fileBytes.resize(static_cast<size_t>(size > 0 ? size : 0));
    if (!file.read(reinterpret_cast<char*>(source.fileBytes.data()), size)) {
        complain("cannot read module file " + commandLine.moduleFile);
        return false;
    }
    setModuleResource(source.fileBytes.data(), static_cast<int32_t>(source.fileBytes.size()));
    return true;
}

XmModule* loadMusic(const CommandLine& commandLine, const ModuleSource& source)
{
    XmModule* module = loadModule("Tarnevoxin.xm", nullptr);
    if (!module && !commandLine.moduleFile.empty()) complain(source.origin + ": " + moduleLoadError());
    return module;
}

bool Show::load(const ProjectSource& source, bool buildAll)
{
    registry = new ObjectRegistry();
    timeline = new Timeline();
    theRegistry = registry;
    ProjectStream stream(source.data, source.size);
    const int32_t total = loadProject(stream, *registry, *timeline, createObjectOfKind);
    if (total < 0) {
        complain(source.origin + ": " + stream.error());
        return false;
    }
    if (buildAll) precalculate(*registry, total, drawProgress);
    return true;
}

void Show::destroy()
{
    if (timeline) timeline->destroy(DESTROY_FREE);
    delete registry;
    timeline = nullptr;
    registry = nullptr;
    theRegistry = nullptr;
}

bool startHeadlessGraphics(int32_t width, int32_t height)
{
    if (!GLimp_CreateHeadless(width, height)) {
        complain("cannot create a headless OpenGL context");
        return false;
    }
    if (!initRenderer(width, height)) {
        complain("the OpenGL driver lacks a required extension");
        return false;
    }
    return true;
}

bool makeDirectory(const std::string& path)
{
    if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) {
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
        errno = ENOTDIR;
    }
    complain("cannot create directory " + path + ": " + std::strerror(errno));
    return false;
}
