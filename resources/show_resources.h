// The show's own data, assembled into the executable: the project data, the
// music module and the scenes' labels (one a line).
#pragma once
#include "resources/font_resources.h"

ResourceBlock projectDataResource();
ResourceBlock moduleResource();
ResourceBlock sceneLabelsResource();
