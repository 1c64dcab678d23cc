#include "core/show_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/input_file.h"
#include "core/limits.h"
#include "core/progress_bar.h"
#include "core/settings.h"
#include "core/project_reader.h"
#include "music/module_file.h"
#include "music/xm_module.h"
#include "platform/glimp.h"
#include "render/gl_context.h"

void complain(const std::string& message) { std::fprintf(stderr, "show: %s\n", message.c_str()); }

// Project files are read whole into memory; the show's own data is a few
// kilobytes, and every object, track and key read costs memory too.
constexpr size_t PROJECT_FILE_LIMIT = 32 << 20;

bool obtainProject(const CommandLine& commandLine, const EmbeddedData& embedded, ProjectSource& source)
{
    if (commandLine.projectFile.empty()) {
        source.data = embedded.project;
        source.size = embedded.projectSize;
        source.origin = "built-in project data";
        return true;
    }
    std::string error;
    if (!readInputFile(commandLine.projectFile, PROJECT_FILE_LIMIT, source.fileBytes, error)) {
        complain("cannot read project file " + commandLine.projectFile + ": " + error);
        return false;
    }
    source.data = source.fileBytes.data();
    source.size = source.fileBytes.size();
    source.origin = "project file " + commandLine.projectFile;
    // Refused before a window or a context is made for it.
    if (!projectWithinLimits(source.data, source.size, ShowLimits(), error)) {
        complain(source.origin + ": " + error);
        return false;
    }
    return true;
}

// Module files are read whole into memory; beyond this they are refused.
constexpr size_t MODULE_FILE_LIMIT = 256 << 20;

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
    std::string error;
    if (!readInputFile(commandLine.moduleFile, MODULE_FILE_LIMIT, source.fileBytes, error)) {
        complain("cannot read module file " + commandLine.moduleFile + ": " + error);
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
    theTimeline = timeline;
    ProjectStream stream(source.data, source.size);
    const int32_t total = loadProject(stream, *registry, *timeline);
    if (total < 0) {
        complain(source.origin + ": " + stream.error());
        return false;
    }
    std::string limitError;
    if (!checkShowLimits(*registry, ShowLimits(), limitError)) {
        complain(source.origin + ": " + limitError);
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
    theTimeline = nullptr;
    theRegistry = nullptr;
}

bool startHeadlessGraphics()
{
    if (!GLimp_CreateHeadless(screenWidth, screenHeight)) {
        complain("cannot create a headless OpenGL context");
        return false;
    }
    if (!initGraphics()) {
        complain("the OpenGL driver lacks a required extension");
        return false;
    }
    return true;
}

namespace {

// A file made and removed again: permissions, a read-only mount or a full
// table of files are found before the project is built, not after.
bool canWriteInto(const std::string& path)
{
    std::string probe = path + "/.show-write-XXXXXX";
    const int fd = mkstemp(probe.data());
    if (fd < 0) {
        complain("cannot write into directory " + path + ": " + std::strerror(errno));
        return false;
    }
    close(fd);
    unlink(probe.c_str());
    return true;
}

}  // namespace

bool makeDirectory(const std::string& path)
{
    if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) {
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return canWriteInto(path);
        errno = ENOTDIR;
    }
    complain("cannot create directory " + path + ": " + std::strerror(errno));
    return false;
}
