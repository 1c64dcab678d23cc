#include "authoring/music_clock.h"

#include <cstdlib>

#include "authoring/tune_source.h"
#include "core/input_file.h"
#include "music/module_file.h"
#include "music/song_clock.h"
#include "music/xm_module.h"

namespace {

// As the show reads a module file named on its command line.
constexpr size_t MUSIC_FILE_LIMIT = size_t{256} << 20;

}  // namespace

bool musicRowFrames(const std::string& path, std::vector<int64_t>& rowFrames, std::string& error)
{
    std::vector<uint8_t> bytes;
    if (!readInputFile(path, MUSIC_FILE_LIMIT, bytes, error)) {
        error = "cannot read the music " + path + ": " + error;
        return false;
    }
    if (!looksLikeXm(bytes)) {
        std::vector<uint8_t> module;
        if (!compileTuneSource(std::string(bytes.begin(), bytes.end()), path, module, error)) return false;
        bytes = std::move(module);
    }
    // The loader reads through the program's file callbacks; whoever loads a
    // module next names its own bytes (app/show_session.cpp), so these are
    // unset again here.
    installResourceCallbacks();
    setModuleResource(bytes.data(), static_cast<int32_t>(bytes.size()));
    XmModule* module = loadModule("music", nullptr);
    setModuleResource(nullptr, 0);
    if (!module) {
        error = path + ": " + moduleLoadError();
        return false;
    }
    rowFrames.clear();
    for (const SongRow& row : songRows(*module)) rowFrames.push_back(row.frame);
    // Not freeModule: that stops whatever module is playing.
    releaseModuleData(module);
    std::free(module);
    return true;
}
