#include "app/live_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/authored_files.h"
#include "app/contact_sheet.h"
#include "core/project_reader.h"
#include "app/settings.h"
#include "app/show_session.h"
#include "music/module_file.h"
#include "music/playback.h"
#include "music/xm_module.h"
#include "platform/clock.h"
#include "platform/file_stamp.h"
#include "platform/glimp.h"
#include "render/frame.h"
#include "render/render_state.h"

namespace {

constexpr float SEEK_SECONDS = 5.0f;
constexpr double POLL_SECONDS = 0.1;

double secondsNow() { return static_cast<double>(Sys_Counter()) / static_cast<double>(Sys_CounterFrequency()); }

std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file on disk and the version of it that was read last.
struct WatchedFile {
    std::string path;
    FileStamp loaded;
    FileStamp seen;  // at the last poll

    explicit WatchedFile(const std::string& name = std::string()) : path(name), loaded(Sys_FileStamp(name)), seen(loaded) {}

    // Changed since it was read, and the same as at the last poll: an
    // editor that writes in steps is not caught half-way.
    bool changedAndSettled()
    {
        const FileStamp now = Sys_FileStamp(path);
        const bool settled = now.exists && now == seen && now != loaded;
        seen = now;
        return settled;
    }
};

class LivePreview {
public:
    LivePreview(const CommandLine& commandLine, const EmbeddedData& embedded)
        : commandLine_(commandLine), embedded_(embedded), projectFile_(commandLine.projectFile),
          moduleFile_(commandLine.moduleFile)
    {
    }

    int run()
    {
        if (!obtainProject(commandLine_, embedded_, projectSource_)) return 1;
        const int32_t width = commandLine_.width, height = commandLine_.height;
        if (commandLine_.fullScreen) GLimp_ChangeDisplayMode(width, height);
        if (!GLimp_CreateTitledWindow(width, height)) {
            complain("cannot open a window with an OpenGL context");
            return 1;
        }
        if (!initRenderer(width, height)) {
            complain("the OpenGL driver lacks a required extension");
            return 1;
        }
        if (!show_.load(projectSource_)) return 1;
        sceneLabels_ = projectSource_.sceneLabels;
        if (obtainModule(commandLine_, embedded_, music_)) module_ = loadMusic(commandLine_, music_);

        announce();
        show_.timeline->start();
        seek(static_cast<float>(commandLine_.fromSeconds));
        double lastPoll = secondsNow();
        for (;;) {
            while (GLimp_DispatchMessage()) {
            }
            if (GLimp_EscapeState() || GLimp_CloseRequested()) break;
            for (KeyPress key = GLimp_TakeKeyPress(); key != KeyPress::None; key = GLimp_TakeKeyPress()) handle(key);
            if (secondsNow() - lastPoll >= POLL_SECONDS) {
                lastPoll = secondsNow();
                if (!projectFile_.path.empty() && projectFile_.changedAndSettled()) reloadProject();
                if (!moduleFile_.path.empty() && moduleFile_.changedAndSettled()) reloadModule();
            }
            step();
            renderFrame(*show_.registry, *show_.timeline);
            showTitle();
            if (paused_) Sys_Sleep(10);  // a still picture needs no busy loop
        }

        freeModule(module_);
        shutdownRenderer();
        show_.destroy();
        GLimp_RestoreDisplayMode();
        GLimp_DestroyWindow();
        return 0;
    }

private:
    void announce()
    {
        std::string files;
        for (const WatchedFile* file : {&projectFile_, &moduleFile_})
            if (!file->path.empty()) files += (files.empty() ? "" : " and ") + file->path;
        std::printf("watching %s (Space pauses, Left and Right seek 5 seconds, Home restarts, Escape ends)\n",
                    files.c_str());
        std::fflush(stdout);
    }

    float time() const { return show_.timeline->time; }

    void startMusic()
    {
        if (!module_) return;
        const int64_t frame = std::llround(static_cast<double>(time()) * MIX_RATE);
        if (!startPlayback(module_, frame) && !silenceReported_) {
            complain("no sound device: the preview runs silent");
            silenceReported_ = true;
        }
    }

    void stopMusic()
    {
        if (module_) stopPlayback(module_);
    }

    // The picture's clock starts again with the music.
    void seek(float seconds)
    {
        stopMusic();
        show_.timeline->time = std::min(std::max(seconds, 0.0f), ShowEndTime);
        ended_ = false;
        if (!paused_) startMusic();
        show_.timeline->resetClock();
    }

    void handle(KeyPress key)
    {
        switch (key) {
        case KeyPress::Space:
            if (ended_) {
                paused_ = false;
                seek(0.0f);
            } else if (paused_) {
                paused_ = false;
                seek(time());
            } else {
                paused_ = true;
                stopMusic();
            }
            break;
        case KeyPress::Left: seek(time() - SEEK_SECONDS); break;
        case KeyPress::Right: seek(time() + SEEK_SECONDS); break;
        case KeyPress::Home:
            paused_ = false;
            seek(0.0f);
            break;
        case KeyPress::None: break;
        }
    }

    // As the show's own pass, but held at the end instead of ending.
    void step()
    {
        Timeline& timeline = *show_.timeline;
        float seconds = paused_ ? 0.0f : timeline.elapsed();
        timeline.resetClock();
        if (timeline.time + seconds > ShowEndTime) {
            timeline.time = ShowEndTime;
            seconds = 0.0f;
            paused_ = ended_ = true;
            stopMusic();
        }
        timeline.advance(*show_.registry, seconds);
    }

    void showTitle()
    {
        const int32_t sceneCount = (*show_.registry)[SectionKind::Scene].count();
        std::string title = "show | " + showTimeText(time()) + " | " +
                            sceneLabel(sceneLabels_, show_.timeline->sceneIndex, sceneCount);
        if (ended_) title += " | end";
        else if (paused_) title += " | paused";
        for (const std::string* failed : {&projectError_, &moduleError_})
            if (!failed->empty()) title += " | error in " + *failed + ": showing the last good version";
        if (title == title_) return;
        title_ = title;
        GLimp_SetWindowTitle(title.c_str());
    }

    void reloadFailed(std::string& errorState, const WatchedFile& file)
    {
        errorState = baseName(file.path);
        std::fprintf(stderr, "show: keeping the last good version of %s\n", file.path.c_str());
    }

    void reloadProject()
    {
        const double started = secondsNow();
        projectFile_.loaded = projectFile_.seen;
        AuthoredProject project;
        std::string error;
        if (!readProjectFile(projectFile_.path, project, error)) {
            complainAboutFile(projectFile_.path, error);
            return reloadFailed(projectError_, projectFile_);
        }
        ProjectSource source;
        source.fileBytes = std::move(project.bytes);
        source.data = source.fileBytes.data();
        source.size = source.fileBytes.size();
        source.origin = "project file " + projectFile_.path;
        Show next;
        if (!next.load(source, false)) {
            next.destroy();
            return reloadFailed(projectError_, projectFile_);
        }
        // The old version's OpenGL objects go while the context is current.
        const float at = time();
        for (auto& section : show_.registry->sections)
            for (ProjectObject* object : section) object->unload();
        show_.destroy();
        show_ = next;
        precalculate(*show_.registry, 0, nullptr);
        sceneLabels_ = std::move(project.sceneLabels);
        projectError_.clear();
        show_.timeline->start();
        show_.timeline->time = at;
        std::printf("reloaded %s in %.2f seconds, at %s\n", projectFile_.path.c_str(), secondsNow() - started,
                    showTimeText(at).c_str());
        std::fflush(stdout);
    }

    void reloadModule()
    {
        const double started = secondsNow();
        moduleFile_.loaded = moduleFile_.seen;
        std::vector<uint8_t> xm;
        std::string error;
        if (!readModuleFile(moduleFile_.path, xm, error)) {
            complainAboutFile(moduleFile_.path, error);
            return reloadFailed(moduleError_, moduleFile_);
        }
        setModuleResource(xm.data(), static_cast<int32_t>(xm.size()));
        XmModule* next = loadModule("Tarnevoxin.xm", nullptr);
        if (!next) {
            complain("module file " + moduleFile_.path + ": " + moduleLoadError());
            setModuleResource(music_.fileBytes.data(), static_cast<int32_t>(music_.fileBytes.size()));
            return reloadFailed(moduleError_, moduleFile_);
        }
        freeModule(module_);
        module_ = next;
        music_.fileBytes = std::move(xm);
        moduleError_.clear();
        if (!paused_) seek(time());
        std::printf("reloaded %s in %.2f seconds, at %s\n", moduleFile_.path.c_str(), secondsNow() - started,
                    showTimeText(time()).c_str());
        std::fflush(stdout);
    }

    const CommandLine& commandLine_;
    const EmbeddedData& embedded_;
    WatchedFile projectFile_, moduleFile_;
    ProjectSource projectSource_;
    ModuleSource music_;
    Show show_;
    XmModule* module_ = nullptr;
    std::vector<std::string> sceneLabels_;
    bool paused_ = false, ended_ = false, silenceReported_ = false;
    std::string projectError_, moduleError_;  // the file whose last version failed
    std::string title_;
};

}  // namespace

int runLivePreview(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    LivePreview preview(commandLine, embedded);
    return preview.run();
}
