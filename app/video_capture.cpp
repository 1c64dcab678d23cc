#include "app/video_capture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "app/contact_sheet.h"
#include "app/frame_capture.h"
#include "app/frame_writer.h"
#include "app/settings.h"
#include "app/show_session.h"
#include "music/playback.h"
#include "music/wav_render.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/interruption.h"
#include "platform/output_file.h"
#include "render/render_state.h"
#include "render/screenshot.h"

namespace {

bool hasEncoder(const std::string& list, const std::string& name)
{
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string flags, encoder;
        if (words >> flags >> encoder && encoder == name) return true;
    }
    return false;
}

// The frame rate as ffmpeg reads it, to ten digits.
std::string framerateText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// "frame n of N, time left" on one line that rewrites itself.
class Progress {
public:
    explicit Progress(long total) : total_(total), start_(Sys_Counter()), terminal_(isatty(STDERR_FILENO) == 1) {}

    void frameDone(long done)
    {
        const double elapsed = double(Sys_Counter() - start_) / double(Sys_CounterFrequency());
        // On a terminal the line rewrites itself; in a log it is a line every few seconds.
        if (done < total_ && elapsed - shownAt_ < (terminal_ ? 0.25 : 5.0)) return;
        shownAt_ = elapsed;
        const double rate = elapsed > 0 ? done / elapsed : 0.0;
        const long left = rate > 0 ? std::lround((total_ - done) / rate) : 0;
        std::fprintf(stderr, "%svideo: frame %ld of %ld, %.1f frames a second, %ld:%02ld left%s", terminal_ ? "\r" : "",
                     done, total_, rate, left / 60, left % 60, terminal_ ? " " : "\n");
        if (done == total_ && terminal_) std::fputc('\n', stderr);
        std::fflush(stderr);
        last_ = done;
    }

    // Ends the line when the show ended before the span did.
    void finish()
    {
        if (terminal_ && last_ >= 0 && last_ < total_) std::fputc('\n', stderr);
    }

private:
    long total_;
    int64_t start_;
    bool terminal_;
    double shownAt_ = -1.0;
    long last_ = -1;
};

// The span's music in a temporary WAV file for ffmpeg to read, removed when
// `wav` goes (or by the interruption handler).
bool writeTemporaryWav(XmModule* module, const FrameSpan& span, OutputFile& wav)
{
    const char* directory = std::getenv("TMPDIR");
    if (!wav.openScratch(directory && *directory ? directory : "/tmp", "show-video-")) {
        complain(wav.error());
        return false;
    }
    std::string error;
    const int64_t first = span.musicFrame(span.first);
    const bool written = writeModuleWav(module, wav, first, span.musicFrame(span.end) - first, error);
    if (!written) complain(error);
    return written;
}

// How long ffmpeg may take no frame before it is ended (a test lowers it).
double encoderStallSeconds()
{
    const char* text = std::getenv("SHOW_VIDEO_STALL_SECONDS");
    const double seconds = text ? std::atof(text) : 0.0;
    return seconds > 0 ? seconds : 60.0;
}

// The frame as ffmpeg reads rgb24: the top row first, three bytes a pixel.
bool rgbRowsOf(const WrittenFrame& frame, std::vector<uint8_t>& rgb, std::string&)
{
    rgb.resize(static_cast<size_t>(frame.width) * frame.height * 3);
    uint8_t* out = rgb.data();
    for (int y = frame.height - 1; y >= 0; --y) {
        const uint8_t* in = &frame.pixels[static_cast<size_t>(y) * frame.width * 4];
        for (int x = 0; x < frame.width; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
    return true;
}

}  // namespace

std::vector<std::string> encoderArguments(const std::string& ffmpeg, const std::string& encoderList, int width,
                                          int height, double fps, const std::string& wavPath,
                                          const std::string& outputPath)
{
    std::vector<std::string> arguments = {
        ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pixel_format", "rgb24",
        "-video_size", std::to_string(width) + "x" + std::to_string(height),
        "-framerate", framerateText(fps), "-i", "pipe:0",
        "-i", wavPath, "-map", "0:v", "-map", "1:a"};
    if (hasEncoder(encoderList, "libx264")) {
        arguments.insert(arguments.end(), {"-c:v", "libx264", "-preset", "medium", "-crf", "18"});
    } else {
        arguments.insert(arguments.end(), {"-c:v", "mpeg4", "-q:v", "2"});
    }
    // 4:2:0 wants even sizes: an odd row or column is padded, not scaled.
    arguments.insert(arguments.end(), {"-pix_fmt", "yuv420p"});
    if (width % 2 || height % 2) arguments.insert(arguments.end(), {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2"});
    if (hasEncoder(encoderList, "aac")) arguments.insert(arguments.end(), {"-c:a", "aac", "-b:a", "192k"});
    else if (hasEncoder(encoderList, "libmp3lame")) arguments.insert(arguments.end(), {"-c:a", "libmp3lame", "-b:a", "192k"});
    // The music ends with the frames, also when the show ends before the span does.
    arguments.insert(arguments.end(), {"-shortest", "-movflags", "+faststart", outputPath});
    return arguments;
}

int runVideo(const CommandLine& commandLine, const EmbeddedData& embedded)
{
    const std::string ffmpeg = Sys_FindProgram("ffmpeg");
    if (ffmpeg.empty()) {
        complain("--video needs the ffmpeg program, which is not on the PATH: install it with 'apt-get install ffmpeg'");
        return 1;
    }
    ProjectSource project;
    if (!obtainProject(commandLine, embedded, project)) return 1;
    CaptureMusic music;
    if (!music.load(commandLine, embedded)) return 1;
    const int screenWidth = commandLine.width, screenHeight = commandLine.height;
    Show show;
    if (!startHeadlessGraphics(screenWidth, screenHeight, commandLine.stretch, commandLine.supersample) || !show.load(project)) {
        show.destroy();
        return 1;
    }
    // The video and its music stop where the show ends.
    std::string empty;
    const FrameSpan span = showSpan(show, commandLine.fps, commandLine.fromSeconds, commandLine.toSeconds,
                                    "--fps " + framerateText(commandLine.fps), empty);
    if (!empty.empty()) {
        complain(empty);
        shutdownRenderer();
        show.destroy();
        return 1;
    }
    // ffmpeg writes a temporary beside the video, which is put in place
    // only when ffmpeg succeeded and wrote something.
    OutputFile video, wav;
    StopOnInterruption stopHere;
    int exitCode = 1;
    if (!video.open(commandLine.videoFile)) {
        complain(video.error());
    } else if (video.direct()) {
        complain("cannot write " + commandLine.videoFile + ": a video is written into a file, not a device or FIFO");
    } else if (!writeTemporaryWav(music.module, span, wav)) {
    } else if (interruptionSignal()) {
        complain("interrupted while writing the music: " + commandLine.videoFile + " is not written");
    } else {
        const std::string videoTemporary = video.handOver();
        show.timeline->start();
        std::string encoders, error;
        Sys_RunForOutput({ffmpeg, "-hide_banner", "-encoders"}, encoders);
        ChildProcess* encoder = Sys_StartWithInputPipe(
            encoderArguments(ffmpeg, encoders, screenWidth, screenHeight, span.fps, wav.path(), videoTemporary),
            error, encoderStallSeconds());
        if (!encoder) {
            complain(error);
        } else {
            Progress progress(span.count());
            if (span.first > 0)
                std::fprintf(stderr, "video: drawing the %ld frames before %s first, as the show does\n", span.first,
                             showTimeText(span.seconds(span.first)).c_str());
            bool failed = false;
            // Turned into ffmpeg's rows off the render thread, and fed to it in order.
            const int factor = commandLine.supersample, workers = FrameWriter::defaultWorkers();
            auto encode = [factor](const WrittenFrame& frame, std::vector<uint8_t>& rgb, std::string& error) {
                if (factor == 1) return rgbRowsOf(frame, rgb, error);
                WrittenFrame small{frame.sequence, frame.width / factor, frame.height / factor, {}};
                filterDown(frame.pixels.data(), small.width, small.height, factor, small.pixels);
                return rgbRowsOf(small, rgb, error);
            };
            FrameWriter writer(workers, factor == 1 ? 2 * workers : workers, encode,
                               [&](long sequence, const std::vector<uint8_t>& rgb, std::string& error) {
                                   if (!Sys_WriteToChild(encoder, rgb.data(), rgb.size())) {
                                       error = "ffmpeg stopped taking frames";
                                       return false;
                                   }
                                   progress.frameDone(sequence + 1);
                                   return true;
                               });
            const int drawnWidth = screenWidth * factor, drawnHeight = screenHeight * factor;
            captureFrames(show, span, [&](long) {
                std::vector<uint8_t> pixels = writer.buffer();
                pixels.resize(static_cast<size_t>(drawnWidth) * drawnHeight * 4);
                readFramePixels(drawnWidth, drawnHeight, pixels.data());
                return writer.submit(std::move(pixels), drawnWidth, drawnHeight);
            }, failed);
            std::string writeError;
            if (!writer.finish(writeError)) failed = true;
            const long written = writer.placed();
            progress.finish();
            std::string outcome;
            // An interrupted video is not finished: ffmpeg is ended and its file removed.
            if (interruptionSignal()) Sys_StopChild(encoder);
            const bool encoded = Sys_FinishChild(encoder, outcome);
            struct stat info;
            const bool wroteSomething = stat(videoTemporary.c_str(), &info) == 0 && info.st_size > 0;
            if (interruptionSignal()) {
                complain("interrupted after " + std::to_string(written) + " frames: " + commandLine.videoFile +
                         " is not written");
            } else if (!encoded) {
                complain("ffmpeg did not finish " + commandLine.videoFile + ": " + outcome);
            } else if (failed) {
                complain("ffmpeg stopped reading the frames of " + commandLine.videoFile + " and ended (" + outcome +
                         ")");
            } else if (!wroteSomething) {
                complain("ffmpeg exited with code 0 but wrote nothing into " + commandLine.videoFile);
            } else if (!video.commit()) {
                complain(video.error());
            } else {
                std::printf("wrote %ld frames (%.3f seconds) with their music to %s\n", written,
                            written / span.fps, commandLine.videoFile.c_str());
                exitCode = 0;
            }
        }
    }
    shutdownRenderer();
    show.destroy();
    return exitCode;
}
