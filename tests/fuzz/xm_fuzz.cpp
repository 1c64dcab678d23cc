// libFuzzer target: any bytes as a module, loaded through the player's own
// file callbacks, then a fifth of a second of playback mixed without a
// device by each player in turn (the exact one and the FastTracker 2 one):
// ten ticks at the default tempo, a row a chunk at the fastest, and the
// loader and the first rows are where a module's bytes reach; a longer mix
// made a run of millions of inputs take days.
#include <cstddef>
#include <cstdint>

#include "music/module_file.h"
#include "music/playback.h"
#include "music/xm_module.h"

namespace {
constexpr int CHUNKS = 10;  // of 20 ms
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > INT32_MAX) return 0;
    installResourceCallbacks();
    setModuleResource(data, static_cast<int32_t>(size));
    XmModule* module = loadModule("fuzz.xm", nullptr);
    if (module) {
        int64_t sum = 0;
        for (const PlayerMode mode : {PlayerMode::Exact, PlayerMode::Ft2}) {
            module->playerMode = mode;
            if (!startOfflinePlayback(module)) continue;
            for (int i = 0; i < CHUNKS; ++i) {
                const int16_t* chunk = renderNextChunk();
                for (int j = 0; j < 2 * CHUNK_FRAMES; j += 97) sum += chunk[j];
            }
            stopPlayback(module);
        }
        freeModule(module);
        if (sum == INT64_MIN) return 1;  // keeps the reads
    }
    setModuleResource(nullptr, 0);
    return 0;
}
