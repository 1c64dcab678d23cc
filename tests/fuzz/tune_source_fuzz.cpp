// libFuzzer target: any text as a tune source, compiled within small limits
// so that no input synthesises for long. What compiles must compile to the
// same bytes again and load through the player's own file callbacks.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "music/module_file.h"
#include "music/playback.h"
#include "music/xm_module.h"
#include "authoring/tune_source.h"

namespace {

// A few short samples and patterns: the show's tune split into pieces fits.
TuneLimits fuzzLimits()
{
    TuneLimits limits;
    limits.synthesisWork = 1 << 18;
    limits.patternCells = 1 << 16;
    return limits;
}

[[noreturn]] void failed(const char* what)
{
    std::fprintf(stderr, "tune_source_fuzzer: %s\n", what);
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> module;
    std::string error;
    if (!compileTuneSource(text, "fuzz.tune", module, error, fuzzLimits())) {
        if (error.empty() || error.find('\n') != std::string::npos) failed("a refusal is not one line");
        return 0;
    }
    std::vector<uint8_t> again;
    if (!compileTuneSource(text, "fuzz.tune", again, error, fuzzLimits()) || again != module)
        failed("the same source compiled to other bytes");
    if (!looksLikeXm(module) || module.size() > INT32_MAX) failed("not an XM module");
    installResourceCallbacks();
    setModuleResource(module.data(), static_cast<int32_t>(module.size()));
    XmModule* loaded = loadModule("fuzz.xm", nullptr);
    if (!loaded) failed(moduleLoadError());
    freeModule(loaded);
    setModuleResource(nullptr, 0);
    return 0;
}
