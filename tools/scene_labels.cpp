// scenelabels: the labels of a project source's scenes, one a line in scene
// order (an empty line for a scene without one). The show embeds those of
// its own source, since project data carries no labels.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "authoring/project_source.h"

int main(int argc, char** argv)
{
    if (argc != 4 || std::strcmp(argv[2], "-o") != 0) {
        std::fputs("usage: scenelabels SOURCE -o OUTPUT\n", stderr);
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
    if (!parseProjectSource(text.str(), argv[1], project, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::string labels;
    for (const ProjectBuilder::Object& object : project.objects())
        if (object.section == SectionKind::Scene) labels += object.label + "\n";
    std::ofstream out(argv[3], std::ios::binary);
    out << labels;
    out.close();
    if (!out) {
        std::fprintf(stderr, "scenelabels: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
