#include "core/startup.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/progress_bar.h"
#include "core/project_reader.h"
#include "core/settings.h"
#include "core/setup_dialog.h"
#include "core/timeline.h"
#include "mesh/mesh_obj.h"
#include "music/module_file.h"
#include "music/playback.h"
#include "music/wav_render.h"
#include "music/xm_module.h"
#include "platform/clock.h"
#include "platform/glimp.h"
#include "platform/png_file.h"
#include "render/frame.h"
#include "render/gl_context.h"
#include "texture/texture.h"

namespace {

void complain(const std::string& message) { std::fprintf(stderr, "show: %s\n", message.c_str()); }

// The project data: the built-in block, or a file named on the command line.
struct ProjectSource {
    std::vector<uint8_t> fileBytes;
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::string origin;
};

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

// The music module: the built-in one, or a file named on the command line.
struct ModuleSource {
    std::vector<uint8_t> fileBytes;
    std::string origin;
};

// Module files are read whole into memory; beyond this they are refused.
constexpr std::streamoff MODULE_FILE_LIMIT = 256 << 20;

// Hands the module bytes to the player's file callbacks. False, with the
// reason printed, when a named file cannot be read.
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

// Loads the module; a file named on the command line that will not load is
// reported. The built-in module failing plays nothing, silently.
XmModule* loadMusic(const CommandLine& commandLine, const ModuleSource& source)
{
    XmModule* module = loadModule("Tarnevoxin.xm", nullptr);
    if (!module && !commandLine.moduleFile.empty()) complain(source.origin + ": " + moduleLoadError());
    return module;
}

// Everything between a current context and the first frame: registry and
// Timeline, the project read and built with the progress bar.
struct Show {
    ObjectRegistry* registry = nullptr;
    Timeline* timeline = nullptr;

    // Without `buildAll` the objects are only read; the caller builds what it needs.
    bool load(const ProjectSource& source, bool buildAll = true)
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
        if (buildAll) precalculate(*registry, total, drawProgress);
        return true;
    }

    // The Timeline first, then the objects: last section first, last object first.
    void destroy()
    {
        if (timeline) timeline->destroy(DESTROY_FREE);
        delete registry;
        timeline = nullptr;
        registry = nullptr;
        theTimeline = nullptr;
        theRegistry = nullptr;
    }
};

int runShow(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    ProjectSource project;
    if (!obtainProject(commandLine, embedded, project)) return 1;

    if (commandLine.skipDialog) {
        screenWidth = commandLine.width;
        screenHeight = commandLine.height;
        fullScreen = commandLine.fullScreen ? 1 : 0;
    } else if (runSetupDialog() == 0) {
        return 0;  // Exit or closed: nothing else has been created
    }

    if (fullScreen == 1 && GLimp_ChangeDisplayMode(screenWidth, screenHeight)) GLimp_ShowCursor(false);
    if (!GLimp_CreateWindow(screenWidth, screenHeight)) {
        complain("cannot open a window with an OpenGL context");
        return 1;
    }
    if (!initGraphics()) {
        complain("the OpenGL driver lacks a required extension");
        return 1;
    }

    Show show;
    if (!show.load(project)) return 1;

    // The music starts with the clock; a module that will not load or a
    // machine without sound leaves the show silent.
    ModuleSource music;
    XmModule* module = obtainModule(commandLine, embedded, music) ? loadMusic(commandLine, music) : nullptr;
    Sys_Sleep(20);
    if (!startPlayback(module) && module) complain("no sound device: the show runs silent");

    show.timeline->resetClock();
    show.timeline->start();

    while (show.timeline->running) {
        if (GLimp_EscapeState()) show.timeline->stop();
        if (GLimp_DispatchMessage()) continue;
        show.timeline->update(*show.registry);
        renderFrame();
    }

    // Stopped before the window goes, so that the device closes cleanly.
    freeModule(module);
    shutdownGraphics();
    show.destroy();
    GLimp_RestoreDisplayMode();
    GLimp_ShowCursor(true);
    GLimp_DestroyWindow();
    return 0;
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

bool writeFrame(const std::string& path, int width, int height)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // The framebuffer's first row is the bottom one; the picture's is the top.
    std::vector<uint8_t> flipped(pixels.size());
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &flipped[(height - 1 - y) * rowBytes];
        std::memcpy(row, &pixels[y * rowBytes], rowBytes);
        for (int x = 0; x < width; ++x) row[x * 4 + 3] = 255;
    }
    std::string error;
    if (!Sys_WritePng(path, width, height, flipped.data(), static_cast<int>(rowBytes), &error)) {
        complain(error);
        return false;
    }
    return true;
}

int runRender(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    ProjectSource project;
    if (!obtainProject(commandLine, embedded, project)) return 1;
    if (!makeDirectory(commandLine.renderDirectory)) return 1;

    screenWidth = commandLine.width;
    screenHeight = commandLine.height;
    fullScreen = 0;
    if (!GLimp_CreateHeadless(screenWidth, screenHeight)) {
        complain("cannot create a headless OpenGL context");
        return 1;
    }
    if (!initGraphics()) {
        complain("the OpenGL driver lacks a required extension");
        return 1;
    }

    Show show;
    if (!show.load(project)) return 1;
    show.timeline->start();

    // Frame k shows the time k / fps. The step to it is taken from the exact
    // frame time, so that no rounding accumulates over a long capture.
    const double fps = commandLine.fps;
    const long firstFrame = std::lround(commandLine.fromSeconds * fps);
    const long endFrame = std::lround(commandLine.toSeconds * fps);
    long written = 0;
    int exitCode = 0;
    for (long k = 0; k < endFrame; ++k) {
        const float step = k == 0 ? 0.0f : static_cast<float>(k / fps) - show.timeline->time;
        show.timeline->advance(*show.registry, step);
        if (!show.timeline->running) break;  // the show has ended
        // Frames before the span are drawn too: drawing moves state on (the
        // particles' random numbers), and the captured frames must match the show.
        renderFrame();
        if (k < firstFrame) continue;
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%05ld.png", written);
        if (!writeFrame(commandLine.renderDirectory + name, screenWidth, screenHeight)) {
            exitCode = 1;
            break;
        }
        ++written;
    }
    shutdownGraphics();
    show.destroy();
    if (exitCode == 0)
        std::printf("wrote %ld frames to %s\n", written, commandLine.renderDirectory.c_str());
    if (exitCode == 0 && written > 0) {
        // The music of the frames' span: frame k stands for the time k / fps.
        const int64_t firstSample = std::llround(firstFrame * static_cast<double>(MIX_RATE) / fps);
        const int64_t endSample = std::llround((firstFrame + written) * static_cast<double>(MIX_RATE) / fps);
        ModuleSource music;
        XmModule* module = obtainModule(commandLine, embedded, music) ? loadMusic(commandLine, music) : nullptr;
        std::string error;
        const std::string path = commandLine.renderDirectory + "/music.wav";
        if (!writeModuleWav(module, path, firstSample, endSample - firstSample, error)) {
            complain(error);
            exitCode = 1;
        }
        freeModule(module);
    }
    return exitCode;
}

// Headless: reads the project, builds its textures and then its meshes (a
// mesh may read texture pixels), and writes each mesh's geometry as OBJ.
int runDumpMeshes(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    ProjectSource project;
    if (!obtainProject(commandLine, embedded, project)) return 1;
    if (!makeDirectory(commandLine.dumpDirectory)) return 1;
    fullScreen = 0;
    if (!GLimp_CreateHeadless(screenWidth, screenHeight)) {
        complain("cannot create a headless OpenGL context");
        return 1;
    }
    if (!initGraphics()) {
        complain("the OpenGL driver lacks a required extension");
        return 1;
    }
    Show show;
    show.registry = new ObjectRegistry();
    show.timeline = new Timeline();
    theRegistry = show.registry;
    theTimeline = show.timeline;
    ProjectStream stream(project.data, project.size);
    int exitCode = 0;
    if (loadProject(stream, *show.registry, *show.timeline) < 0) {
        complain(project.origin + ": " + stream.error());
        exitCode = 1;
    } else {
        for (SectionKind section : {SectionKind::Texture, SectionKind::Mesh})
            for (ProjectObject* object : (*show.registry)[section]) object->build();
        std::string error;
        if (!writeMeshObjFiles(*show.registry, commandLine.dumpDirectory, error)) {
            complain(error);
            exitCode = 1;
        } else {
            std::printf("wrote %d meshes to %s\n", (*show.registry)[SectionKind::Mesh].count(),
                        commandLine.dumpDirectory.c_str());
        }
    }
    shutdownGraphics();
    show.destroy();
    return exitCode;
}

int runWav(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    ModuleSource music;
    if (!obtainModule(commandLine, embedded, music)) return 1;
    XmModule* module = loadModule("Tarnevoxin.xm", nullptr);
    if (!module) {
        complain(music.origin + ": " + moduleLoadError());
        return 1;
    }
    const int64_t frames = std::llround(commandLine.wavSeconds * MIX_RATE);
    std::string error;
    const bool written = writeModuleWav(module, commandLine.wavFile, 0, frames, error);
    freeModule(module);
    if (!written) {
        complain(error);
        return 1;
    }
    std::printf("wrote %.3f seconds of music to %s\n", static_cast<double>(frames) / MIX_RATE,
                commandLine.wavFile.c_str());
    return 0;
}

// Builds the textures of the project in section order (the generator's
// state carries from one to the next, as in the show) and writes each as an
// RGBA picture, row 0 at the top.
int runDumpTextures(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    ProjectSource project;
    if (!obtainProject(commandLine, embedded, project)) return 1;
    if (!makeDirectory(commandLine.textureDirectory)) return 1;
    if (!GLimp_CreateHeadless(screenWidth, screenHeight)) {
        complain("cannot create a headless OpenGL context");
        return 1;
    }
    if (!initGraphics()) {
        complain("the OpenGL driver lacks a required extension");
        return 1;
    }

    Show show;
    if (!show.load(project, false)) return 1;
    int exitCode = 0;
    int32_t written = 0;
    std::vector<uint8_t> rgba;
    for (ProjectObject* object : (*show.registry)[SectionKind::Texture]) {
        Texture* texture = static_cast<Texture*>(object);
        texture->build();
        rgba.resize(static_cast<size_t>(texture->size) * texture->size * 4);
        textureToRgba(*texture, rgba.data());
        char name[32];
        std::snprintf(name, sizeof name, "/texture_%02d.png", written);
        std::string error;
        if (!Sys_WritePng(commandLine.textureDirectory + name, texture->size, texture->size, rgba.data(),
                          texture->size * 4, &error)) {
            complain(error);
            exitCode = 1;
            break;
        }
        ++written;
    }
    shutdownGraphics();
    show.destroy();
    if (exitCode == 0) std::printf("wrote %d textures to %s\n", written, commandLine.textureDirectory.c_str());
    return exitCode;
}

}  // namespace

int showMain(int argc, const char* const* argv, const EmbeddedData& embedded)
{
    CommandLine commandLine;
    std::string error;
    if (!parseCommandLine(argc, argv, commandLine, error)) {
        std::fprintf(stderr, "show: %s\n%s", error.c_str(), usageText());
        return 2;
    }
    switch (commandLine.mode) {
    case RunMode::Help: std::fputs(usageText(), stdout); return 0;
    case RunMode::Render: return runRender(commandLine, embedded);
    case RunMode::DumpMeshes: return runDumpMeshes(commandLine, embedded);
    case RunMode::Wav: return runWav(commandLine, embedded);
    case RunMode::DumpTextures: return runDumpTextures(commandLine, embedded);
    case RunMode::Show: break;
    }
    return runShow(commandLine, embedded);
}
