#include "app/show_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/authored_files.h"
#include "app/limits.h"
#include "scene/object_kinds.h"
#include "app/settings.h"
#include "render/progress_bar.h"
#include "core/project_reader.h"
#include "music/module_file.h"
#include "music/playback.h"
#include "music/xm_module.h"
#include "platform/glimp.h"
#include "render/render_state.h"

void complain(const std::string& message) { std::fprintf(stderr, "show: %s\n", message.c_str()); }

void complainAboutFile(const std::string& path, const std::string& error)
{
    if (error.rfind(path + ":", 0) == 0) std::fprintf(stderr, "%s\n", error.c_str());
    else complain(error);
}

bool obtainProject(const CommandLine& commandLine, const EmbeddedData& embedded, ProjectSource& source)
{
    if (commandLine.projectFile.empty()) {
        source.data = embedded.project;
        source.size = embedded.projectSize;
        source.origin = "built-in project data";
        if (embedded.sceneLabels)
            source.sceneLabels = labelLines(std::string(embedded.sceneLabels, embedded.sceneLabels + embedded.sceneLabelsSize));
        if (embedded.barTimes)
            readBarLines(std::string(embedded.barTimes, embedded.barTimes + embedded.barTimesSize), source.barTimes,
                         source.beatsPerBar);
        return true;
    }
    AuthoredProject project;
    std::string error;
    if (!readProjectFile(commandLine.projectFile, project, error)) {
        complainAboutFile(commandLine.projectFile, error);
        return false;
    }
    for (const std::string& warning : project.warnings) std::fprintf(stderr, "show: warning: %s\n", warning.c_str());
    source.fileBytes = std::move(project.bytes);
    source.sceneLabels = std::move(project.sceneLabels);
    source.barTimes = std::move(project.barTimes);
    source.beatsPerBar = project.beatsPerBar;
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
    if (!readModuleFile(commandLine.moduleFile, source.fileBytes, error)) {
        complainAboutFile(commandLine.moduleFile, error);
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

bool CaptureMusic::load(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    if (!obtainModule(commandLine, embedded, source)) return false;
    module = loadMusic(commandLine, source);
    return module || commandLine.moduleFile.empty();
}

CaptureMusic::~CaptureMusic() { freeModule(module); }

bool Show::load(const ProjectSource& source, bool buildAll, std::string* error)
{
    registry = new ObjectRegistry();
    timeline = new Timeline();
    auto fail = [&](const std::string& reason) {
        complain(source.origin + ": " + reason);
        if (error) *error = source.origin + ": " + reason;
        destroy();  // what was read before the fault
        return false;
    };
    ProjectStream stream(source.data, source.size);
    const int32_t total = loadProject(stream, *registry, *timeline, createObjectOfKind);
    if (total < 0) return fail(stream.error());
    std::string limitError;
    if (!checkShowLimits(*registry, ShowLimits(), limitError)) return fail(limitError);
    if (buildAll) precalculate(*registry, total, drawProgress);
    return true;
}

void Show::destroy()
{
    if (timeline) timeline->destroy(DESTROY_FREE);
    delete registry;
    timeline = nullptr;
    registry = nullptr;
}

bool startHeadlessGraphics(int32_t width, int32_t height, bool stretch, int32_t supersample)
{
    width *= supersample;
    height *= supersample;
    if (!GLimp_CreateHeadless(width, height)) {
        complain("cannot create a headless OpenGL context");
        return false;
    }
    if (!initRenderer(width, height, stretch ? PictureFit::Stretch : PictureFit::KeepShape)) {
        complain("the OpenGL driver lacks a required extension");
        return false;
    }
    tr.pixelScale = static_cast<float>(supersample);
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
