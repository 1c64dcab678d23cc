#include "app/capture_modes.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/frame_capture.h"
#include "app/frame_writer.h"
#include "app/preview_transport.h"
#include "app/settings.h"
#include "app/show_session.h"
#include "mesh/mesh_obj.h"
#include "music/playback.h"
#include "music/wav_render.h"
#include "music/xm_module.h"
#include "platform/interruption.h"
#include "platform/png_file.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "render/screenshot.h"
#include "texture/texture.h"

namespace {

// A frame as read back (bottom row first) as an opaque PNG file's bytes:
// the rows are handed to the encoder bottom up, so nothing is copied.
bool encodeFramePng(const WrittenFrame& frame, std::vector<uint8_t>& bytes, std::string& error)
{
    PngPicture picture;
    picture.width = frame.width;
    picture.height = frame.height;
    picture.stride = -static_cast<ptrdiff_t>(frame.width) * 4;
    picture.top = frame.pixels.data() + static_cast<ptrdiff_t>(frame.height - 1) * frame.width * 4;
    picture.opaque = true;
    return Sys_EncodePng(picture, PngEffort::Fast, bytes, &error);
}

// A frame of a capture: frame_ and five digits or more, .png.
bool isFrameName(const std::string& name)
{
    if (name.size() < 15 || name.compare(0, 6, "frame_") != 0 || name.compare(name.size() - 4, 4, ".png") != 0)
        return false;
    for (size_t i = 6; i < name.size() - 4; ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// New frames beside an older, longer capture's would make one capture of
// two: refused, or with --force the old frames (and only they) removed.
bool clearOlderFrames(const std::string& directory, bool force)
{
    std::vector<std::string> frames;
    if (DIR* folder = opendir(directory.c_str())) {
        while (const dirent* entry = readdir(folder))
            if (isFrameName(entry->d_name)) frames.push_back(entry->d_name);
        closedir(folder);
    }
    if (frames.empty()) return true;
    std::sort(frames.begin(), frames.end());
    const std::string count = std::to_string(frames.size());
    if (!force) {
        complain(directory + " holds " + count + " frames of an older capture (" + frames.front() +
                 (frames.size() > 1 ? " to " + frames.back() : "") +
                 "): add --force to remove them first, or name another folder");
        return false;
    }
    for (const std::string& name : frames)
        if (unlink((directory + "/" + name).c_str()) != 0) {
            complain("cannot remove " + directory + "/" + name + ": " + std::strerror(errno));
            return false;
        }
    std::printf("removed %s frames of an older capture from %s\n", count.c_str(), directory.c_str());
    return true;
}

}  // namespace

int runRender(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    ProjectSource project;
    if (!obtainProject(commandLine, embedded, project)) return 1;
    CaptureMusic music;
    if (!music.load(commandLine, embedded)) return 1;
    if (!makeDirectory(commandLine.renderDirectory)) return 1;
    if (!clearOlderFrames(commandLine.renderDirectory, commandLine.force)) return 1;

    if (!startHeadlessGraphics(commandLine.width, commandLine.height, commandLine.stretch, commandLine.supersample))
        return 1;

    Show show;
    if (!show.load(project)) return 1;
    std::string empty;
    const FrameSpan span = showSpan(show, commandLine.fps, commandLine.fromSeconds, commandLine.toSeconds,
                                    "--fps " + numberText(commandLine.fps), empty);
    if (!empty.empty()) {
        complain(empty);
        shutdownRenderer();
        show.destroy();
        return 1;
    }
    show.timeline->start();

    bool failed = false;
    // A Ctrl-C ends the capture after the frame being drawn; the frames handed
    // over are still encoded and placed: every frame is a whole picture.
    StopOnInterruption stopHere;
    // Frame n of the span is frame_n.png: the writer places them in the order handed over.
    const int factor = commandLine.supersample;
    auto encode = [factor](const WrittenFrame& frame, std::vector<uint8_t>& bytes, std::string& error) {
        if (factor == 1) return encodeFramePng(frame, bytes, error);
        WrittenFrame small{frame.sequence, frame.width / factor, frame.height / factor, {}};
        filterDown(frame.pixels.data(), small.width, small.height, factor, small.pixels);
        return encodeFramePng(small, bytes, error);
    };
    // A frame drawn large takes a lot of memory: fewer of them wait.
    const int workers = FrameWriter::defaultWorkers();
    FrameWriter writer(workers, factor == 1 ? 2 * workers : workers, encode,
                       [&](long sequence, const std::vector<uint8_t>& bytes, std::string& error) {
                           char name[32];
                           std::snprintf(name, sizeof name, "/frame_%05ld.png", sequence);
                           return Sys_WriteFileBytes(commandLine.renderDirectory + name, bytes, &error, OutputFile::Name::Made);
                       });
    const int width = commandLine.width * factor, height = commandLine.height * factor;
    captureFrames(show, span, [&](long) {
        std::vector<uint8_t> pixels = writer.buffer();
        pixels.resize(static_cast<size_t>(width) * height * 4);
        readFramePixels(width, height, pixels.data());
        return writer.submit(std::move(pixels), width, height);
    }, failed);
    std::string writeError;
    if (!writer.finish(writeError)) {
        complain(writeError);
        failed = true;
    }
    const long written = writer.placed();
    int exitCode = failed ? 1 : 0;
    shutdownRenderer();
    show.destroy();
    if (interruptionSignal()) {
        complain("interrupted: wrote " + std::to_string(written) + " whole frames to " + commandLine.renderDirectory +
                 ", and no music.wav");
        endByInterruption();
    }
    if (exitCode == 0 && written == 0) {
        complain("no frames written: the show ended before the first frame of the span");
        exitCode = 1;
    }
    if (exitCode == 0)
        std::printf("wrote %ld frames to %s\n", written, commandLine.renderDirectory.c_str());
    if (exitCode == 0 && written > 0) {
        // The music of the frames' span: frame k stands for the time k / fps.
        const int64_t firstSample = span.musicFrame(span.first);
        const int64_t endSample = span.musicFrame(span.first + written);
        XmModule* module = music.module;
        std::string error;
        const std::string path = commandLine.renderDirectory + "/music.wav";
        int64_t musicWritten = 0;
        if (!writeModuleWav(module, path, firstSample, endSample - firstSample, error, OutputFile::Name::Made,
                            &musicWritten)) {
            complain(error);
            exitCode = 1;
        } else if (interruptionSignal()) {
            complain("interrupted: " + path + " holds the first " + numberText(double(musicWritten) / MIX_RATE) +
                     " seconds of the frames' music, as its header says");
        }
        endByInterruption();
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
    if (!startHeadlessGraphics(commandLine.width, commandLine.height)) return 1;
    Show show;
    if (!show.load(project, false)) return 1;
    for (SectionKind section : {SectionKind::Texture, SectionKind::Mesh})
        for (ProjectObject* object : (*show.registry)[section]) object->build();
    int exitCode = 0;
    std::string error;
    if (!writeMeshObjFiles(*show.registry, commandLine.dumpDirectory, error)) {
        complain(error);
        exitCode = 1;
    } else {
        std::printf("wrote %d meshes to %s\n", (*show.registry)[SectionKind::Mesh].count(),
                    commandLine.dumpDirectory.c_str());
    }
    shutdownRenderer();
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
    std::fprintf(stderr, "show: %s plays with the %s player\n", music.origin.c_str(),
                 playerModeName(module->playerMode));
    int32_t highest = 0;
    const ChannelMask muted = mutedChannelsOf(commandLine, highest);
    if (highest > module->channelCount) {
        complain(music.origin + " has " + std::to_string(module->channelCount) + " channels: there is no channel " +
                 std::to_string(highest));
        freeModule(module);
        return 1;
    }
    muteChannels(muted);
    const int64_t frames = std::llround(commandLine.wavSeconds * MIX_RATE);
    std::string error;
    int64_t framesWritten = 0;
    StopOnInterruption stopHere;
    const bool written = writeModuleWav(module, commandLine.wavFile, 0, frames, error, OutputFile::Name::Named,
                                        &framesWritten);
    freeModule(module);
    muteChannels(ChannelMask());
    if (!written) {
        complain(error);
        return 1;
    }
    if (interruptionSignal()) {
        complain("interrupted: " + commandLine.wavFile + " holds the first " +
                 numberText(double(framesWritten) / MIX_RATE) + " of " + numberText(double(frames) / MIX_RATE) +
                 " seconds, as its header says");
        endByInterruption();
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
    if (!startHeadlessGraphics(commandLine.width, commandLine.height)) return 1;

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
                          texture->size * 4, &error, OutputFile::Name::Made)) {
            complain(error);
            exitCode = 1;
            break;
        }
        ++written;
    }
    shutdownRenderer();
    show.destroy();
    if (exitCode == 0) std::printf("wrote %d textures to %s\n", written, commandLine.textureDirectory.c_str());
    return exitCode;
}
