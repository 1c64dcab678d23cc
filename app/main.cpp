#include "app/startup.h"
#include "resources/show_resources.h"

int main(int argc, char** argv)
{
    const ResourceBlock project = projectDataResource();
    const ResourceBlock module = moduleResource();
    const ResourceBlock labels = sceneLabelsResource();
    const ResourceBlock bars = barTimesResource();
    return showMain(argc, argv, {project.data, project.size, module.data, module.size, labels.data, labels.size,
                                 bars.data, bars.size});
}
