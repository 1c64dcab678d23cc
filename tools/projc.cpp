// projc: compiles a project source (text) into project data (binary).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/project_source.h"

namespace {

const char* const usage =
    "usage: projc SOURCE -o OUTPUT\n"
    "  Compiles a project source into the project data the show reads.\n";

}  // namespace

int main(int argc, char** argv)
{
    std::string input, output;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            output = argv[++i];
        } else if (argv[i][0] != '-' && input.empty()) {
            input = argv[i];
        } else {
            std::fprintf(stderr, "projc: unexpected argument '%s'\n%s", argv[i], usage);
            return 2;
        }
    }
    if (input.empty() || output.empty()) {
        std::fprintf(stderr, "projc: need a source and an output\n%s", usage);
        return 2;
    }
    std::ifstream in(input);
    if (!in) {
        std::fprintf(stderr, "projc: cannot read %s\n", input.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();

    ProjectBuilder project;
    std::string error;
    std::vector<uint8_t> bytes;
    if (!parseProjectSource(text.str(), input, project, error) || !project.write(bytes, error)) {
        std::fprintf(stderr, "projc: %s\n", error.c_str());
        return 1;
    }
    std::ofstream out(output, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "projc: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
