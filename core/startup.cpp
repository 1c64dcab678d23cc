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
#include "platform/glimp.h"
#include "platform/png_file.h"
#include "render/frame.h"
#include "render/gl_context.h"

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

// Everything between a current context and the first frame: registry and
// Timeline, the project read and built with the progress bar.
struct Show {
    ObjectRegistry* registry = nullptr;
    Timeline* timeline = nullptr;

    bool load(const ProjectSource& source)
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
        precalculate(*registry, total, drawProgress);
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

    show.timeline->resetClock();
    show.timeline->start();

    while (show.timeline->running) {
        if (GLimp_EscapeState()) show.timeline->stop();
        if (GLimp_DispatchMessage()) continue;
        show.timeline->update(*show.registry);
        renderFrame();
    }

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
    case RunMode::Show: break;
    }
    return runShow(commandLine, embedded);
}
