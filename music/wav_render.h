// Rendering a module to a WAV file (16-bit stereo, 44,100 Hz) through the
// same chunk mixing the device is fed by.
#pragma once
#include <cstdint>
#include <string>

#include "music/xm_module.h"

// Writes `frameCount` frames of `module`'s playback from frame `firstFrame`
// on (the frames before it are mixed and dropped). A null module writes
// silence. False, with a one-line reason, when the file cannot be written
// or would pass the 4 GiB a WAV file can hold.
bool writeModuleWav(XmModule* module, const std::string& path, int64_t firstFrame, int64_t frameCount,
                    std::string& error);
