// projc: compiles a project source (text) into project data (binary), and
// back; upgrades a source to values by name; prints the track reference.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "authoring/authoring_doc.h"
#include "authoring/decompiler.h"
#include "authoring/project_source.h"
#include "authoring/source_upgrade.h"
#include "authoring/starter.h"
#include "core/input_file.h"
#include "platform/interruption.h"
#include "platform/output_file.h"

namespace {

const char* const usage =
    "usage: projc SOURCE -o OUTPUT              compile a project source into project data\n"
    "       projc --decompile DATA -o SOURCE    write project data as a source, values by name\n"
    "       projc --upgrade SOURCE -o SOURCE    rewrite values in order as values by name\n"
    "       projc --doc                         print the track tables of docs/authoring.md\n"
    "       projc --new NAME                    write NAME.proj and NAME.tune: a 30-second starter show\n"
    "       projc --help                        this text\n";

// Sources and data are read up to a limit: an endless input (a device, a
// pipe) is refused instead of filling memory. A source is text a person
// writes (the show's is 60 KB); project data is held to what the show reads.
constexpr size_t SOURCE_LIMIT = size_t{16} << 20;
constexpr size_t DATA_LIMIT = size_t{32} << 20;

// Whole or not at all, and never over what is not a file (platform/output_file.h).
bool writeFile(const std::string& path, const void* data, size_t size)
{
    std::string error;
    if (writeOutputFile(path, data, size, error)) return true;
    std::fprintf(stderr, "projc: %s\n", error.c_str());
    return false;
}

// A new file only: a starter never replaces what an author has.
bool writeNewFile(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "wx");
    if (!file) {
        std::fprintf(stderr, "projc: cannot write %s: %s\n", path.c_str(),
                     errno == EEXIST ? "it exists already" : std::strerror(errno));
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !ok) {
        std::fprintf(stderr, "projc: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        std::remove(path.c_str());
        return false;
    }
    return true;
}

int writeStarter(const std::string& path)
{
    const std::string name = path.substr(path.rfind('/') + 1);
    bool plain = !name.empty();
    for (const char c : name) plain &= std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    if (!plain) {
        std::fprintf(stderr, "projc: a show's name is letters, digits, '-' and '_', not '%s'\n", name.c_str());
        return 2;
    }
    const std::string project = path + ".proj", tune = path + ".tune";
    for (const std::string& file : {project, tune})
        if (std::FILE* exists = std::fopen(file.c_str(), "r")) {
            std::fclose(exists);
            std::fprintf(stderr, "projc: %s exists already; nothing is written\n", file.c_str());
            return 1;
        }
    if (!writeNewFile(tune, starterTune(name))) return 1;
    if (!writeNewFile(project, starterProject(name))) {
        std::remove(tune.c_str());
        return 1;
    }
    std::printf("wrote %s and %s; try: build/show --watch --project %s\n", project.c_str(), tune.c_str(),
                project.c_str());
    return 0;
}

}  // namespace

static int run(int argc, char** argv)
{
    std::string input, output, mode;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--new") == 0 && i + 1 < argc && mode.empty()) {
            mode = argv[i];
            input = argv[++i];
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
    if (mode == "--new") return writeStarter(input);
    if (mode == "--doc") {
        std::fputs(trackTablesMarkdown().c_str(), stdout);
        return 0;
    }
    if (input.empty() || output.empty()) {
        std::fprintf(stderr, "projc: need an input and an output\n%s", usage);
        return 2;
    }
    std::string content, error;
    if (!readBoundedInput(input, mode == "--decompile" ? DATA_LIMIT : SOURCE_LIMIT, content, error)) {
        std::fprintf(stderr, "projc: cannot read %s: %s\n", input.c_str(), error.c_str());
        return 1;
    }
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

int main(int argc, char** argv)
{
    installInterruptionHandlers();  // an interrupted write leaves no temporary
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("projc: out of memory\n", stderr);
        return 1;
    }
}
