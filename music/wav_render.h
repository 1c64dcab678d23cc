// Rendering a module to a WAV file (16-bit stereo, 44,100 Hz) through the
// same chunk mixing the device is fed by.
#pragma once
#include <cstdint>
#include <string>

#include "music/xm_module.h"
#include "platform/output_file.h"

// Writes `frameCount` frames of `module`'s playback from frame `firstFrame`
// on (the frames before it are mixed and dropped). A null module writes
// silence. False, with a one-line reason, when the file cannot be written
// or would pass the 4 GiB a WAV file can hold; nothing is left then. An
// interruption (platform/interruption.h) ends the file early, whole, its
// header saying what it holds: `framesWritten` tells how much.
bool writeModuleWav(XmModule* module, const std::string& path, int64_t firstFrame, int64_t frameCount,
                    std::string& error, OutputFile::Name name = OutputFile::Name::Named,
                    int64_t* framesWritten = nullptr);
// The same into an output already open (commits or discards it).
bool writeModuleWav(XmModule* module, OutputFile& file, int64_t firstFrame, int64_t frameCount,
                    std::string& error, int64_t* framesWritten = nullptr);
