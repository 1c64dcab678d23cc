// The command line. With no arguments the program asks for its settings in
// the setup dialog and runs the show; the options serve people who capture,
// author and test shows.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "music/player_mode.h"

enum class RunMode {
    Show,    // the show in a window (or full screen)
    Render,  // headless capture of frames as PNG files
    DumpMeshes,  // headless: the built meshes as OBJ files
    Wav,     // the music alone, rendered to a WAV file
    DumpTextures,  // headless: every texture of the project as a PNG file
    Sheet,   // headless: a contact sheet of thumbnails as one PNG file
    Video,   // headless: frames and music encoded by ffmpeg
    Timedemo,  // headless: every frame of a span drawn and timed, nothing kept
    Help,
};

struct CommandLine {
    RunMode mode = RunMode::Show;
    bool skipDialog = false;  // --resolution or --fullscreen given
    int width = 640, height = 480;
    bool fullScreen = false;
    // The picture fills an output of any shape, 4:3 or not; else it keeps
    // its shape between black bars.
    bool stretch = false;
    // Captures: each frame drawn at N times the size and filtered down.
    int supersample = 1;
    // The timedemo: each pass of a frame waited for and timed (the frame
    // times then include those waits).
    bool timePasses = false;
    // The timedemo: each frame also drawn as its fill alone
    // (render/fill_only.h), timed beside it.
    bool fillOnly = false;
    std::string projectFile;  // empty: the built-in project data
    std::string renderDirectory;
    bool force = false;  // --render: remove an older capture's frames first
    std::string dumpDirectory;  // --dump-meshes
    std::string textureDirectory;
    double fps = 60.0;  // fractions allowed: 0.5 is a frame every 2 seconds
    double fromSeconds = 0.0, toSeconds = 122.0;  // --from also starts the show
    std::string moduleFile;  // empty: the built-in music module
    // --player: the player every module plays with; none: the one its
    // header asks for (the engine's own modules exact, others FastTracker 2).
    std::optional<PlayerMode> player;
    std::string wavFile;
    double wavSeconds = 122.0;
    bool watch = false;  // the show reloads its project and module when they change
    std::string sheetFile;
    double everySeconds = 2.0;  // between the thumbnails of a sheet
    std::string videoFile;
    // The preview (--watch) and --wav: channels from 1 left out of the mix;
    // --solo N leaves out all but N.
    std::vector<int> mutedChannels;
    int soloChannel = 0;  // 0: none
    // The preview: a span played over and over, and one texture or mesh of
    // the source shown by itself instead of the show.
    bool loop = false;
    double loopFrom = 0.0, loopTo = 0.0;
    std::string viewTexture, viewMesh;  // labels
};

// Fills `result`; false with a one-line reason in `error` for an unknown
// option, a missing or bad value, or options that do not go together.
bool parseCommandLine(int argc, const char* const* argv, CommandLine& result, std::string& error);
const char* usageText();
