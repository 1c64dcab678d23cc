// Compiles a tune source into an XM module.
//   xmtune content/music.tune -o music.xm
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "authoring/tune_source.h"
#include "core/input_file.h"
#include "platform/interruption.h"
#include "platform/output_file.h"

namespace {

const char* const usage =
    "usage: xmtune SOURCE -o FILE    compile a tune source (docs/music.md) into an XM module\n"
    "       xmtune --help            this text\n"
    "Errors are FILE:LINE: reason, with exit code 1; nothing is written then.\n";

}  // namespace

static int run(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 4 || std::strcmp(argv[2], "-o") != 0) {
        std::fprintf(stderr, "xmtune: expected SOURCE -o FILE\n%s", usage);
        return 2;
    }
    const std::string sourcePath = argv[1], outputPath = argv[3];
    // Read up to the compiler's own limit on a source, and refused past it.
    std::string text, error;
    if (!readBoundedInput(sourcePath, TuneLimits{}.sourceBytes, text, error)) {
        std::fprintf(stderr, "xmtune: cannot read %s: %s\n", sourcePath.c_str(), error.c_str());
        return 1;
    }
    std::vector<uint8_t> module;
    if (!compileTuneSource(text, sourcePath, module, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // Whole or not at all, and never over what is not a file (platform/output_file.h).
    if (!writeOutputFile(outputPath, module.data(), module.size(), error)) {
        std::fprintf(stderr, "xmtune: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int main(int argc, char** argv)
{
    installInterruptionHandlers();  // an interrupted write leaves no temporary
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("xmtune: out of memory\n", stderr);
        return 1;
    }
}
