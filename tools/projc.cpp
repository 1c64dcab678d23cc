// projc: compiles a project source (text) into project data (binary), and
// back; upgrades a source to values by name; prints the track reference.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "authoring/authoring_doc.h"
#include "authoring/decompiler.h"
#include "authoring/project_source.h"
#include "authoring/source_upgrade.h"

namespace {

const char* const usage =
    "usage: projc SOURCE -o OUTPUT              compile a project source into project data\n"
    "       projc --decompile DATA -o SOURCE    write project data as a source, values by name\n"
    "       projc --upgrade SOURCE -o SOURCE    rewrite values in order as values by name\n"
    "       projc --doc                         print the track tables of docs/authoring.md\n";

bool readFile(const std::string& path, std::string& content)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream text;
    text << in.rdbuf();
    content = text.str();
    return true;
}

// Written only when the whole output is ready, so a failure leaves nothing.
bool writeFile(const std::string& path, const void* data, size_t size)
{
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (out) return true;
    std::fprintf(stderr, "projc: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string input, output, mode;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            output = argv[++i];
        } else if ((!std::strcmp(argv[i], "--decompile") || !std::strcmp(argv[i], "--upgrade") ||
                    !std::strcmp(argv[i], "--doc")) && mode.empty()) {
            mode = argv[i];
        } else if (argv[i][0] != '-' && input.empty()) {
            input = argv[i];
        } else {
            std::fprintf(stderr, "projc: unexpected argument '%s'\n%s", argv[i], usage);
            return 2;
        }
    }
    if (mode == "--doc") {
        std::fputs(trackTablesMarkdown().c_str(), stdout);
        return 0;
    }
    if (input.empty() || output.empty()) {
        std::fprintf(stderr, "projc: need an input and an output\n%s", usage);
        return 2;
    }
    std::string content;
    if (!readFile(input, content)) {
        std::fprintf(stderr, "projc: cannot read %s\n", input.c_str());
        return 1;
    }
    std::string error;
    if (mode == "--decompile") {
        ProjectBuilder project;
        if (!readProjectData(std::vector<uint8_t>(content.begin(), content.end()), project, error)) {
            std::fprintf(stderr, "projc: %s: %s\n", input.c_str(), error.c_str());
            return 1;
        }
        const std::string source = decompileProject(project);
        return writeFile(output, source.data(), source.size()) ? 0 : 1;
    }
    if (mode == "--upgrade") {
        std::string upgraded;
        std::vector<std::string> notes;
        if (!upgradeProjectSource(content, input, upgraded, error, &notes)) {
            std::fprintf(stderr, "projc: %s\n", error.c_str());
            return 1;
        }
        for (const std::string& note : notes) std::fprintf(stderr, "projc: %s\n", note.c_str());
        return writeFile(output, upgraded.data(), upgraded.size()) ? 0 : 1;
    }
    ProjectBuilder project;
    std::vector<uint8_t> bytes;
    SourceFacts facts;
    SourceOptions options;
    options.facts = &facts;
    if (!parseProjectSource(content, input, project, error, options) || !project.write(bytes, error)) {
        std::fprintf(stderr, "projc: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& warning : facts.warnings) std::fprintf(stderr, "projc: warning: %s\n", warning.c_str());
    return writeFile(output, bytes.data(), bytes.size()) ? 0 : 1;
}
