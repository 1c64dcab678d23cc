#include "app/live_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/authored_files.h"
#include "app/contact_sheet.h"
#include "app/limits.h"
#include "app/preview_transport.h"
#include "app/settings.h"
#include "app/show_session.h"
#include "core/project_reader.h"
#include "mesh/mesh.h"
#include "music/module_file.h"
#include "music/playback.h"
#include "music/xm_module.h"
#include "platform/clock.h"
#include "platform/file_stamp.h"
#include "platform/glimp.h"
#include "render/frame.h"
#include "render/preview_overlay.h"
#include "render/preview_views.h"
#include "render/render_state.h"
#include "texture/texture.h"

namespace {

constexpr double POLL_SECONDS = 0.1;
constexpr double NOTE_SECONDS = 4.0;          // a note in the status bar
constexpr float MESH_DEGREES_A_SECOND = 30.0f;  // a mesh on its own turns by the wall clock

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

void drawActiveOverlay();

class LivePreview {
public:
    LivePreview(const CommandLine& commandLine, const EmbeddedData& embedded)
        : commandLine_(commandLine), embedded_(embedded), projectFile_(commandLine.projectFile),
          moduleFile_(commandLine.moduleFile)
    {
        marks_.fps = commandLine.fps;
        int32_t highest = 0;
        transport_.muted = mutedChannelsOf(commandLine, highest);
        highestChannel_ = highest;
    }

    int run()
    {
        const int32_t width = commandLine_.width, height = commandLine_.height;
        if (commandLine_.fullScreen) GLimp_ChangeDisplayMode(width, height);
        if (!GLimp_CreateTitledWindow(width, height)) {
            complain("cannot open a window with an OpenGL context");
            return 1;
        }
        if (!initRenderer(width, height, commandLine_.stretch ? PictureFit::Stretch : PictureFit::KeepShape)) {
            complain("the OpenGL driver lacks a required extension");
            return 1;
        }
        active_ = this;
        tr.afterFrame = drawActiveOverlay;

        // A file that does not load yet leaves the window open, waiting for it.
        loadProject();
        loadModule();
        startClock();
        announce();
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
            draw();
            showTitle();
            if (transport_.paused || !show_.registry) Sys_Sleep(10);  // a still picture needs no busy loop
        }

        muteChannels(ChannelMask());
        freeModule(module_);
        tr.afterFrame = nullptr;
        active_ = nullptr;
        releasePreviewOverlay();
        shutdownRenderer();
        show_.destroy();
        GLimp_RestoreDisplayMode();
        GLimp_DestroyWindow();
        return 0;
    }

    static LivePreview* active_;
    PreviewOverlay overlay_;

private:
    void announce()
    {
        std::string files;
        for (const WatchedFile* file : {&projectFile_, &moduleFile_})
            if (!file->path.empty()) files += (files.empty() ? "" : " and ") + file->path;
        std::printf("watching %s (Space pauses, , and . step a frame, PageUp and PageDown a bar, [ and ] a scene, "
                    "L loops it, 1-9 solo a channel, Escape ends; show --help lists every key)\n",
                    files.c_str());
        std::fflush(stdout);
    }

    float time() const { return transport_.time; }

    // The command line's start: --from, or the loop's start when --from is outside the loop.
    void startClock()
    {
        float from = static_cast<float>(commandLine_.fromSeconds);
        if (commandLine_.loop) {
            transport_.looping = commandLine_.loopFrom < marks_.showLength;
            transport_.loopFrom = static_cast<float>(commandLine_.loopFrom);
            transport_.loopTo = std::min(static_cast<float>(commandLine_.loopTo), marks_.showLength);
            if (!transport_.looping) say("the loop starts after the show's end at " + showTimeText(marks_.showLength));
            else if (from < transport_.loopFrom || from >= transport_.loopTo) from = transport_.loopFrom;
        }
        if (from > marks_.showLength && show_.registry)
            say("--from is after the show's end at " + showTimeText(marks_.showLength) + ": playing from there");
        transport_.seek(from, marks_);
        if (highestChannel_ > marks_.channelCount && module_) {
            say("the music has " + std::to_string(marks_.channelCount) + " channels");
            if (commandLine_.soloChannel > marks_.channelCount) transport_.muted = ChannelMask();  // not silence
        }
        syncClock();
    }

    void say(const std::string& note)
    {
        transport_.note = note;
        noteAt_ = secondsNow();
    }

    void startMusic()
    {
        if (!module_ || !show_.registry) return;
        muteChannels(transport_.muted);
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

    // The picture's clock and the music start again from the transport's time.
    void syncClock()
    {
        stopMusic();
        if (!show_.registry) return;
        show_.timeline->time = time();
        if (!transport_.paused) startMusic();
        show_.timeline->resetClock();
    }

    void handle(KeyPress key)
    {
        const bool restart = transport_.press(key, marks_);
        if (!transport_.note.empty()) noteAt_ = secondsNow();
        if (restart) syncClock();
    }

    // As the show's own pass, but round from the end (or the loop's end) to
    // the start instead of ending.
    void step()
    {
        if (!show_.registry) return;
        Timeline& timeline = *show_.timeline;
        const float seconds = transport_.paused ? 0.0f : timeline.elapsed();
        timeline.resetClock();
        if (transport_.advance(seconds, marks_)) {
            syncClock();
            timeline.advance(*show_.registry, 0.0f);
            return;
        }
        timeline.advance(*show_.registry, seconds);
        transport_.time = timeline.time;
    }

    void draw()
    {
        updateOverlay();
        if (!show_.registry) {
            drawEmptyView();
            presentPreviewView();
        } else if (!commandLine_.viewTexture.empty() || !commandLine_.viewMesh.empty()) {
            if (viewTexture_) drawTextureView(*viewTexture_);
            else if (viewMesh_) drawMeshView(*viewMesh_, static_cast<float>(std::fmod(secondsNow() * MESH_DEGREES_A_SECOND, 360.0)));
            else drawEmptyView();
            presentPreviewView();
        } else {
            // Without a scene the show presents the back buffer as it is;
            // the status bar would pile up on it.
            if (!sceneForFrame(*show_.registry, *show_.timeline)) drawEmptyView();
            renderFrame(*show_.registry, *show_.timeline);
        }
    }

    std::string sceneText() const
    {
        if (!show_.registry) return "no show loaded";
        const int32_t sceneCount = (*show_.registry)[SectionKind::Scene].count();
        return sceneLabel(sceneLabels_, show_.timeline->sceneIndex, sceneCount);
    }

    void updateOverlay()
    {
        PreviewOverlay& o = overlay_;
        o.barShown = transport_.barShown;
        std::string what = sceneText();
        if (!commandLine_.viewTexture.empty()) what = "texture " + commandLine_.viewTexture + viewSize_;
        if (!commandLine_.viewMesh.empty()) what = "mesh " + commandLine_.viewMesh + viewSize_;
        const std::string bar = transport_.barText(marks_);
        o.left = clockText(time()) + "   " + (bar.empty() ? "" : bar + "   ") + what;
        if (!transport_.note.empty() && secondsNow() - noteAt_ > NOTE_SECONDS) transport_.note.clear();
        o.note = transport_.note;
        o.right = transport_.stateText(marks_);
        o.time = time();
        o.showLength = marks_.showLength;
        o.cuts = marks_.cuts;
        o.looping = transport_.looping;
        o.loopFrom = transport_.loopFrom;
        o.loopTo = transport_.loopTo;
        o.errors.clear();
        for (const std::string* error : {&projectError_, &viewError_, &moduleError_})
            if (!error->empty()) o.errors.push_back(*error);
        o.errorHeading.clear();
        if (!projectError_.empty())
            o.errorHeading = show_.registry ? "error: showing the last good version until the file is fixed"
                                            : "error: waiting for a version of the project that loads";
        else if (!viewError_.empty()) o.errorHeading = "error: nothing of that name to show";
        else if (!moduleError_.empty())
            o.errorHeading = musicLoaded_ ? "error: playing the last good music until the file is fixed"
                                          : "error: silent until the module file is fixed";
    }

    void showTitle()
    {
        std::string title = "show | " + showTimeText(time()) + " | " + sceneText();
        if (transport_.paused) title += " | paused";
        if (!projectError_.empty())
            title += " | error in " + baseName(projectFile_.path) +
                     (show_.registry ? ": showing the last good version" : ": waiting for a version that loads");
        // A module that never loaded has no last good version: the show is silent.
        if (!moduleError_.empty())
            title += " | error in " + baseName(moduleFile_.path) +
                     (musicLoaded_ ? ": playing the last good version" : ": silent until a version loads");
        if (title == title_) return;
        title_ = title;
        GLimp_SetWindowTitle(title.c_str());
    }

    // The project from its file (or the built-in data), read, checked and
    // loaded (and with `buildAll` built); false with the reason in `error`.
    bool readProject(Show& next, AuthoredProject& project, std::string& error, bool buildAll)
    {
        ProjectSource source;
        if (projectFile_.path.empty()) {
            obtainProject(commandLine_, embedded_, source);
            project.sceneLabels = source.sceneLabels;
            project.barTimes = source.barTimes;
            project.beatsPerBar = source.beatsPerBar;
        } else {
            if (!readProjectFile(projectFile_.path, project, error)) {
                complainAboutFile(projectFile_.path, error);
                return false;
            }
            source.fileBytes = project.bytes;
            source.data = source.fileBytes.data();
            source.size = source.fileBytes.size();
            source.origin = "project file " + projectFile_.path;
            if (!projectWithinLimits(source.data, source.size, ShowLimits(), error)) {
                error = source.origin + ": " + error;
                complain(error);
                return false;
            }
        }
        if (next.load(source, buildAll, &error)) return true;
        next.destroy();
        return false;
    }

    void loadProject()
    {
        const double started = secondsNow();
        AuthoredProject project;
        std::string error;
        Show next;
        const bool reloaded = show_.registry != nullptr;
        // The first version is built with the progress bar.
        if (!readProject(next, project, error, !reloaded)) {
            projectError_ = error;
            if (reloaded) std::fprintf(stderr, "show: keeping the last good version of %s\n", projectFile_.path.c_str());
            return;
        }
        // The old version's OpenGL objects go while the context is current.
        if (reloaded) {
            for (auto& section : show_.registry->sections)
                for (ProjectObject* object : section) object->unload();
            show_.destroy();
            show_ = next;
            precalculate(*show_.registry, 0, nullptr);
        } else {
            show_ = next;
        }
        sceneLabels_ = std::move(project.sceneLabels);
        projectError_.clear();
        marks_.showLength = show_.timeline->showLength();
        marks_.bars.clear();
        for (float start : project.barTimes)
            if (start < marks_.showLength) marks_.bars.push_back(start);
        marks_.beatsPerBar = project.beatsPerBar;
        marks_.cuts = sceneCutTimes(*show_.timeline, marks_.fps);
        findView(project);
        show_.timeline->start();
        transport_.seek(time(), marks_);
        show_.timeline->time = time();
        if (!reloaded) return;
        std::printf("reloaded %s in %.2f seconds, at %s\n", projectFile_.path.c_str(), secondsNow() - started,
                    showTimeText(time()).c_str());
        std::fflush(stdout);
    }

    void reloadProject()
    {
        projectFile_.loaded = projectFile_.seen;
        const bool first = !show_.registry;
        loadProject();
        if (first && show_.registry) {
            std::printf("loaded %s\n", projectFile_.path.c_str());
            std::fflush(stdout);
            syncClock();
        }
    }

    // The texture or mesh shown alone, by its label in the source.
    void findView(const AuthoredProject& project)
    {
        viewTexture_ = nullptr;
        viewMesh_ = nullptr;
        viewError_.clear();
        viewSize_.clear();
        const bool texture = !commandLine_.viewTexture.empty();
        if (!texture && commandLine_.viewMesh.empty()) return;
        const std::string& label = texture ? commandLine_.viewTexture : commandLine_.viewMesh;
        const std::vector<std::string>& labels = texture ? project.textureLabels : project.meshLabels;
        const auto found = std::find(labels.begin(), labels.end(), label);
        ProjectObject* object = found == labels.end() ? nullptr
            : show_.registry->at(texture ? SectionKind::Texture : SectionKind::Mesh, static_cast<int32_t>(found - labels.begin()));
        if (!object) {
            std::string known;
            for (const std::string& name : labels)
                if (!name.empty()) known += (known.empty() ? "" : ", ") + name;
            viewError_ = projectFile_.path + " has no " + (texture ? "texture" : "mesh") + " labelled '" + label + "'" +
                         (project.fromSource ? (known.empty() ? std::string(" (it labels none)") : " (it has " + known + ")")
                                             : std::string(": it is compiled data, which keeps no labels"));
            complain(viewError_);
            return;
        }
        if (texture) {
            viewTexture_ = static_cast<Texture*>(object);
            viewSize_ = " (" + std::to_string(viewTexture_->size) + " x " + std::to_string(viewTexture_->size) + ")";
        } else {
            viewMesh_ = static_cast<Mesh*>(object);
            const MeshBuffers& geometry = viewMesh_->sharedGeometry ? *viewMesh_->sharedGeometry : viewMesh_->buffers;
            viewSize_ = " (" + std::to_string(geometry.vertexCount / 3) + " triangles)";
        }
    }

    // The module from its file (or the built-in one); false with the reason.
    bool readModule(XmModule*& next, std::string& error)
    {
        if (moduleFile_.path.empty()) {
            if (obtainModule(commandLine_, embedded_, music_)) next = loadMusic(commandLine_, music_);
            return next != nullptr;
        }
        installResourceCallbacks();
        std::vector<uint8_t> xm;
        if (!readModuleFile(moduleFile_.path, xm, error)) {
            complainAboutFile(moduleFile_.path, error);
            return false;
        }
        setModuleResource(xm.data(), static_cast<int32_t>(xm.size()));
        next = ::loadModule("Tarnevoxin.xm", nullptr);
        if (!next) {
            error = "module file " + moduleFile_.path + ": " + moduleLoadError();
            complain(error);
            setModuleResource(music_.fileBytes.data(), static_cast<int32_t>(music_.fileBytes.size()));
            return false;
        }
        music_.fileBytes = std::move(xm);
        return true;
    }

    void loadModule()
    {
        XmModule* next = nullptr;
        std::string error;
        if (!readModule(next, error)) {
            moduleError_ = error;
            if (musicLoaded_) std::fprintf(stderr, "show: keeping the last good version of %s\n", moduleFile_.path.c_str());
            return;
        }
        freeModule(module_);
        module_ = next;
        musicLoaded_ = true;
        moduleError_.clear();
        marks_.channelCount = module_->channelCount;
    }

    void reloadModule()
    {
        const double started = secondsNow();
        moduleFile_.loaded = moduleFile_.seen;
        loadModule();
        if (!moduleError_.empty()) return;
        syncClock();
        std::printf("reloaded %s in %.2f seconds, at %s\n", moduleFile_.path.c_str(), secondsNow() - started,
                    showTimeText(time()).c_str());
        std::fflush(stdout);
    }

    const CommandLine& commandLine_;
    const EmbeddedData& embedded_;
    WatchedFile projectFile_, moduleFile_;
    ModuleSource music_;
    Show show_;  // no registry until a version has loaded
    XmModule* module_ = nullptr;
    bool musicLoaded_ = false, silenceReported_ = false;
    std::vector<std::string> sceneLabels_;
    ShowMarks marks_;
    PreviewTransport transport_;
    int32_t highestChannel_ = 0;
    double noteAt_ = 0.0;
    Texture* viewTexture_ = nullptr;
    Mesh* viewMesh_ = nullptr;
    std::string viewSize_;
    std::string projectError_, moduleError_, viewError_;  // what failed last; empty: nothing
    std::string title_;
};

LivePreview* LivePreview::active_ = nullptr;

void drawActiveOverlay()
{
    if (LivePreview::active_) drawPreviewOverlay(LivePreview::active_->overlay_);
}

}  // namespace

int runLivePreview(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    LivePreview preview(commandLine, embedded);
    return preview.run();
}
