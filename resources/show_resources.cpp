#include "resources/show_resources.h"

extern "C" const uint8_t resource_project_data[];
extern "C" const uint64_t resource_project_size;
extern "C" const uint8_t resource_module_data[];
extern "C" const uint64_t resource_module_size;
extern "C" const uint8_t resource_scene_labels_data[];
extern "C" const uint64_t resource_scene_labels_size;
extern "C" const uint8_t resource_bar_times_data[];
extern "C" const uint64_t resource_bar_times_size;

ResourceBlock projectDataResource() { return {resource_project_data, resource_project_size}; }
ResourceBlock moduleResource() { return {resource_module_data, resource_module_size}; }
ResourceBlock sceneLabelsResource() { return {resource_scene_labels_data, resource_scene_labels_size}; }
ResourceBlock barTimesResource() { return {resource_bar_times_data, resource_bar_times_size}; }
