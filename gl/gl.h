// OpenGL 1.1 and GLU as the system links them, with the extension
// declarations; extension entry points are reached through glExt.
#pragma once
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
