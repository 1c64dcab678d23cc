#include "app/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

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

bool parseSeconds(const char* text, double& out)
{
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0.0) return false;
    out = value;
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
           "  --project FILE     read the project data from FILE instead of the built-in data\n"
           "  --render DIR       headless: write the frames as DIR/frame_00000.png, ...\n"
           "                     and the music of the same span as DIR/music.wav\n"
           "    --fps N          frames per second of the capture (default 60)\n"
           "    --from S         first second to capture (default 0)\n"
           "    --to S           second at which the capture stops (default 122)\n"
           "  --dump-meshes DIR  headless: build the project and write each mesh as\n"
           "                     DIR/mesh_00.obj, ... (Wavefront OBJ)\n"
           "  --module FILE      play the XM module in FILE instead of the built-in music\n"
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
    bool renderGiven = false, secondsGiven = false;
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
        } else if (option == "--resolution") {
            if (!needValue("a resolution such as 800x600")) return false;
            if (!parseResolution(value, result.width, result.height)) {
                error = std::string("bad resolution '") + value + "' (expected WxH, such as 800x600)";
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
        } else if (option == "--module") {
            if (!needValue("a file name")) return false;
            result.moduleFile = value;
            ++i;
        } else if (option == "--wav") {
            if (!needValue("a file name")) return false;
            result.wavFile = value;
            ++i;
        } else if (option == "--seconds") {
            if (!needValue("a time in seconds")) return false;
            if (!parseSeconds(value, result.wavSeconds)) {
                error = std::string("bad time '") + value + "' for --seconds (expected seconds, 0 or more)";
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
        } else if (option == "--fps") {
            if (!needValue("a number of frames per second")) return false;
            if (!parseInt(value, 1, 1000, result.fps)) {
                error = std::string("bad frame rate '") + value + "' (expected a whole number from 1 to 1000)";
                return false;
            }
            fpsGiven = true;
            ++i;
        } else if (option == "--from" || option == "--to") {
            if (!needValue("a time in seconds")) return false;
            double& seconds = option == "--from" ? result.fromSeconds : result.toSeconds;
            if (!parseSeconds(value, seconds)) {
                error = std::string("bad time '") + value + "' for " + option + " (expected seconds, 0 or more)";
                return false;
            }
            (option == "--from" ? fromGiven : toGiven) = true;
            ++i;
        } else {
            error = "unknown option '" + option + "'";
            return false;
        }
    }

    if (!result.dumpDirectory.empty() && !result.renderDirectory.empty()) {
        error = "--dump-meshes does not go with --render";
        return false;
    }
    if (!result.wavFile.empty()) {
        if (renderGiven || resolutionGiven || result.fullScreen || fpsGiven || fromGiven || toGiven ||
            !result.projectFile.empty() || !result.dumpDirectory.empty() || !result.textureDirectory.empty()) {
            error = "--wav goes with --module and --seconds only";
            return false;
        }
        result.mode = RunMode::Wav;
        return true;
    }
    if (secondsGiven) {
        error = "--seconds goes with --wav only";
        return false;
    }
    if (!result.textureDirectory.empty()) {
        if (!result.renderDirectory.empty() || !result.dumpDirectory.empty() || resolutionGiven || result.fullScreen ||
            fpsGiven || fromGiven || toGiven || !result.moduleFile.empty()) {
            error = "--dump-textures goes with --project only";
            return false;
        }
        result.mode = RunMode::DumpTextures;
    } else if (result.mode == RunMode::Render) {
        if (result.fullScreen) {
            error = "--fullscreen does not go with --render";
            return false;
        }
        if (result.toSeconds <= result.fromSeconds) {
            error = "--to must be later than --from";
            return false;
        }
    } else {
        if (result.mode == RunMode::DumpMeshes && (result.fullScreen || resolutionGiven)) {
            error = "--dump-meshes goes with --project only";
            return false;
        }
        if (fpsGiven || fromGiven || toGiven) {
            error = "--fps, --from and --to go with --render only";
            return false;
        }
        result.skipDialog = resolutionGiven || result.fullScreen;
    }
    return true;
}
