#include "app/startup.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "app/authored_files.h"
#include "app/capture_modes.h"
#include "app/command_line.h"
#include "app/contact_sheet.h"
#include "app/live_preview.h"
#include "app/settings.h"
#include "platform/interruption.h"
#include "app/setup_dialog.h"
#include "app/show_session.h"
#include "app/timedemo.h"
#include "app/video_capture.h"
#include "music/playback.h"
#include "music/xm_module.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/glimp.h"
#include "platform/signals.h"
#include "render/frame.h"
#include "render/render_state.h"

namespace {

int runShow(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    ProjectSource project;
    if (!obtainProject(commandLine, embedded, project)) return 1;

    Settings settings;
    if (commandLine.skipDialog) {
        settings.screenWidth = commandLine.width;
        settings.screenHeight = commandLine.height;
        settings.fullScreen = commandLine.fullScreen ? 1 : 0;
    } else {
        GLimp_DisplaySize(settings.displayWidth, settings.displayHeight);  // offered beside the three
        if (runSetupDialog(settings) == 0) return 0;  // Exit or closed: nothing else has been created
    }

    const int32_t width = settings.screenWidth, height = settings.screenHeight;
    if (settings.fullScreen == 1 && GLimp_ChangeDisplayMode(width, height)) GLimp_ShowCursor(false);
    if (!GLimp_CreateWindow(width, height)) {
        complain("cannot open a window with an OpenGL context");
        return 1;
    }
    if (!initRenderer(width, height, commandLine.stretch ? PictureFit::Stretch : PictureFit::KeepShape)) {
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
    const int64_t firstMusicFrame = std::llround(commandLine.fromSeconds * MIX_RATE);
    if (!startPlayback(module, firstMusicFrame) && module) complain("no sound device: the show runs silent");

    show.timeline->time = static_cast<float>(commandLine.fromSeconds);
    show.timeline->resetClock();
    show.timeline->start();

    while (show.timeline->running) {
        if (GLimp_EscapeState()) show.timeline->stop();
        if (GLimp_DispatchMessage()) continue;
        show.timeline->update(*show.registry);
        renderFrame(*show.registry, *show.timeline);
    }

    // Stopped before the window goes, so that the device closes cleanly.
    freeModule(module);
    shutdownRenderer();
    show.destroy();
    GLimp_RestoreDisplayMode();
    GLimp_ShowCursor(true);
    GLimp_DestroyWindow();
    return 0;
}

}  // namespace

int showMain(int argc, const char* const* argv, const EmbeddedData& embedded)
{
    Sys_KeepDefaultSignals();
    installInterruptionHandlers();
    CommandLine commandLine;
    std::string error;
    if (!parseCommandLine(argc, argv, commandLine, error)) {
        // The whole usage for an option not known; a bad value is one line.
        if (error.rfind("unknown option", 0) == 0) std::fprintf(stderr, "show: %s\n%s", error.c_str(), usageText());
        else std::fprintf(stderr, "show: %s (show --help lists the options)\n", error.c_str());
        return 2;
    }
    // Every module loaded from here on (show, --wav, captures, the preview's
    // reloads) plays with the player the command line names, if it names one.
    setPlayerModeOverride(commandLine.player);
    // A project source that names its music plays it, unless --module names other.
    if (commandLine.moduleFile.empty() && !commandLine.projectFile.empty())
        commandLine.moduleFile = musicNamedBy(commandLine.projectFile);
    // A capture stopped by Ctrl-C or SIGTERM has put its files right (and
    // said so); the program then ends by that signal.
    int captured = -1;
    switch (commandLine.mode) {
    case RunMode::Help: std::fputs(usageText(), stdout); return 0;
    case RunMode::Render: captured = runRender(commandLine, embedded); break;
    case RunMode::DumpMeshes: captured = runDumpMeshes(commandLine, embedded); break;
    case RunMode::Wav: captured = runWav(commandLine, embedded); break;
    case RunMode::DumpTextures: captured = runDumpTextures(commandLine, embedded); break;
    case RunMode::Sheet: captured = runContactSheet(commandLine, embedded); break;
    case RunMode::Video: captured = runVideo(commandLine, embedded); break;
    case RunMode::Timedemo: return runTimedemo(commandLine, embedded);
    case RunMode::Show: break;
    }
    if (captured >= 0) {
        endByInterruption();
        return captured;
    }
    // The show and its preview play to the device chosen here.
    Sys_UseAudio(Sys_ChooseAudio());
    return commandLine.watch ? runLivePreview(commandLine, embedded) : runShow(commandLine, embedded);
}
