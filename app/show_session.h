// What every run mode shares: the project data and music module from the
// built-in blocks or from files, the registry and Timeline of one show, and
// the headless graphics of the capture modes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "core/object_registry.h"
#include "app/startup.h"
#include "core/timeline.h"

struct XmModule;

// One line on stderr, prefixed with the program's name.
void complain(const std::string& message);
// A source's errors start with their file's name ("FILE:LINE: reason"), as
// compilers write them, and are printed as they are; others as complaints.
void complainAboutFile(const std::string& path, const std::string& error);

// The project data: the built-in block, or a file named on the command line
// (compiled data, or a source compiled on reading).
struct ProjectSource {
    std::vector<uint8_t> fileBytes;
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::string origin;  // for messages: "built-in project data" or the file
    std::vector<std::string> sceneLabels;  // known for a source only
    std::vector<float> barTimes;  // the start of each bar; empty when unknown
    int32_t beatsPerBar = 4;
};
bool obtainProject(const CommandLine& commandLine, const EmbeddedData& embedded, ProjectSource& source);

// The music module, handed to the player's file callbacks.
struct ModuleSource {
    std::vector<uint8_t> fileBytes;
    std::string origin;
};
// False, with the reason printed, when a named file cannot be read.
bool obtainModule(const CommandLine& commandLine, const EmbeddedData& embedded, ModuleSource& source);
// Loads the module; a file named on the command line that will not load is
// reported. The built-in module failing plays nothing, silently.
XmModule* loadMusic(const CommandLine& commandLine, const ModuleSource& source);

// The music of a capture, loaded before anything is drawn: a module named
// on the command line (or by the project source) that does not load ends
// the capture before its first frame, with the reason printed.
struct CaptureMusic {
    ModuleSource source;
    XmModule* module = nullptr;

    bool load(const CommandLine& commandLine, const EmbeddedData& embedded);
    ~CaptureMusic();
};

// The registry and Timeline of one show, made the running show's.
struct Show {
    ObjectRegistry* registry = nullptr;
    Timeline* timeline = nullptr;

    // Reads the project; with `buildAll` also builds every object with the
    // progress bar, otherwise the caller builds what it needs. A failure is
    // printed, and given in `error` too where one is passed.
    bool load(const ProjectSource& source, bool buildAll = true, std::string* error = nullptr);
    // The Timeline first, then the objects: last section first, last object first.
    void destroy();
};

// A headless context of width x height (times `supersample`, the show's
// pixel measures with it), set up as the show's own; the picture stretched
// over it, or 4:3 between bars.
bool startHeadlessGraphics(int32_t width, int32_t height, bool stretch = false, int32_t supersample = 1);
bool makeDirectory(const std::string& path);
