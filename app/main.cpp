#include <malloc.h>

#include <cstdio>
#include <new>

#include "app/startup.h"
#include "resources/show_resources.h"

int main(int argc, char** argv)
{
    // The driver allocates and frees blocks of its own with every draw and
    // every frame (a particle is a draw of its own). With glibc's default
    // trim threshold each free at the top of the heap gave the memory back and
    // each next allocation took it again, page by page, faulting in zeroed
    // pages: up to a fifth of a frame. Keep freed memory for reuse instead.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
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
