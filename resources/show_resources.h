// The show's own data, assembled into the executable: the project data, the
// music module, the scenes' labels (one a line) and the bars' starts.
#pragma once
#include "resources/font_resources.h"

ResourceBlock projectDataResource();
ResourceBlock moduleResource();
ResourceBlock sceneLabelsResource();
ResourceBlock barTimesResource();
