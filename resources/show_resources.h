// The show's own data, assembled into the executable: the project data and
// the music module.
#pragma once
#include "resources/font_resources.h"

ResourceBlock projectDataResource();
ResourceBlock moduleResource();
