#include "app/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>

namespace {

// A value echoed in a message, cut to a sensible length (a value can be a
// whole file pasted by mistake).
std::string cut(const std::string& value)
{
    constexpr size_t MOST = 40;
    return value.size() <= MOST ? value : value.substr(0, MOST) + "... (" + std::to_string(value.size()) + " characters)";
}

bool parseInt(const char* text, long low, long high, int& out)
{
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

// Times are turned into frame and sample counts; these bounds keep every
// count far inside 64 bits. A WAV file holds at most 4 GiB of 16-bit stereo
// at 44,100 Hz; a capture stops at the show's end anyway.
constexpr double MAX_CAPTURE_SECONDS = 100000.0;
// A frame is read back and copied whole: 128 MiB of RGBA at most.
constexpr int64_t MAX_FRAME_PIXELS = int64_t(8192) * 4096;
constexpr double MAX_WAV_SECONDS = 24347.0;

bool parseSeconds(const char* text, double high, double& out)
{
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0.0 || value > high) return false;
    out = value;
    return true;
}

bool parseRate(const char* text, double& out)
{
    double value = 0.0;
    if (!parseSeconds(text, 1000.0, value) || value <= 0.0 || value > 1000.0) return false;
    out = value;
    return true;
}

// Channels are counted from 1, as trackers show them; a module has at most 128.
constexpr int MAX_CHANNEL = 128;

bool parseChannelList(const char* text, std::vector<int>& channels)
{
    if (!text || !*text) return false;
    channels.clear();
    std::string rest = text;
    for (size_t start = 0; start <= rest.size();) {
        const size_t comma = std::min(rest.find(',', start), rest.size());
        int channel = 0;
        if (!parseInt(rest.substr(start, comma - start).c_str(), 1, MAX_CHANNEL, channel)) return false;
        channels.push_back(channel);
        start = comma + 1;
    }
    return true;
}

bool parseResolution(const char* text, int& width, int& height)
{
    if (!text) return false;
    const char* x = std::strchr(text, 'x');
    if (!x) return false;
    const std::string w(text, x);
    return parseInt(w.c_str(), 1, 16384, width) && parseInt(x + 1, 1, 16384, height);
}

}  // namespace

const char* usageText()
{
    return "usage: show [options]\n"
           "  With no options, asks for a resolution and a window mode, then runs the show\n"
           "  until it ends or Escape is pressed.\n"
           "\n"
           "  --resolution WxH   skip the dialog and run at W x H pixels\n"
           "  --fullscreen       skip the dialog and run full screen\n"
           "  --stretch          fill a screen (or capture) that is not 4:3 with the\n"
           "                     picture stretched, instead of 4:3 between black bars\n"
           "  --project FILE     read the project from FILE instead of the built-in data:\n"
           "                     compiled project data, or a project source compiled here\n"
           "  --from S           start the show (and its music) at S seconds\n"
           "  --watch            with --project and/or --module: a titled window that\n"
           "                     reloads them when they change, shows what fails to\n"
           "                     compile over the last good picture, and plays the\n"
           "                     show round from its end to its start. Keys:\n"
           "                       Space pause   Left/Right 5 seconds   Home start\n"
           "                       , . a frame back/on (pauses)   PageUp/PageDown a bar\n"
           "                       [ ] the previous/next scene    L loop this scene\n"
           "                       1-9 play that music channel alone, 0 all of them\n"
           "                       Tab the status bar   Escape end\n"
           "    --fps N          the frame the , and . keys step (default 60)\n"
           "    --loop FROM TO   play the seconds FROM to TO over and over\n"
           "    --texture LABEL  with a project source: show that texture alone, at\n"
           "                     1:1 and tiled\n"
           "    --mesh LABEL     with a project source: show that mesh alone, turning\n"
           "  --solo N           with --watch or --wav: hear music channel N alone\n"
           "  --mute N,M,...     with --watch or --wav: leave those channels out\n"
           "  --render DIR       headless: write the frames as DIR/frame_00000.png, ...\n"
           "                     and the music of the same span as DIR/music.wav\n"
           "    --force          remove the frames of an older capture in DIR first\n"
           "    --fps N          frames per second of the capture (default 60; 0.5 is\n"
           "                     a frame every 2 seconds)\n"
           "    --from S         first second to capture (default 0)\n"
           "    --to S           second at which the capture stops (default 122)\n"
           "  --video FILE       headless: the frames and music of --from to --to (at\n"
           "                     --fps) encoded by ffmpeg into FILE (H.264 and AAC)\n"
           "  --timedemo         headless: draw every frame of --from to --to (at --fps)\n"
           "                     as fast as it goes, without capture or sound, and print\n"
           "                     the frame times per scene\n"
           "    --passes         and the share of each pass, each waited for in turn\n"
           "    --fill-only      and beside each frame the same frame's fill alone: its\n"
           "                     layers as quads, each mesh and particle system as\n"
           "                     rectangles of the pixels it wrote, with their states\n"
           "  --supersample N    with --render, --video or --sheet: draw each frame at N\n"
           "                     (2 to 4) times the size and filter it down\n"
           "  --sheet FILE       headless: a PNG contact sheet of thumbnails, each with\n"
           "                     its time and scene, from --from to --to\n"
           "    --every S        seconds between the thumbnails (default 2)\n"
           "  --dump-meshes DIR  headless: build the project and write each mesh as\n"
           "                     DIR/mesh_00.obj, ... (Wavefront OBJ)\n"
           "  --module FILE      play the XM module or tune source in FILE instead of the built-in music\n"
           "  --player exact|ft2 play the music with the engine's exact player or as\n"
           "                     FastTracker 2 plays it, in the show, --wav, captures\n"
           "                     and --watch. Without it a module made by xmtune plays\n"
           "                     exact (unless its source says 'player ft2'), a module\n"
           "                     from any other tracker as FastTracker 2\n"
           "  --wav FILE         no window: write the music as a 16-bit stereo 44,100 Hz WAV file\n"
           "    --seconds S      seconds of music to write (default 122)\n"
           "  --dump-textures DIR  headless: build the project's textures and write them\n"
           "                     as DIR/texture_00.png, texture_01.png, ... (RGBA)\n"
           "  --help             show this text\n";
}

bool parseCommandLine(int argc, const char* const* argv, CommandLine& result, std::string& error)
{
    result = CommandLine();
    bool resolutionGiven = false, fpsGiven = false, fromGiven = false, toGiven = false;
    bool renderGiven = false, secondsGiven = false, everyGiven = false;
    bool channelsGiven = false, viewGiven = false, timedemoGiven = false, supersampleGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needValue = [&](const char* what) {
            if (value) return true;
            error = option + " needs " + what;
            return false;
        };
        if (option == "--help") {
            result.mode = RunMode::Help;
            return true;
        } else if (option == "--fullscreen") {
            result.fullScreen = true;
        } else if (option == "--stretch") {
            result.stretch = true;
        } else if (option == "--supersample") {
            if (!needValue("a factor from 2 to 4")) return false;
            const std::string text = value;
            if (text.size() != 1 || text[0] < '1' || text[0] > '4') {
                error = "bad --supersample '" + text + "' (expected 2, 3 or 4)";
                return false;
            }
            result.supersample = text[0] - '0';
            supersampleGiven = true;
            ++i;
        } else if (option == "--passes") {
            result.timePasses = true;
        } else if (option == "--fill-only") {
            result.fillOnly = true;
        } else if (option == "--timedemo") {
            result.mode = RunMode::Timedemo;
            timedemoGiven = true;
        } else if (option == "--resolution") {
            if (!needValue("a resolution such as 800x600")) return false;
            if (!parseResolution(value, result.width, result.height)) {
                error = std::string("bad resolution '") + cut(value) + "' (expected WxH, such as 800x600)";
                return false;
            }
            if (int64_t(result.width) * result.height > MAX_FRAME_PIXELS) {
                error = std::string("--resolution ") + value + " is " +
                        std::to_string(int64_t(result.width) * result.height) + " pixels, over the limit of " +
                        std::to_string(MAX_FRAME_PIXELS) + " (8192x4096)";
                return false;
            }
            resolutionGiven = true;
            ++i;
        } else if (option == "--project") {
            if (!needValue("a file name")) return false;
            result.projectFile = value;
            ++i;
        } else if (option == "--render") {
            if (!needValue("a directory")) return false;
            result.mode = RunMode::Render;
            result.renderDirectory = value;
            renderGiven = true;
            ++i;
        } else if (option == "--force") {
            result.force = true;
        } else if (option == "--module") {
            if (!needValue("a file name")) return false;
            result.moduleFile = value;
            ++i;
        } else if (option == "--player") {
            if (!needValue("a player, exact or ft2")) return false;
            PlayerMode mode;
            if (!parsePlayerMode(value, mode)) {
                error = std::string("bad player '") + value + "' (expected exact or ft2)";
                return false;
            }
            result.player = mode;
            ++i;
        } else if (option == "--wav") {
            if (!needValue("a file name")) return false;
            result.wavFile = value;
            ++i;
        } else if (option == "--seconds") {
            if (!needValue("a time in seconds")) return false;
            if (!parseSeconds(value, MAX_WAV_SECONDS, result.wavSeconds)) {
                error = std::string("bad time '") + cut(value) + "' for --seconds (expected seconds from 0 to 24347, what a WAV file holds)";
                return false;
            }
            secondsGiven = true;
            ++i;
        } else if (option == "--dump-meshes") {
            if (!needValue("a directory")) return false;
            result.mode = RunMode::DumpMeshes;
            result.dumpDirectory = value;
            ++i;
        } else if (option == "--dump-textures") {
            if (!needValue("a directory")) return false;
            result.mode = RunMode::DumpTextures;
            result.textureDirectory = value;
            ++i;
        } else if (option == "--watch") {
            result.watch = true;
        } else if (option == "--sheet" || option == "--video") {
            if (!needValue("a file name")) return false;
            result.mode = option == "--sheet" ? RunMode::Sheet : RunMode::Video;
            (option == "--sheet" ? result.sheetFile : result.videoFile) = value;
            ++i;
        } else if (option == "--every") {
            if (!needValue("a time in seconds")) return false;
            if (!parseRate(value, result.everySeconds)) {
                error = std::string("bad time '") + cut(value) + "' for --every (expected seconds above 0, up to 1000)";
                return false;
            }
            everyGiven = true;
            ++i;
        } else if (option == "--fps") {
            if (!needValue("a number of frames per second")) return false;
            if (!parseRate(value, result.fps)) {
                error = std::string("bad frame rate '") + cut(value) + "' (expected a number above 0, up to 1000)";
                return false;
            }
            fpsGiven = true;
            ++i;
        } else if (option == "--from" || option == "--to") {
            if (!needValue("a time in seconds")) return false;
            double& seconds = option == "--from" ? result.fromSeconds : result.toSeconds;
            if (!parseSeconds(value, MAX_CAPTURE_SECONDS, seconds)) {
                error = std::string("bad time '") + cut(value) + "' for " + option + " (expected seconds from 0 to 100000)";
                return false;
            }
            (option == "--from" ? fromGiven : toGiven) = true;
            ++i;
        } else if (option == "--solo" || option == "--mute") {
            if (!needValue(option == "--solo" ? "a channel number" : "channel numbers such as 2,3")) return false;
            std::vector<int> channels;
            if (!parseChannelList(value, channels) || (option == "--solo" && channels.size() != 1)) {
                error = std::string("bad channel '") + cut(value) + "' for " + option + " (expected " +
                        (option == "--solo" ? "a number" : "numbers, comma separated,") + " from 1 to 128)";
                return false;
            }
            if (channelsGiven) {
                error = "--solo and --mute go one at a time";
                return false;
            }
            channelsGiven = true;
            if (option == "--solo") result.soloChannel = channels[0];
            else result.mutedChannels = channels;
            ++i;
        } else if (option == "--loop") {
            const char* to = i + 2 < argc ? argv[i + 2] : nullptr;
            if (!value || !to) {
                error = "--loop needs two times in seconds, FROM and TO";
                return false;
            }
            if (!parseSeconds(value, MAX_CAPTURE_SECONDS, result.loopFrom) ||
                !parseSeconds(to, MAX_CAPTURE_SECONDS, result.loopTo) || result.loopTo <= result.loopFrom) {
                error = std::string("bad span '") + value + " " + to + "' for --loop (expected seconds FROM and a later TO)";
                return false;
            }
            result.loop = true;
            i += 2;
        } else if (option == "--texture" || option == "--mesh") {
            if (!needValue("a label of the project source")) return false;
            if (viewGiven) {
                error = "--texture and --mesh go one at a time";
                return false;
            }
            viewGiven = true;
            (option == "--texture" ? result.viewTexture : result.viewMesh) = value;
            ++i;
        } else {
            error = "unknown option '" + cut(option) + "'";
            return false;
        }
    }

    if ((result.loop || viewGiven) && !result.watch) {
        error = std::string(result.loop ? "--loop" : viewGiven && !result.viewTexture.empty() ? "--texture" : "--mesh") +
                " goes with --watch only";
        return false;
    }
    if (viewGiven && result.projectFile.empty()) {
        error = std::string(result.viewTexture.empty() ? "--mesh" : "--texture") + " needs --project with a source";
        return false;
    }
    if (channelsGiven && !result.watch && result.wavFile.empty()) {
        error = "--solo and --mute go with --watch or --wav";
        return false;
    }

    if (result.force && result.mode != RunMode::Render) {
        error = "--force goes with --render only";
        return false;
    }
    if (!result.dumpDirectory.empty() && !result.renderDirectory.empty()) {
        error = "--dump-meshes does not go with --render";
        return false;
    }
    if (result.timePasses && result.mode != RunMode::Timedemo) {
        error = "--passes goes with --timedemo only";
        return false;
    }
    if (result.fillOnly && (result.mode != RunMode::Timedemo || result.timePasses)) {
        // The passes' waits would slow the frames and not their fill.
        error = "--fill-only goes with --timedemo only, without --passes";
        return false;
    }
    if (supersampleGiven && result.mode != RunMode::Render && result.mode != RunMode::Video &&
        result.mode != RunMode::Sheet) {
        error = "--supersample goes with --render, --video and --sheet only";
        return false;
    }
    const int captures = !result.renderDirectory.empty() + !result.dumpDirectory.empty() +
                         !result.sheetFile.empty() + !result.videoFile.empty() + timedemoGiven;
    if (captures > 1) {
        error = "--render, --dump-meshes, --sheet, --video and --timedemo go one at a time";
        return false;
    }
    const bool previewGiven = result.watch || captures > 0 || everyGiven;
    if (!result.wavFile.empty()) {
        if (renderGiven || resolutionGiven || result.fullScreen || fpsGiven || fromGiven || toGiven ||
            !result.projectFile.empty() || !result.dumpDirectory.empty() || !result.textureDirectory.empty() ||
            previewGiven || result.stretch) {
            error = "--wav goes with --module, --player, --seconds, --solo and --mute only";
            return false;
        }
        result.mode = RunMode::Wav;
        return true;
    }
    if (secondsGiven) {
        error = "--seconds goes with --wav only";
        return false;
    }
    if (everyGiven && result.mode != RunMode::Sheet && result.textureDirectory.empty()) {
        error = "--every goes with --sheet only";
        return false;
    }
    if (!result.textureDirectory.empty()) {
        if (!result.renderDirectory.empty() || !result.dumpDirectory.empty() || resolutionGiven || result.fullScreen ||
            fpsGiven || fromGiven || toGiven || !result.moduleFile.empty() || previewGiven || result.stretch) {
            error = "--dump-textures goes with --project only";
            return false;
        }
        result.mode = RunMode::DumpTextures;
    } else if (result.mode == RunMode::Render || result.mode == RunMode::Sheet || result.mode == RunMode::Video ||
               result.mode == RunMode::Timedemo) {
        const char* name = result.mode == RunMode::Render ? "--render"
                           : result.mode == RunMode::Sheet ? "--sheet"
                           : result.mode == RunMode::Video ? "--video"
                                                           : "--timedemo";
        if (result.fullScreen || result.watch) {
            error = std::string(result.fullScreen ? "--fullscreen" : "--watch") + " does not go with " + name;
            return false;
        }
        if (fpsGiven && result.mode == RunMode::Sheet) {
            error = "--sheet takes --every, not --fps";
            return false;
        }
        // Without --to the capture runs to the show's end, which the
        // capture knows once it has read the project (and says when --from
        // is past it).
        if (!toGiven && result.toSeconds <= result.fromSeconds) result.toSeconds = MAX_CAPTURE_SECONDS;
        if (result.toSeconds <= result.fromSeconds) {
            error = "--to must be later than --from";
            return false;
        }
    } else {
        if (result.mode == RunMode::DumpMeshes &&
            (result.fullScreen || resolutionGiven || fromGiven || result.watch || result.stretch)) {
            error = "--dump-meshes goes with --project only";
            return false;
        }
        if (toGiven || (fpsGiven && !result.watch)) {
            error = "--fps and --to go with --render, --video and --sheet only (and --fps with --watch)";
            return false;
        }
        // A preview learns the show's length from its data, and plays round.
        if (result.fromSeconds >= 122.0 && !result.watch) {
            char text[64];
            std::snprintf(text, sizeof text, "--from %g is past the end of the show at 122 seconds", result.fromSeconds);
            error = text;
            return false;
        }
        if (result.watch && result.projectFile.empty() && result.moduleFile.empty()) {
            error = "--watch needs --project or --module to watch";
            return false;
        }
        // An author watching files wants the window at once, and one with a title.
        result.skipDialog = resolutionGiven || result.fullScreen || result.watch;
    }
    return true;
}
