// scenelabels: the labels of a project source's scenes, one a line in scene
// order (an empty line for a scene without one), and with --bars the start
// of each of its bars. The show embeds those of its own source, since
// project data carries neither.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "authoring/bar_times.h"
#include "authoring/float_text.h"
#include "authoring/project_source.h"

namespace {

bool writeText(const char* path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (out) return true;
    std::fprintf(stderr, "scenelabels: cannot write %s\n", path);
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool barsWanted = argc == 6 && std::strcmp(argv[4], "--bars") == 0;
    if ((argc != 4 && !barsWanted) || std::strcmp(argv[2], "-o") != 0) {
        std::fputs("usage: scenelabels SOURCE -o OUTPUT [--bars BARS]\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "scenelabels: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    ProjectBuilder project;
    std::string error;
    SourceFacts facts;
    SourceOptions options;
    options.facts = &facts;
    if (!parseProjectSource(text.str(), argv[1], project, error, options)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::string labels;
    for (const ProjectBuilder::Object& object : project.objects())
        if (object.section == SectionKind::Scene) labels += object.label + "\n";
    if (!writeText(argv[3], labels)) return 1;
    if (!barsWanted) return 0;
    // "beatsPerBar N", then one bar's start a line, in seconds.
    const SourceBars bars = sourceBars(facts);
    std::string lines = "beatsPerBar " + std::to_string(bars.beatsPerBar) + "\n";
    for (float start : bars.starts) lines += floatText(start) + "\n";
    return writeText(argv[5], lines) ? 0 : 1;
}
