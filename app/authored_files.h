// Project and module files as an author names them on the command line:
// compiled data, or a text source compiled here, told apart by content.
//
// Project data always holds a zero byte (an empty project is six zero
// counts; an object has a zero track count or a track name ending in zero),
// and a source never does. So a file with a zero byte is project data; a
// file without one is a source, unless it fails to compile yet reads as
// project data (only a crafted file can). A module is compiled XM when it
// starts with the XM signature, otherwise a source when it holds no zero
// byte; anything else goes to the module loader, which names what is wrong.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct AuthoredProject {
    std::vector<uint8_t> bytes;  // the project data
    bool fromSource = false;
    std::vector<std::string> sceneLabels;  // by scene index, from a source; empty: none known
    std::vector<std::string> textureLabels, meshLabels;  // likewise
    // The start of bar 1, 2, ... before the show's end; empty when unknown.
    std::vector<float> barTimes;
    int32_t beatsPerBar = 4;
    std::vector<std::string> warnings;  // "FILE:LINE:COLUMN: ..." of what the engine never reads
    std::string musicFile;  // a source's `music` file: the module played when none is named
};

// False with a one-line message: "cannot read project file ..." or, for a
// source, "FILE:LINE: reason".
bool readProjectFile(const std::string& path, AuthoredProject& project, std::string& error);

bool isProjectSource(const std::vector<uint8_t>& bytes);
bool compileProjectSource(const std::string& text, const std::string& fileName, AuthoredProject& project,
                          std::string& error);

// The module's XM bytes: the file itself, or its source compiled.
bool readModuleFile(const std::string& path, std::vector<uint8_t>& xm, std::string& error);

bool isModuleSource(const std::vector<uint8_t>& bytes);
// Where a module source becomes XM bytes. False, with "FILE:LINE: reason".
bool compileModuleSource(const std::string& text, const std::string& fileName, std::vector<uint8_t>& xm,
                         std::string& error);

// The music file a project source's `music` line names, as a path from
// here; empty for compiled data, a source without one, or an unreadable file
// (whose error its own reading reports).
std::string musicNamedBy(const std::string& projectPath);

// Labels one a line, as the build lists the built-in show's.
std::vector<std::string> labelLines(const std::string& text);
// Bars as the build lists the built-in show's: "beatsPerBar N", then the
// start of each bar a line, in seconds.
void readBarLines(const std::string& text, std::vector<float>& starts, int32_t& beatsPerBar);

// The scene's label from the source, or "scene N"; "no scene" for an index
// that names none.
std::string sceneLabel(const std::vector<std::string>& labels, int32_t sceneIndex, int32_t sceneCount);
