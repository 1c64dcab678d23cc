// The command line. With no arguments the program asks for its settings in
// the setup dialog and runs the show; the options serve people who capture,
// author and test shows.
#pragma once
#include <string>

enum class RunMode {
    Show,    // the show in a window (or full screen)
    Render,  // headless capture of frames as PNG files
    DumpMeshes,  // headless: the built meshes as OBJ files
    Wav,     // the music alone, rendered to a WAV file
    DumpTextures,  // headless: every texture of the project as a PNG file
    Help,
};

struct CommandLine {
    RunMode mode = RunMode::Show;
    bool skipDialog = false;  // --resolution or --fullscreen given
    int width = 640, height = 480;
    bool fullScreen = false;
    std::string projectFile;  // empty: the built-in project data
    std::string renderDirectory;
    std::string dumpDirectory;  // --dump-meshes
    std::string textureDirectory;
    int fps = 60;
    double fromSeconds = 0.0, toSeconds = 122.0;
    std::string moduleFile;  // empty: the built-in music module
    std::string wavFile;
    double wavSeconds = 122.0;
};

// Fills `result`; false with a one-line reason in `error` for an unknown
// option, a missing or bad value, or options that do not go together.
bool parseCommandLine(int argc, const char* const* argv, CommandLine& result, std::string& error);
const char* usageText();
