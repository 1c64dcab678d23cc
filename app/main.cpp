#include <cstdio>
#include <new>

#include "app/startup.h"
#include "resources/show_resources.h"

int main(int argc, char** argv)
{
    const ResourceBlock project = projectDataResource();
    const ResourceBlock module = moduleResource();
    const ResourceBlock labels = sceneLabelsResource();
    const ResourceBlock bars = barTimesResource();
    // Every size a file or option can ask for has a limit (docs/limits.md);
    // memory that still runs out ends the program with a message, not an abort.
    try {
        return showMain(argc, argv, {project.data, project.size, module.data, module.size, labels.data, labels.size,
                                     bars.data, bars.size});
    } catch (const std::bad_alloc&) {
        std::fputs("show: out of memory\n", stderr);
        return 1;
    }
}
