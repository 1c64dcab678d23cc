// Between the two graphics backends of the platform layer.
#pragma once

bool EGLimp_Create(int width, int height);
void* EGLimp_GetProcAddress(const char* name);
void EGLimp_Destroy();
